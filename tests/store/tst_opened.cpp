// Opening stored files in their programs and writing them back: a small
// script stands in for the associated program, registered through a
// temporary XDG data folder with its own MIME association.

#include "TestSupport.h"

#include "ScriptedMessageBox.h"
#include "base/HeadlessProgress.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "platform/DesktopApps.h"
#include "platform/NativePath.h"
#include "platform/Processes.h"
#include "security/SecParams.h"
#include "store/CopyToDeviceThread.h"
#include "store/EncryptedStore.h"
#include "store/OpenedFileList.h"
#include "store/ProcessTracker.h"
#include "store/StoreManifest.h"
#include "store/StoreStatus.h"

#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace nbr;
using namespace nbr::test;

namespace {

// Appends a line (not to files named *keep*), leaves a lock file, and ends
// on SIGTERM (or after 20 s).
const char* kEditor = R"(#!/bin/sh
f="$1"; d=$(dirname "$f"); b=$(basename "$f")
case "$b" in *keep*) ;; *) echo "edited" >> "$f" ;; esac
echo lock > "$d/.~lock.$b#"
trap 'exit 0' TERM
i=0; while [ $i -lt 200 ]; do sleep 0.1; i=$((i+1)); done
)";

// Ignores the polite close.
const char* kStubborn = R"(#!/bin/sh
trap '' TERM
echo ready
i=0; while [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done
)";

}  // namespace

class TestOpened : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { MessageBox::Install(nullptr); }
    void execLines();
    void openEditWriteBack();
    void reopenKeepsTheEditedCopy();
    void numberedNamesOnClash();
    void discardOpenedCopy();
    void failedWriteBackIsReported();
    void stubbornProgram();
    void wrapperThatEndsAtOnce();
    void fileHandedToARunningInstance();
    void unsafeDisplayNames_data();
    void unsafeDisplayNames();
    void lockFilesMadeLater();
    void undecodableNamesAreWipedAndReported();
    void leftoversOfACrash();
    void neverDecryptsOverACopy();
    void waitsForACopyToSettle();
    void keepsACopyStillBeingWritten();

private:
    QString Add(const QString& relative, const QByteArray& content, const QString& to);
    QByteArray Stored(const QString& display);

    QTemporaryDir dir_;
    SecParams keys_;
    LanguageManager languages_;
    ScriptedMessageBox answers_;
    std::unique_ptr<EncryptedStore> store_;
    QString launch_;
};

void TestOpened::initTestCase()
{
    const QString data = dir_.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(data + QStringLiteral("/applications")));
    QVERIFY(QDir().mkpath(dir_.filePath(QStringLiteral("config"))));
    QVERIFY(WriteAll(dir_.filePath(QStringLiteral("editor.sh")), kEditor));
    QVERIFY(WriteAll(dir_.filePath(QStringLiteral("stubborn.sh")), kStubborn));
    for (const char* script : {"editor.sh", "stubborn.sh"})
        QVERIFY(QFile::setPermissions(dir_.filePath(QString::fromLatin1(script)), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(WriteAll(data + QStringLiteral("/applications/nimbra-test-editor.desktop"),
                     "[Desktop Entry]\nType=Application\nName=Test editor\nExec=\"" + QFile::encodeName(dir_.filePath(QStringLiteral("editor.sh"))) + "\" %f\n"));
    // A launcher that starts the editor in the background and ends at once.
    QVERIFY(WriteAll(data + QStringLiteral("/applications/nimbra-test-wrapper.desktop"),
                     "[Desktop Entry]\nType=Application\nName=Wrapper\nExec=sh -c \"\\\"$0\\\" \\\"$1\\\" &\" \""
                         + QFile::encodeName(dir_.filePath(QStringLiteral("editor.sh"))) + "\" %f\n"));
    // A client that hands the file to an instance already running and ends.
    QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), dir_.filePath(QStringLiteral("viewer"))));
    QVERIFY(WriteAll(data + QStringLiteral("/applications/nimbra-test-viewer.desktop"),
                     "[Desktop Entry]\nType=Application\nName=Viewer\nExec=\"" + QFile::encodeName(dir_.filePath(QStringLiteral("viewer")))
                         + "\" %f\n"));
    QVERIFY(WriteAll(dir_.filePath(QStringLiteral("config/mimeapps.list")),
                     "[Default Applications]\ntext/plain=nimbra-test-editor.desktop\ntext/csv=nimbra-test-wrapper.desktop\n"
                     "application/xml=nimbra-test-viewer.desktop\n"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.filePath(QStringLiteral("config"))));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(dir_.filePath(QStringLiteral("none"))));
    ProcessTracker::SetSettleTime(400);
    OpenedFileList::SetSettleTimes(300, 5000);

    const QByteArray pw = Utf16Le(QStringLiteral("password1"));
    QCOMPARE(keys_.CreateNew(reinterpret_cast<const std::uint8_t*>(pw.constData()), static_cast<std::size_t>(pw.size())), S_OK);
    languages_.AddPack(0, QStringLiteral(NIMBRA_LANG_DIR "/LangENG.json"));
    (void)languages_.SelectLanguage(0, true);
    store_ = std::make_unique<EncryptedStore>(dir_.filePath(QStringLiteral("stick/Encrypted Data")), keys_);
    launch_ = dir_.filePath(QStringLiteral("stick/LaunchBin"));
    MessageBox::Install(&answers_);
}

QString TestOpened::Add(const QString& relative, const QByteArray& content, const QString& to)
{
    const QString host = dir_.filePath(QStringLiteral("host/") + relative);
    QDir().mkpath(QFileInfo(host).path());
    WriteAll(host, content);
    QString folder;
    (void)store_->EnsureStoreFolders(QString(), to, &folder);
    DirectoryEntry info;
    (void)FileSystem::Info(host, &info);
    std::uint32_t id = 0;
    (void)CopyToDeviceThread::EncryptFileIntoStore(*store_, host, folder, info, &id, nullptr, nullptr, true);
    return EncryptedStore::StoredPathOf(folder, id);
}

QByteArray TestOpened::Stored(const QString& display)
{
    QString path;
    ManifestEntry entry;
    if (Failed(store_->Resolve(display, &path, &entry)))
        return "<missing>";
    CryptPtr engine = MakeEngine(QByteArray(reinterpret_cast<const char*>(keys_.GetMasterKey()), 32));
    const QString out = dir_.filePath(QStringLiteral("peek"));
    QFile::remove(out);
    return Succeeded(engine->DecryptFileToFile(path, out, nullptr, nullptr, nullptr)) ? ReadAll(out) : "<unreadable>";
}

void TestOpened::execLines()
{
    QCOMPARE(DesktopApps::ExpandExec(QStringLiteral("gedit %U"), QStringLiteral("/a b.txt")),
             (QStringList {QStringLiteral("gedit"), QStringLiteral("/a b.txt")}));
    QCOMPARE(DesktopApps::ExpandExec(QStringLiteral("\"/opt/my app/run\" --new %i %f"), QStringLiteral("/x")),
             (QStringList {QStringLiteral("/opt/my app/run"), QStringLiteral("--new"), QStringLiteral("/x")}));
    QCOMPARE(DesktopApps::ExpandExec(QStringLiteral("viewer --file=%f 100%%"), QStringLiteral("/x")),
             (QStringList {QStringLiteral("viewer"), QStringLiteral("--file=/x"), QStringLiteral("100%")}));
    QCOMPARE(DesktopApps::ExpandExec(QStringLiteral("noargs"), QStringLiteral("/x")),
             (QStringList {QStringLiteral("noargs"), QStringLiteral("/x")}));
    QCOMPARE(DesktopApps::ExpandExec(QStringLiteral("\"quoted \\\"inner\\\"\""), QStringLiteral("/x")).first(),
             QStringLiteral("quoted \"inner\""));
    QCOMPARE(DesktopApps::DefaultApplication(QStringLiteral("text/plain")), QStringLiteral("nimbra-test-editor.desktop"));
    QCOMPARE(DesktopApps::DefaultApplication(QStringLiteral("application/x-nothing-at-all")), QString());

    // Open With: the default program first, then the others that take the
    // type (or a type it derives from) by name; hidden entries left out.
    const QString apps = QFile::decodeName(qgetenv("XDG_DATA_HOME")) + QStringLiteral("/applications/");
    QVERIFY(WriteAll(apps + QStringLiteral("nimbra-test-zed.desktop"),
                     "[Desktop Entry]\nType=Application\nName=Zed\nExec=zed %f\nMimeType=text/plain;\n"));
    QVERIFY(WriteAll(apps + QStringLiteral("nimbra-test-any.desktop"),
                     "[Desktop Entry]\nType=Application\nName=Any text\nExec=any %F\nMimeType=text/plain;image/png;\n"));
    QVERIFY(WriteAll(apps + QStringLiteral("nimbra-test-hidden.desktop"),
                     "[Desktop Entry]\nType=Application\nName=Hidden\nExec=hid %f\nNoDisplay=true\nMimeType=text/plain;\n"));
    QVERIFY(WriteAll(apps + QStringLiteral("nimbra-test-images.desktop"),
                     "[Desktop Entry]\nType=Application\nName=Images\nExec=img %f\nMimeType=image/png;\n"));
    const QString text = dir_.filePath(QStringLiteral("notes.txt"));
    QVERIFY(WriteAll(text, "words"));
    // The machine's own programs may come between; the test's keep their order.
    const QStringList ours {QStringLiteral("Test editor"), QStringLiteral("Any text"), QStringLiteral("Zed"),
                            QStringLiteral("Hidden"), QStringLiteral("Images")};
    QStringList names;
    for (const DesktopProgram& program : DesktopApps::ProgramsFor(text)) {
        if (ours.contains(program.name) || names.isEmpty())
            names << program.name;
    }
    QCOMPARE(names, (QStringList {QStringLiteral("Test editor"), QStringLiteral("Any text"), QStringLiteral("Zed")}));
    QCOMPARE(DesktopApps::CommandWith(QStringLiteral("nimbra-test-zed.desktop"), text),
             (QStringList {QStringLiteral("zed"), text}));
    QVERIFY(DesktopApps::CommandWith(QStringLiteral("nimbra-test-gone.desktop"), text).isEmpty());
}

void TestOpened::openEditWriteBack()
{
    const QString stored = Add(QStringLiteral("a.txt"), "original\n", QStringLiteral("Docs"));
    const QString untouched = Add(QStringLiteral("keep.txt"), "plain\n", QStringLiteral("Docs"));
    {
        OpenedFileList opened(*store_, launch_, languages_);
        HeadlessProgress progress(&languages_);
        QCOMPARE(opened.OpenStoredItem(stored, QStringLiteral("Docs/a.txt"), &progress), S_OK);
        QVERIFY(QFileInfo(launch_).isDir());
        QVERIFY(QFileInfo::exists(launch_ + QStringLiteral("/Docs/a.txt")));
        // Decrypted copies are the owner's alone, their folders too.
        const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
        QCOMPARE(QFileInfo(launch_ + QStringLiteral("/Docs/a.txt")).permissions() & 0x0777,
                 QFileDevice::Permissions(ownerOnly) & 0x0777);
        for (const QString& folder : {launch_, launch_ + QStringLiteral("/Docs")})
            QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFileDevice::Permissions());
        QCOMPARE(opened.Programs().Records().size(), 1);
        QVERIFY(opened.Programs().Records().first().startedHere);
        QCOMPARE(opened.LockFileCount(), std::size_t(1));  // .~lock.a.txt#
        // A second copy that its program leaves as it was.
        QCOMPARE(opened.DecryptAndOpen(untouched, launch_ + QStringLiteral("/Docs/keep.txt"), &progress), S_OK);
        QCOMPARE(opened.OpenedCount(), std::size_t(2));
        QVERIFY(WriteAll(launch_ + QStringLiteral("/Docs/new.txt"), "saved in the launch folder"));
        QCOMPARE(opened.CleanUpLaunchFolder(&progress), S_OK);
        QCOMPARE(opened.LockFileCount(), std::size_t(0));
        QVERIFY(opened.Programs().Records().isEmpty());
    }
    QCOMPARE(Stored(QStringLiteral("Docs/a.txt")), QByteArray("original\nedited\n"));
    QCOMPARE(Stored(QStringLiteral("Docs/keep.txt")), QByteArray("plain\n"));
    QCOMPARE(Stored(QStringLiteral("Docs/new.txt")), QByteArray("saved in the launch folder"));
    QVERIFY(!QFileInfo::exists(launch_));
    QCOMPARE(Stored(QStringLiteral("Docs/.~lock.a.txt#")), QByteArray("<missing>"));
}

void TestOpened::reopenKeepsTheEditedCopy()
{
    const QString stored = Add(QStringLiteral("c.txt"), "stored\n", QStringLiteral("Docs"));
    OpenedFileList opened(*store_, launch_, languages_);
    const QString copy = launch_ + QStringLiteral("/Docs/c.txt");
    QCOMPARE(opened.DecryptAndOpen(stored, copy, nullptr), S_OK);
    opened.Programs().CloseAll(false);
    QVERIFY(WriteAll(copy, "my own edit\n"));
    QCOMPARE(opened.DecryptAndOpen(stored, copy, nullptr), S_OK);
    opened.Programs().CloseAll(false);
    QCOMPARE(ReadAll(copy), QByteArray("my own edit\nedited\n"));  // not decrypted again
    QCOMPARE(opened.OpenedCount(), std::size_t(1));
    QCOMPARE(opened.CleanUpLaunchFolder(nullptr), S_OK);
    QCOMPARE(Stored(QStringLiteral("Docs/c.txt")), QByteArray("my own edit\nedited\n"));
}

void TestOpened::numberedNamesOnClash()
{
    Add(QStringLiteral("x/report.docx"), "v0", QStringLiteral("Reports"));
    Add(QStringLiteral("x/report.001.docx"), "v1", QStringLiteral("Reports"));
    Add(QStringLiteral("x/notes"), "n0", QStringLiteral("Reports"));
    OpenedFileList opened(*store_, launch_, languages_);
    QVERIFY(QDir().mkpath(launch_ + QStringLiteral("/Reports")));
    QVERIFY(WriteAll(launch_ + QStringLiteral("/Reports/report.docx"), "v2"));
    QVERIFY(WriteAll(launch_ + QStringLiteral("/Reports/notes"), "n1"));
    QCOMPARE(opened.WriteBackFile(launch_ + QStringLiteral("/Reports/report.docx"), false), S_OK);
    QCOMPARE(opened.WriteBackFile(launch_ + QStringLiteral("/Reports/notes"), false), S_OK);
    QCOMPARE(Stored(QStringLiteral("Reports/report.002.docx")), QByteArray("v2"));
    QCOMPARE(Stored(QStringLiteral("Reports/report.docx")), QByteArray("v0"));
    QCOMPARE(Stored(QStringLiteral("Reports/notes.001")), QByteArray("n1"));
    QVERIFY(!QFileInfo::exists(launch_ + QStringLiteral("/Reports/notes")));  // written back, then wiped
    QDir(launch_).removeRecursively();
}

void TestOpened::discardOpenedCopy()
{
    const QString stored = Add(QStringLiteral("d.txt"), "d\n", QStringLiteral("Docs"));
    OpenedFileList opened(*store_, launch_, languages_);
    const QString copy = launch_ + QStringLiteral("/Docs/d.txt");
    QCOMPARE(opened.DecryptAndOpen(stored, copy, nullptr), S_OK);
    opened.Programs().CloseAll(false);
    QVERIFY(WriteAll(launch_ + QStringLiteral("/Docs/d-notes.txt"), "beside"));
    opened.DiscardOpenedCopy(copy);
    opened.DiscardOpenedCopy(launch_ + QStringLiteral("/Docs/d-notes.txt"));  // not listed: left alone
    QVERIFY(!QFileInfo::exists(copy));
    QVERIFY(QFileInfo::exists(launch_ + QStringLiteral("/Docs/d-notes.txt")));
    QCOMPARE(opened.OpenedCount(), std::size_t(0));
    QDir(launch_).removeRecursively();
}

void TestOpened::failedWriteBackIsReported()
{
    const QString stored = Add(QStringLiteral("e.txt"), "kept\n", QStringLiteral("Broken"));
    OpenedFileList opened(*store_, launch_, languages_);
    const QString copy = launch_ + QStringLiteral("/Broken/e.txt");
    QCOMPARE(opened.DecryptAndOpen(stored, copy, nullptr), S_OK);
    opened.Programs().CloseAll(false);
    // The folder's list becomes unreadable: the edit cannot go back.
    const QString folder = NativePath::ParentOf(stored);
    const QByteArray manifest = ReadAll(folder + QStringLiteral("/.manifest"));
    QVERIFY(WriteAll(folder + QStringLiteral("/.manifest"), "garbage"));
    QVERIFY(WriteAll(folder + QStringLiteral("/.manifest.bak"), "garbage"));
    QCOMPARE(opened.CleanUpLaunchFolder(nullptr), E_STORE_MANIFEST);
    QVERIFY(!QFileInfo::exists(launch_));
    // The stored version is as it was.
    QVERIFY(WriteAll(folder + QStringLiteral("/.manifest"), manifest));
    QCOMPARE(Stored(QStringLiteral("Broken/e.txt")), QByteArray("kept\n"));
}

void TestOpened::stubbornProgram()
{
    QProcess stubborn;
    stubborn.start(dir_.filePath(QStringLiteral("stubborn.sh")), {});
    QVERIFY(stubborn.waitForReadyRead(10000));
    const qint64 pid = stubborn.processId();
    ProcessIdentity identity;
    QVERIFY(Processes::Identify(pid, &identity));
    QList<TrackedProcess> found;
    QVERIFY(!ProcessTracker::CloseProgram(ProcessIdentity {}, false));
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!ProcessTracker::CloseProgram(identity, false));
    QVERIFY(timer.elapsed() >= 4900);
    QVERIFY(Processes::IsRunning(pid));
    QVERIFY(ProcessTracker::CloseProgram(identity, true));
    stubborn.waitForFinished();

    // A program found by its executable.
    const QString sleeper = dir_.filePath(QStringLiteral("sleeper"));
    QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), sleeper));
    QProcess running;
    running.start(sleeper, {QStringLiteral("30")});
    QVERIFY(running.waitForStarted());
    QThread::msleep(100);
    QVERIFY(ProcessTracker::FindRunningInstances(sleeper, &found));
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first().pid, running.processId());
    running.kill();
    running.waitForFinished();
}

void TestOpened::wrapperThatEndsAtOnce()
{
    // Someone else's shell: the same executable as the launcher's.
    QProcess bystander;
    bystander.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("sleep 60")});
    QVERIFY(bystander.waitForStarted());
    const QString stored = Add(QStringLiteral("w.csv"), "a,b\n", QStringLiteral("Sheets"));
    {
        OpenedFileList opened(*store_, launch_, languages_);
        QCOMPARE(opened.OpenStoredItem(stored, QStringLiteral("Sheets/w.csv"), nullptr), S_OK);
        QCOMPARE(opened.Programs().Records().size(), 1);
        QVERIFY(opened.Programs().IsAnyRunning());  // the editor, though its launcher has ended
        QCOMPARE(opened.CleanUpLaunchFolder(nullptr), S_OK);
        QVERIFY(!opened.Programs().IsAnyRunning());
    }
    QCOMPARE(Stored(QStringLiteral("Sheets/w.csv")), QByteArray("a,b\nedited\n"));
    QCOMPARE(bystander.state(), QProcess::Running);
    bystander.kill();
    bystander.waitForFinished();
}

void TestOpened::fileHandedToARunningInstance()
{
    QProcess running;
    running.start(dir_.filePath(QStringLiteral("viewer")), {QStringLiteral("60")});
    QVERIFY(running.waitForStarted());
    const QString stored = Add(QStringLiteral("h.xml"), "<a/>\n", QStringLiteral("Docs"));
    {
        OpenedFileList opened(*store_, launch_, languages_);
        QCOMPARE(opened.OpenStoredItem(stored, QStringLiteral("Docs/h.xml"), nullptr), S_OK);
        QVERIFY(opened.Programs().Records().isEmpty());
        QVERIFY(!opened.Programs().IsAnyRunning());
        QCOMPARE(opened.CleanUpLaunchFolder(nullptr), S_OK);
    }
    // It may hold other work: it is never asked to close.
    QThread::msleep(200);
    QCOMPARE(running.state(), QProcess::Running);
    running.kill();
    running.waitForFinished();
    QVERIFY(!QFileInfo::exists(launch_));
}

void TestOpened::unsafeDisplayNames_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("parent") << QStringLiteral("..");
    QTest::newRow("self") << QStringLiteral(".");
}

void TestOpened::unsafeDisplayNames()
{
    QFETCH(QString, folder);
    // A list that names a folder so, as an old store or a crafted one may.
    QString docs;
    QCOMPARE(store_->EnsureStoreFolders(QString(), QStringLiteral("Crafted"), &docs), S_OK);
    StoreManifest manifest(keys_);
    manifest.Open(EncryptedStore::ManifestPathOf(docs), false);
    QVERIFY(manifest.IsLoaded());
    const ManifestEntry entry = manifest.AddEntry(folder, true, 0, docs);
    QCOMPARE(manifest.Save(), S_OK);
    manifest.Close();
    const QString crafted = EncryptedStore::StoredPathOf(docs, entry.id);
    QVERIFY(QDir().mkpath(crafted));
    const QString stored = Add(QStringLiteral("escape.txt"), "secret\n", QStringLiteral("Elsewhere"));
    QVERIFY(QFile::rename(stored, crafted + QStringLiteral("/1")));

    OpenedFileList opened(*store_, launch_, languages_);
    const QString display = QStringLiteral("Crafted/") + folder + QStringLiteral("/escape.txt");
    QCOMPARE(opened.OpenStoredItem(crafted + QStringLiteral("/1"), display, nullptr), E_STORE_BAD_NAME);
    QCOMPARE(opened.DecryptAndOpen(crafted + QStringLiteral("/1"), launch_ + QLatin1Char('/') + display, nullptr),
             E_STORE_BAD_NAME);
    QVERIFY(!QFileInfo::exists(launch_ + QStringLiteral("/escape.txt")));
    QVERIFY(!QFileInfo::exists(launch_ + QStringLiteral("/Crafted")));
    QCOMPARE(opened.WriteBackFile(launch_ + QStringLiteral("/../outside.txt"), true), E_INVALIDARG);
    QCOMPARE(opened.WriteBackFile(dir_.filePath(QStringLiteral("editor.sh")), true), E_INVALIDARG);
    QVERIFY(QFileInfo::exists(dir_.filePath(QStringLiteral("editor.sh"))));
    QDir(launch_).removeRecursively();
}

void TestOpened::lockFilesMadeLater()
{
    const QString stored = Add(QStringLiteral("l.txt"), "lock test\n", QStringLiteral("Locks"));
    OpenedFileList opened(*store_, launch_, languages_);
    QCOMPARE(opened.OpenStoredItem(stored, QStringLiteral("Locks/l.txt"), nullptr), S_OK);
    // Made after the settle time: not held, but still the program's own.
    QVERIFY(WriteAll(launch_ + QStringLiteral("/Locks/~$l.docx"), "owner"));
    QVERIFY(QDir().mkpath(launch_ + QStringLiteral("/Locks/.~lock.dir#")));
    QVERIFY(WriteAll(launch_ + QStringLiteral("/Locks/.~lock.dir#/inner"), "owner"));
    QCOMPARE(opened.CleanUpLaunchFolder(nullptr), S_OK);
    QCOMPARE(Stored(QStringLiteral("Locks/~$l.docx")), QByteArray("<missing>"));
    QCOMPARE(Stored(QStringLiteral("Locks/.~lock.dir#/inner")), QByteArray("<missing>"));
    QCOMPARE(Stored(QStringLiteral("Locks/.~lock.l.txt#")), QByteArray("<missing>"));
    QCOMPARE(Stored(QStringLiteral("Locks/l.txt")), QByteArray("lock test\nedited\n"));
    QVERIFY(!QFileInfo::exists(launch_));
}

void TestOpened::undecodableNamesAreWipedAndReported()
{
    QVERIFY(QDir().mkpath(launch_ + QStringLiteral("/Docs")));
    const QByteArray root = QFile::encodeName(launch_);
    // Latin-1 bytes: not UTF-8. A second link outside shows what became of the data.
    const QByteArray bad = root + "/Docs/caf\xe9.txt";
    const QByteArray badFolder = root + "/\xff";
    const QByteArray inner = badFolder + "/inner.txt";
    QCOMPARE(::mkdir(badFolder.constData(), 0700), 0);
    for (const QByteArray& path : {bad, inner}) {
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0600);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, "plaintext secret", 16), 16);
        ::close(fd);
    }
    const QByteArray witness = QFile::encodeName(dir_.filePath(QStringLiteral("witness")));
    const QByteArray innerWitness = witness + "-inner";
    QCOMPARE(::link(bad.constData(), witness.constData()), 0);
    QCOMPARE(::link(inner.constData(), innerWitness.constData()), 0);

    const QStringList listed = OpenedFileList::FindLeftovers(launch_);
    QCOMPARE(listed.size(), 2);
    QVERIFY(listed.contains(QStringLiteral("Docs/caf\uFFFD.txt")));

    const qsizetype asked = answers_.Asked().size();
    OpenedFileList opened(*store_, launch_, languages_);
    bool found = false;
    QCOMPARE(opened.CleanUpLeftovers(nullptr, &found), StatusFromWin32(win32::kInvalidName));
    QVERIFY(found);
    QVERIFY(!QFileInfo::exists(launch_));
    QCOMPARE(ReadAll(QFile::decodeName(witness)), QByteArray(16, '\0'));
    QCOMPARE(ReadAll(QFile::decodeName(innerWitness)), QByteArray(16, '\0'));
    const QList<MessageBoxRequest> requests = answers_.Asked().mid(asked);
    QCOMPARE(requests.size(), 2);
    QVERIFY(requests.first().text.contains(QStringLiteral("not valid UTF-8")));
    QVERIFY(OpenedFileList::FindLeftovers(launch_).isEmpty());
}

void TestOpened::leftoversOfACrash()
{
    const QString same = Add(QStringLiteral("same.txt"), "untouched\n", QStringLiteral("Crash"));
    Add(QStringLiteral("changed.txt"), "before\n", QStringLiteral("Crash"));
    const QByteArray sameEncrypted = ReadAll(same);
    // What a run that died while its copies were open leaves behind.
    QVERIFY(QDir().mkpath(launch_ + QStringLiteral("/Crash")));
    CryptPtr engine = MakeEngine(QByteArray(reinterpret_cast<const char*>(keys_.GetMasterKey()), 32));
    QCOMPARE(engine->DecryptFileToFile(same, launch_ + QStringLiteral("/Crash/same.txt"), nullptr, nullptr, nullptr), S_OK);
    QVERIFY(WriteAll(launch_ + QStringLiteral("/Crash/changed.txt"), "after the edit\n"));
    QVERIFY(WriteAll(launch_ + QStringLiteral("/Crash/new.txt"), "saved beside\n"));
    QVERIFY(WriteAll(launch_ + QStringLiteral("/Crash/.nbr-opening"), "half a decrypt"));
    QVERIFY(WriteAll(launch_ + QStringLiteral("/Crash/~$changed.txt"), "lock"));
    QCOMPARE(OpenedFileList::FindLeftovers(launch_).size(), 5);

    OpenedFileList next(*store_, launch_, languages_);
    bool found = false;
    QCOMPARE(next.CleanUpLeftovers(nullptr, &found), S_OK);
    QVERIFY(found);
    QVERIFY(!QFileInfo::exists(launch_));
    QCOMPARE(ReadAll(same), sameEncrypted);  // wiped, not stored again
    QCOMPARE(Stored(QStringLiteral("Crash/changed.txt")), QByteArray("after the edit\n"));
    QCOMPARE(Stored(QStringLiteral("Crash/new.txt")), QByteArray("saved beside\n"));
    QCOMPARE(Stored(QStringLiteral("Crash/.nbr-opening")), QByteArray("<missing>"));
    QCOMPARE(Stored(QStringLiteral("Crash/~$changed.txt")), QByteArray("<missing>"));
    QCOMPARE(next.CleanUpLeftovers(nullptr, &found), S_OK);
    QVERIFY(!found);
}

void TestOpened::neverDecryptsOverACopy()
{
    const QString stored = Add(QStringLiteral("n.txt"), "stored\n", QStringLiteral("Over"));
    QVERIFY(QDir().mkpath(launch_ + QStringLiteral("/Over")));
    QVERIFY(WriteAll(launch_ + QStringLiteral("/Over/n.txt"), "an edit from before\n"));
    OpenedFileList opened(*store_, launch_, languages_);
    QCOMPARE(opened.OpenStoredItem(stored, QStringLiteral("Over/n.txt"), nullptr), StatusFromWin32(win32::kFileExists));
    QCOMPARE(ReadAll(launch_ + QStringLiteral("/Over/n.txt")), QByteArray("an edit from before\n"));
    QCOMPARE(opened.OpenedCount(), std::size_t(0));
    QCOMPARE(opened.CleanUpLeftovers(nullptr), S_OK);
    QCOMPARE(Stored(QStringLiteral("Over/n.txt")), QByteArray("an edit from before\n"));
    // Once it is stored, the open goes through.
    QCOMPARE(opened.OpenStoredItem(stored, QStringLiteral("Over/n.txt"), nullptr), S_OK);
    QCOMPARE(opened.CleanUpLaunchFolder(nullptr), S_OK);
    QCOMPARE(Stored(QStringLiteral("Over/n.txt")), QByteArray("an edit from before\nedited\n"));
}

void TestOpened::waitsForACopyToSettle()
{
    // The file went to a program that was already running: nothing is
    // tracked, and what it handed the file to writes a moment later.
    QProcess running;
    running.start(dir_.filePath(QStringLiteral("viewer")), {QStringLiteral("60")});
    QVERIFY(running.waitForStarted());
    const QString stored = Add(QStringLiteral("late.xml"), "<a/>\n", QStringLiteral("Late"));
    const QString copy = launch_ + QStringLiteral("/Late/late.xml");
    OpenedFileList::SetSettleTimes(1500, 10000);
    {
        OpenedFileList opened(*store_, launch_, languages_);
        QCOMPARE(opened.OpenStoredItem(stored, QStringLiteral("Late/late.xml"), nullptr), S_OK);
        QVERIFY(opened.Programs().Records().isEmpty());
        QVERIFY(QProcess::startDetached(QStringLiteral("sh"),
                                        {QStringLiteral("-c"), QStringLiteral("sleep 0.7; echo '<b/>' >> \"$0\""), copy}));
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(opened.CleanUpLaunchFolder(nullptr), S_OK);
        QVERIFY(timer.elapsed() >= 1500);
        QVERIFY(opened.KeptCopies().isEmpty());
    }
    OpenedFileList::SetSettleTimes(300, 5000);
    QCOMPARE(Stored(QStringLiteral("Late/late.xml")), QByteArray("<a/>\n<b/>\n"));
    QVERIFY(!QFileInfo::exists(launch_));
    running.kill();
    running.waitForFinished();
}

void TestOpened::keepsACopyStillBeingWritten()
{
    const QString stored = Add(QStringLiteral("held.xml"), "<a/>\n", QStringLiteral("Held"));
    const QString copy = launch_ + QStringLiteral("/Held/held.xml");
    OpenedFileList::SetSettleTimes(200, 1200);
    {
        OpenedFileList opened(*store_, launch_, languages_);
        QCOMPARE(opened.OpenStoredItem(stored, QStringLiteral("Held/held.xml"), nullptr), S_OK);
        // Something holds the copy open for writing past the limit; a file
        // saved beside it has settled.
        QProcess writer;
        writer.start(QStringLiteral("sh"), {QStringLiteral("-c"),
                                            QStringLiteral("exec 3>>\"$0\"; echo '<b/>' >&3; echo ready; exec sleep 30"), copy});
        QVERIFY(writer.waitForReadyRead(5000));
        QVERIFY(WriteAll(launch_ + QStringLiteral("/Held/beside.txt"), "beside\n"));
        HeadlessProgress progress(&languages_);
        QStringList told;
        progress.SetObserver([&] {
            const QString line = progress.State().line1;
            if (!line.isEmpty() && !told.contains(line))
                told << line;
        });
        QCOMPARE(opened.CleanUpLaunchFolder(&progress), E_STORE_COPIES_KEPT);
        progress.SetObserver(nullptr);
        QCOMPARE(opened.KeptCopies(), QStringList {QStringLiteral("Held/held.xml")});
        QCOMPARE(told, QStringList {languages_.FormatText(msg::kWaitingForCopy, {QStringLiteral("Held/held.xml"), 2})});
        QVERIFY(progress.State().line1.isEmpty());
        // The copy is as the writer left it, and alone in the launch folder.
        QCOMPARE(ReadAll(copy), QByteArray("<a/>\n<b/>\n"));
        QCOMPARE(OpenedFileList::FindLeftovers(launch_), QStringList {QStringLiteral("Held/held.xml")});
        QCOMPARE(Stored(QStringLiteral("Held/beside.txt")), QByteArray("beside\n"));
        QCOMPARE(Stored(QStringLiteral("Held/held.xml")), QByteArray("<a/>\n"));
        writer.kill();
        writer.waitForFinished();
    }
    // The next start's clean-up of leftovers stores it.
    OpenedFileList next(*store_, launch_, languages_);
    bool found = false;
    QCOMPARE(next.CleanUpLeftovers(nullptr, &found), S_OK);
    QVERIFY(found);
    QVERIFY(next.KeptCopies().isEmpty());
    QCOMPARE(Stored(QStringLiteral("Held/held.xml")), QByteArray("<a/>\n<b/>\n"));
    QVERIFY(!QFileInfo::exists(launch_));
    OpenedFileList::SetSettleTimes(300, 5000);
}

QTEST_GUILESS_MAIN(TestOpened)
#include "tst_opened.moc"
