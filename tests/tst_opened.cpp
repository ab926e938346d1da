// Opening stored files in their programs and writing them back: a small
// script stands in for the associated program, registered through a
// temporary XDG data folder with its own MIME association.

#include "TestSupport.h"

#include "app/HeadlessProgress.h"
#include "app/LanguageManager.h"
#include "app/MessageBox.h"
#include "app/ScriptedMessageBox.h"
#include "platform/DesktopApps.h"
#include "platform/NativePath.h"
#include "platform/Processes.h"
#include "security/SecParams.h"
#include "store/CopyToDeviceThread.h"
#include "store/EncryptedStore.h"
#include "store/OpenedFileList.h"
#include "store/ProcessTracker.h"
#include "store/StoreStatus.h"

#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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
    QVERIFY(WriteAll(dir_.filePath(QStringLiteral("config/mimeapps.list")),
                     "[Default Applications]\ntext/plain=nimbra-test-editor.desktop\n"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.filePath(QStringLiteral("config"))));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(dir_.filePath(QStringLiteral("none"))));
    ProcessTracker::SetSettleTime(400);

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
    QList<TrackedProcess> found;
    QVERIFY(!ProcessTracker::CloseProgram(0, false));
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!ProcessTracker::CloseProgram(pid, false));
    QVERIFY(timer.elapsed() >= 4900);
    QVERIFY(Processes::IsRunning(pid));
    QVERIFY(ProcessTracker::CloseProgram(pid, true));
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

QTEST_GUILESS_MAIN(TestOpened)
#include "tst_opened.moc"
