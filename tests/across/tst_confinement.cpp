// Nothing outside the store is ever touched: links planted on the stick,
// links and special files in a dropped folder, names that differ only in
// letter case, items that cannot be read, and copies out that meet a bad one.

#include "CliTestSupport.h"
#include "TestSupport.h"

#include "platform/ConfinedPath.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "platform/NativeFile.h"
#include "store/FileUtilities.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace nbr;
using namespace nbr::test;

namespace {

// A host folder with files that must survive whatever happens on the stick.
struct Bystander {
    QTemporaryDir dir;
    Bystander()
    {
        (void)WriteAll(dir.filePath(QStringLiteral("precious.txt")), "do not touch");
        (void)QDir().mkpath(dir.filePath(QStringLiteral("sub")));
        (void)WriteAll(dir.filePath(QStringLiteral("sub/deep.txt")), "deep");
    }
    QString File() const { return dir.filePath(QStringLiteral("precious.txt")); }
    bool Intact() const
    {
        return ReadAll(dir.filePath(QStringLiteral("precious.txt"))) == "do not touch"
               && ReadAll(dir.filePath(QStringLiteral("sub/deep.txt"))) == "deep"
               && QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size() == 2;
    }
};

// `name` below the stick's store folder.
QString StorePath(const QString& root, const QString& name = {})
{
    const QString store = root + QStringLiteral("/Encrypted Data");
    return name.isEmpty() ? store : store + QLatin1Char('/') + name;
}

bool Link(const QString& target, const QString& at)
{
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(at).constData()) == 0;
}

bool IsLink(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

QStringList g_changes;
void Record(const char* what)
{
    g_changes << QString::fromLatin1(what);
}

QStringList Args(const QStringList& global, std::initializer_list<QString> more)
{
    return global + QStringList(more);
}

}  // namespace

class TestConfinement : public QObject {
    Q_OBJECT

private slots:
    void killedGetLeavesNoCutFile();
    void deleteTreeRemovesLinksNotTargets_data();
    void deleteTreeRemovesLinksNotTargets();
    void deleteTreeWipesOddNamesAndKeepsTheKeptFile();
    void confinedFolderRefusesLinksOnTheWay();
    void reusedWalkMeetsAFolderSwappedForALink();
    void plantedLinksInTheStore_data();
    void plantedLinksInTheStore();
    void fifosInTheStoreNeverHang_data();
    void fifosInTheStoreNeverHang();
    void storeFolderItselfALink();
    void launchFolderALink();
    void importTakesLinksAndSpecialFilesByTheRule();
    void importKeepsNamesThatDifferInCase();
    void importReportsWhatItCannotRead();
    void importRefusesTheStoreItself_data();
    void importRefusesTheStoreItself();
    void wipesReachTheDeviceBeforeTheDelete();
    void copyOutGoesOnPastABadItem();
    void replacingAHostFileWithALongName();
    void privateTemporaryFolders();
};

void TestConfinement::deleteTreeRemovesLinksNotTargets_data()
{
    QTest::addColumn<bool>("wipe");
    QTest::newRow("delete") << false;
    QTest::newRow("wipe") << true;
}

void TestConfinement::deleteTreeRemovesLinksNotTargets()
{
    QFETCH(bool, wipe);
    Bystander host;
    QTemporaryDir tree;
    const QString t = tree.filePath(QStringLiteral("t"));
    QVERIFY(QDir().mkpath(t + QStringLiteral("/inner")));
    QVERIFY(WriteAll(t + QStringLiteral("/inner/own.txt"), "own"));
    QVERIFY(Link(host.dir.path(), t + QStringLiteral("/to-folder")));
    QVERIFY(Link(host.File(), t + QStringLiteral("/inner/to-file")));
    QVERIFY(Link(QStringLiteral("."), t + QStringLiteral("/self")));
    QVERIFY(Link(host.dir.filePath(QStringLiteral("gone")), t + QStringLiteral("/dangling")));
    QVERIFY(FileUtilities::DeleteTree(t, nullptr, false, wipe));
    QVERIFY(!QFileInfo::exists(t) && !IsLink(t));
    QVERIFY(host.Intact());

    // The top itself a link: the link goes, what it points at stays.
    QVERIFY(Link(host.dir.path(), t));
    QVERIFY(FileUtilities::DeleteTree(t, nullptr, false, wipe));
    QVERIFY(!IsLink(t));
    QVERIFY(host.Intact());
}

void TestConfinement::deleteTreeWipesOddNamesAndKeepsTheKeptFile()
{
    QTemporaryDir tree;
    const QString t = tree.filePath(QStringLiteral("t"));
    QVERIFY(QDir().mkpath(t + QStringLiteral("/a")));
    const QByteArray odd = QFile::encodeName(t) + "/a/caf\xe9.txt";  // Latin-1, not UTF-8
    {
        const int fd = ::open(odd.constData(), O_CREAT | O_WRONLY, 0600);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, "plain", 5), 5);
        ::close(fd);
    }
    QVERIFY(WriteAll(t + QStringLiteral("/a/keep.enc"), "kept"));
    QVERIFY(WriteAll(t + QStringLiteral("/b.txt"), "b"));
    QStringList oddNames;
    QVERIFY(FileUtilities::DeleteTree(t, nullptr, false, true, t + QStringLiteral("/a/keep.enc"), &oddNames));
    QCOMPARE(oddNames.size(), 1);
    QVERIFY(oddNames.first().startsWith(t + QStringLiteral("/a/caf")));
    struct stat st {};
    QVERIFY(::lstat(odd.constData(), &st) != 0);
    QCOMPARE(ReadAll(t + QStringLiteral("/a/keep.enc")), QByteArray("kept"));
    QVERIFY(!QFileInfo::exists(t + QStringLiteral("/b.txt")));
}

void TestConfinement::confinedFolderRefusesLinksOnTheWay()
{
    Bystander host;
    QTemporaryDir stick;
    const QString store = stick.filePath(QStringLiteral("box"));
    QVERIFY(QDir().mkpath(store));
    ConfinedPath::Confine(store);
    QVERIFY(Link(host.dir.path(), store + QStringLiteral("/5")));
    QVERIFY(Link(host.File(), store + QStringLiteral("/6")));
    const Status refused = StatusFromWin32(win32::kStoppedOnSymlink);

    NativeFile file;
    QCOMPARE(file.CreateAlways(store + QStringLiteral("/5/new"), nullptr), refused);
    QCOMPARE(file.OpenReadWrite(store + QStringLiteral("/6"), false, nullptr), refused);
    QCOMPARE(file.OpenRead(store + QStringLiteral("/5/precious.txt")), refused);
    QList<DirectoryEntry> entries;
    QCOMPARE(FileSystem::List(store + QStringLiteral("/5"), &entries), refused);
    QCOMPARE(FileSystem::CreateFolder(store + QStringLiteral("/5/x"), nullptr), refused);
    QCOMPARE(FileSystem::RemoveFile(store + QStringLiteral("/5/precious.txt")), refused);
    QCOMPARE(FileSystem::Rename(store + QStringLiteral("/5/precious.txt"), store + QStringLiteral("/7")), refused);
    QVERIFY(!FileUtilities::WipeFile(store + QStringLiteral("/6")));
    DirectoryEntry info;
    QVERIFY(Succeeded(FileSystem::Info(store + QStringLiteral("/6"), &info)));
    QVERIFY(info.isLink && !info.isFolder);
    // A link itself may go: it is removed, never followed.
    QVERIFY(Succeeded(FileSystem::RemoveFile(store + QStringLiteral("/6"))));
    QVERIFY(host.Intact());

    // A FIFO where a file should be is refused at once instead of blocking.
    QCOMPARE(::mkfifo(QFile::encodeName(store + QStringLiteral("/fifo")).constData(), 0600), 0);
    QCOMPARE(file.OpenRead(store + QStringLiteral("/fifo")), StatusFromWin32(win32::kBadFileType));
}

void TestConfinement::reusedWalkMeetsAFolderSwappedForALink()
{
    // A transfer keeps the folder it walked to; a folder deleted and put back
    // as a link meanwhile is walked again, and the link refused.
    Bystander host;
    QTemporaryDir stick;
    const QString store = stick.filePath(QStringLiteral("box"));
    QVERIFY(QDir().mkpath(store + QStringLiteral("/5")));
    ConfinedPath::Confine(store);
    const ConfinedPath::Reuse reuse;
    NativeFile file;
    QCOMPARE(file.CreateAlways(store + QStringLiteral("/5/1"), nullptr), S_OK);
    QCOMPARE(file.Close(), S_OK);
    QVERIFY(QDir(store + QStringLiteral("/5")).removeRecursively());
    QVERIFY(Link(host.dir.path(), store + QStringLiteral("/5")));
    QCOMPARE(file.CreateAlways(store + QStringLiteral("/5/2"), nullptr), StatusFromWin32(win32::kStoppedOnSymlink));
    QVERIFY(host.Intact());
    QVERIFY(!QFileInfo::exists(host.dir.filePath(QStringLiteral("2"))));
}

void TestConfinement::plantedLinksInTheStore_data()
{
    QTest::addColumn<QString>("planted");   // below "Encrypted Data"; "@" is the host folder, "#" its file
    QTest::addColumn<QStringList>("command");
    QTest::newRow("wipe, link to a folder") << QStringLiteral("x=@") << QStringList {QStringLiteral("wipe"), QStringLiteral("--yes")};
    QTest::newRow("rm -r, numbered folder a link") << QStringLiteral("FOLDER=@")
                                                   << QStringList {QStringLiteral("rm"), QStringLiteral("-r"), QStringLiteral("Docs")};
    QTest::newRow("check --repair, unlisted link") << QStringLiteral("9=@")
                                                   << QStringList {QStringLiteral("check"), QStringLiteral("--repair")};
    QTest::newRow("add, list a link") << QStringLiteral(".manifest=#") << QStringList {QStringLiteral("add"), QStringLiteral("NEWFILE")};
    QTest::newRow("add, backup list a link") << QStringLiteral(".manifest.bak=#")
                                             << QStringList {QStringLiteral("add"), QStringLiteral("NEWFILE")};
    QTest::newRow("add, dangling numbered links") << QStringLiteral("DANGLING")
                                                  << QStringList {QStringLiteral("add"), QStringLiteral("NEWFILE")};
}

void TestConfinement::plantedLinksInTheStore()
{
    QFETCH(QString, planted);
    QFETCH(QStringList, command);
    Bystander host;
    QTemporaryDir stick;
    const QString r = stick.path();
    bool ready = false;
    const QStringList p = SetUpStore(stick, &ready);
    QVERIFY(ready);
    QVERIFY(WriteAll(stick.filePath(QStringLiteral("new.txt")), "new"));
    QCOMPARE(RunCli(Args(p, {QStringLiteral("mkdir"), QStringLiteral("Docs")})).exitCode, 0);

    if (planted == QLatin1String("FOLDER")) {
        // The stored folder's numbered directory is swapped for a link.
        const QStringList items = QDir(StorePath(r)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(items.size(), 1);
        QVERIFY(QDir(StorePath(r, items.first())).removeRecursively());
        QVERIFY(Link(host.dir.path(), StorePath(r, items.first())));
    } else if (planted == QLatin1String("DANGLING")) {
        for (int id = 1; id <= 6; ++id) {
            if (!QFileInfo::exists(StorePath(r, QString::number(id))))
                QVERIFY(Link(host.dir.filePath(QStringLiteral("made-%1").arg(id)), StorePath(r, QString::number(id))));
        }
    } else {
        const QString name = planted.section(QLatin1Char('='), 0, 0);
        const QString target = planted.endsWith(QLatin1Char('@')) ? host.dir.path() : host.File();
        (void)QFile::remove(StorePath(r, name));
        QVERIFY(Link(target, StorePath(r, name)));
    }
    for (QString& a : command) {
        if (a == QLatin1String("NEWFILE"))
            a = stick.filePath(QStringLiteral("new.txt"));
    }
    const Result res = RunCli(p + command, "yes\n");
    QVERIFY2(res.exitCode >= 0, "nimbra-cli did not end");
    QVERIFY2(host.Intact(), qPrintable(res.err));
    for (int id = 1; id <= 6; ++id)
        QVERIFY(!QFileInfo::exists(host.dir.filePath(QStringLiteral("made-%1").arg(id))));
}

void TestConfinement::fifosInTheStoreNeverHang_data()
{
    QTest::addColumn<QString>("replaced");
    QTest::newRow("stored file") << QStringLiteral("1");
    QTest::newRow("list") << QStringLiteral(".manifest");
    QTest::newRow("key file") << QStringLiteral("secparams.enc");
}

void TestConfinement::fifosInTheStoreNeverHang()
{
    QFETCH(QString, replaced);
    QTemporaryDir stick;
    bool ready = false;
    const QStringList p = SetUpStore(stick, &ready);
    QVERIFY(ready);
    QVERIFY(WriteAll(stick.filePath(QStringLiteral("a.txt")), "a"));
    QCOMPARE(RunCli(Args(p, {QStringLiteral("add"), stick.filePath(QStringLiteral("a.txt"))})).exitCode, 0);
    const QString path = StorePath(stick.path(), replaced);
    QVERIFY(QFile::rename(path, path + QStringLiteral(".real")));
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    QVERIFY(RunCli({QStringLiteral("inspect"), path}).exitCode > 0);
    // Every command ends (the helper gives up after 30 s and reports -1).
    for (const QStringList& command : {QStringList {QStringLiteral("ls")}, QStringList {QStringLiteral("cat"), QStringLiteral("a.txt")},
                                       QStringList {QStringLiteral("check")}, QStringList {QStringLiteral("add"), stick.filePath(QStringLiteral("pw"))}}) {
        const Result res = RunCli(p + command);
        QVERIFY2(res.exitCode >= 0, qPrintable(command.join(QLatin1Char(' '))));
    }
}

void TestConfinement::storeFolderItselfALink()
{
    Bystander host;
    QTemporaryDir stick;
    QVERIFY(Link(host.dir.path(), StorePath(stick.path())));
    const Result res = RunCli({QStringLiteral("--root"), stick.path(), QStringLiteral("init")}, "secret1\nsecret1\n");
    QVERIFY(res.exitCode != 0);
    QVERIFY2(res.err.contains(QStringLiteral("symbolic link")), qPrintable(res.err));
    QVERIFY(host.Intact());

    // The key file a link: its target is not overwritten by a new key.
    QVERIFY(QFile::remove(StorePath(stick.path())));
    QVERIFY(QDir().mkpath(StorePath(stick.path())));
    QVERIFY(Link(host.File(), StorePath(stick.path(), QStringLiteral("secparams.enc"))));
    QVERIFY(RunCli({QStringLiteral("--root"), stick.path(), QStringLiteral("init")}, "secret1\nsecret1\n").exitCode != 0);
    QVERIFY(host.Intact());
}

void TestConfinement::launchFolderALink()
{
    Bystander host;
    QTemporaryDir stick;
    const QString r = stick.path();
    bool ready = false;
    const QStringList p = SetUpStore(stick, &ready);
    QVERIFY(ready);
    QVERIFY(WriteAll(stick.filePath(QStringLiteral("a.txt")), "stored text"));
    QCOMPARE(RunCli(Args(p, {QStringLiteral("add"), stick.filePath(QStringLiteral("a.txt"))})).exitCode, 0);
    QVERIFY(Link(host.dir.path(), r + QStringLiteral("/LaunchBin")));
    const Result res = RunCli(Args(p, {QStringLiteral("open"), QStringLiteral("a.txt")}));
    QVERIFY(res.exitCode != 0);
    QVERIFY(host.Intact());
    QVERIFY(!QFileInfo::exists(host.dir.filePath(QStringLiteral("a.txt"))));
}

void TestConfinement::importTakesLinksAndSpecialFilesByTheRule()
{
    Bystander host;
    QTemporaryDir stick;
    bool ready = false;
    const QStringList p = SetUpStore(stick, &ready);
    QVERIFY(ready);
    QTemporaryDir drop;
    const QString d = drop.filePath(QStringLiteral("Drop"));
    QVERIFY(QDir().mkpath(d));
    QVERIFY(WriteAll(d + QStringLiteral("/real.txt"), "real"));
    QVERIFY(Link(QStringLiteral("."), d + QStringLiteral("/self")));
    QVERIFY(Link(host.dir.path(), d + QStringLiteral("/elsewhere")));
    QVERIFY(Link(host.File(), d + QStringLiteral("/file-link.txt")));
    QCOMPARE(::mkfifo(QFile::encodeName(d + QStringLiteral("/pipe")).constData(), 0600), 0);

    Result res = RunCli(Args(p, {QStringLiteral("add"), d}));
    QVERIFY2(res.exitCode > 0, "the import must end, and report what it left out");
    QVERIFY2(res.err.contains(QStringLiteral("self")) && res.err.contains(QStringLiteral("elsewhere"))
                 && res.err.contains(QStringLiteral("pipe")),
             qPrintable(res.err));
    res = RunCli(Args(p, {QStringLiteral("ls"), QStringLiteral("-R")}));
    QCOMPARE(res.out, QStringLiteral("Drop/\nDrop/file-link.txt\nDrop/real.txt\n"));
    QCOMPARE(RunCli(Args(p, {QStringLiteral("cat"), QStringLiteral("Drop/file-link.txt")})).out, QStringLiteral("do not touch"));

    // A link dropped by itself is followed once, as its owner pointed at it.
    QVERIFY(Link(host.dir.path(), drop.filePath(QStringLiteral("Pointed"))));
    QCOMPARE(RunCli(Args(p, {QStringLiteral("add"), drop.filePath(QStringLiteral("Pointed"))})).exitCode, 0);
    QCOMPARE(RunCli(Args(p, {QStringLiteral("cat"), QStringLiteral("Pointed/sub/deep.txt")})).out, QStringLiteral("deep"));
    QVERIFY(host.Intact());
}

void TestConfinement::importKeepsNamesThatDifferInCase()
{
    QTemporaryDir stick;
    bool ready = false;
    const QStringList p = SetUpStore(stick, &ready);
    QVERIFY(ready);
    QTemporaryDir drop;
    const QString d = drop.filePath(QStringLiteral("Case"));
    QVERIFY(QDir().mkpath(d + QStringLiteral("/Foo")));
    QVERIFY(QDir().mkpath(d + QStringLiteral("/foo")));
    QVERIFY(WriteAll(d + QStringLiteral("/a.txt"), "lower"));
    QVERIFY(WriteAll(d + QStringLiteral("/A.txt"), "upper"));
    QVERIFY(WriteAll(d + QStringLiteral("/Foo/x"), "Foo's"));
    QVERIFY(WriteAll(d + QStringLiteral("/foo/x"), "foo's"));

    for (const QString& mode : {QStringLiteral("--skip"), QStringLiteral("--overwrite")}) {
        (void)RunCli(Args(p, {QStringLiteral("rm"), QStringLiteral("-r"), QStringLiteral("--yes"), QStringLiteral("Case")}));
        const Result res = RunCli(Args(p, {QStringLiteral("add"), mode, d}));
        QVERIFY2(res.exitCode == 0, qPrintable(res.err));
        QVERIFY2(res.err.contains(QStringLiteral("(2)")), qPrintable(res.err));
        const QStringList listed = RunCli(Args(p, {QStringLiteral("ls"), QStringLiteral("-R"), QStringLiteral("Case")}))
                                       .out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(listed.size(), 6);
        QStringList texts;
        for (const QString& item : listed) {
            if (!item.endsWith(QLatin1Char('/')))
                texts << RunCli(Args(p, {QStringLiteral("cat"), QStringLiteral("Case/") + item})).out;
        }
        texts.sort();
        QCOMPARE(texts, (QStringList {QStringLiteral("Foo's"), QStringLiteral("foo's"), QStringLiteral("lower"),
                                      QStringLiteral("upper")}));
    }
}

void TestConfinement::importReportsWhatItCannotRead()
{
    QTemporaryDir stick;
    bool ready = false;
    const QStringList p = SetUpStore(stick, &ready);
    QVERIFY(ready);
    QTemporaryDir drop;
    const QString d = drop.filePath(QStringLiteral("Deep"));
    QVERIFY(QDir().mkpath(d));
    QVERIFY(WriteAll(d + QStringLiteral("/fine.txt"), "fine"));
    // A chain of folders longer than a path may be: it cannot be listed.
    QString deep = d;
    const QString step(200, QLatin1Char('d'));
    QVERIFY(QDir::setCurrent(d));
    for (int i = 0; i < 25; ++i) {
        QVERIFY(QDir().mkdir(step));
        QVERIFY(QDir::setCurrent(step));
    }
    QVERIFY(QDir::setCurrent(QDir::tempPath()));
    if (::geteuid() != 0) {
        QVERIFY(WriteAll(d + QStringLiteral("/secret.txt"), "unreadable"));
        QVERIFY(QFile::setPermissions(d + QStringLiteral("/secret.txt"), QFileDevice::WriteOwner));
    }
    const Result res = RunCli(Args(p, {QStringLiteral("add"), d}));
    QVERIFY2(res.exitCode == 1, qPrintable(res.err));
    QVERIFY2(res.err.contains(QStringLiteral("could not be read")), qPrintable(res.err));
    if (::geteuid() != 0)
        QVERIFY2(res.err.contains(QStringLiteral("secret.txt")), qPrintable(res.err));
    QCOMPARE(RunCli(Args(p, {QStringLiteral("cat"), QStringLiteral("Deep/fine.txt")})).out, QStringLiteral("fine"));
    QVERIFY(QDir(d).removeRecursively() || true);  // the chain is longer than removeRecursively reaches
    QVERIFY(FileUtilities::DeleteTree(d, nullptr, false, false));
}

namespace {

}  // namespace

void TestConfinement::importRefusesTheStoreItself_data()
{
    // Where the dropped item is, from the folder that holds the stick's
    // volume ("stick"): at, above or under the store or the launch folder,
    // by its own path or by another way to it.
    QTest::addColumn<QString>("source");
    QTest::newRow("the folder that holds the volume") << "";
    QTest::newRow("the volume") << "stick";
    QTest::newRow("the store") << "stick/Encrypted Data";
    QTest::newRow("the key file in the store") << "stick/Encrypted Data/secparams.enc";
    QTest::newRow("the launch folder") << "stick/LaunchBin";
    QTest::newRow("a file in the launch folder") << "stick/LaunchBin/left.txt";
    QTest::newRow("a link to the volume") << "link";
    QTest::newRow("the volume by a path with dots") << "stick/../stick";
}

void TestConfinement::importRefusesTheStoreItself()
{
    QFETCH(QString, source);
    QTemporaryDir top;
    QVERIFY(QDir().mkpath(top.filePath(QStringLiteral("stick"))));
    // The store on a volume of its own inside `top`.
    const QString root = top.filePath(QStringLiteral("stick"));
    QVERIFY(WriteAll(root + QStringLiteral("/pw"), "secret1\n"));
    QCOMPARE(RunCli({QStringLiteral("--root"), root, QStringLiteral("init")}, "secret1\nsecret1\n").exitCode, 0);
    const QStringList options {QStringLiteral("--root"), root, QStringLiteral("--password-file"), root + QStringLiteral("/pw")};
    QVERIFY(QDir().mkpath(root + QStringLiteral("/LaunchBin")));
    QVERIFY(WriteAll(root + QStringLiteral("/LaunchBin/left.txt"), "left"));
    QVERIFY(QFile::link(root, top.filePath(QStringLiteral("link"))));
    QVERIFY(WriteAll(top.filePath(QStringLiteral("beside.txt")), "beside"));
    const QStringList before = TreeOf(root + QStringLiteral("/Encrypted Data"));

    // A process with a time limit: a copy of the store into itself would not end.
    const QString path = source.isEmpty() ? top.path() : top.filePath(source);
    Result r = RunCli(options + QStringList {QStringLiteral("add"), path}, {}, {}, {}, 20000);
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(QStringLiteral("holds the encrypted store or lies inside it")), qPrintable(r.err));
    QCOMPARE(TreeOf(root + QStringLiteral("/Encrypted Data")), before);  // nothing made

    // Beside a refused item, the others still go in, and the run says not all did.
    r = RunCli(options + QStringList {QStringLiteral("add"), path, top.filePath(QStringLiteral("beside.txt"))}, {}, {},
               {}, 20000);
    QCOMPARE(r.exitCode, 1);
    r = RunCli(options + QStringList {QStringLiteral("ls")});
    QCOMPARE(r.out, QStringLiteral("beside.txt\n"));
}

void TestConfinement::wipesReachTheDeviceBeforeTheDelete()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("plain.txt"));
    QVERIFY(WriteAll(file, "secret plaintext"));
    g_changes.clear();
    FaultInjection::Observe(Record);
    QVERIFY(FileUtilities::WipeFile(file));
    QVERIFY(FileUtilities::DeleteFileForced(file));
    QCOMPARE(g_changes, (QStringList {QStringLiteral("write"), QStringLiteral("sync"), QStringLiteral("unlink")}));

    // The same inside a tree that is wiped away.
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("t"))));
    QVERIFY(WriteAll(dir.filePath(QStringLiteral("t/a")), "secret"));
    g_changes.clear();
    QVERIFY(FileUtilities::DeleteTree(dir.filePath(QStringLiteral("t")), nullptr, false, true));
    FaultInjection::Observe(nullptr);
    QCOMPARE(g_changes, (QStringList {QStringLiteral("write"), QStringLiteral("sync"), QStringLiteral("unlink"),
                                      QStringLiteral("rmdir")}));
}

void TestConfinement::copyOutGoesOnPastABadItem()
{
    QTemporaryDir stick;
    const QString r = stick.path();
    bool ready = false;
    const QStringList p = SetUpStore(stick, &ready);
    QVERIFY(ready);
    QTemporaryDir src;
    for (const char* name : {"1.txt", "2.txt", "3.txt"})
        QVERIFY(WriteAll(src.filePath(QString::fromLatin1(name)), name));
    QCOMPARE(RunCli(Args(p, {QStringLiteral("mkdir"), QStringLiteral("F")})).exitCode, 0);
    QCOMPARE(RunCli(Args(p, {QStringLiteral("add"), QStringLiteral("--to"), QStringLiteral("F"), src.filePath(QStringLiteral("1.txt")),
                              src.filePath(QStringLiteral("2.txt")), src.filePath(QStringLiteral("3.txt"))}))
                 .exitCode,
             0);
    // The stored file of the first name disappears from the stick.
    QStringList stored = QDir(StorePath(r)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(stored.size(), 1);
    const QDir folder(StorePath(r, stored.first()));
    QStringList files = folder.entryList(QDir::Files, QDir::Name);
    files.removeIf([](const QString& n) { return n.startsWith(QLatin1Char('.')); });
    QCOMPARE(files.size(), 3);
    QVERIFY(QFile::remove(folder.filePath(files.first())));

    QTemporaryDir out;
    Result res = RunCli(Args(p, {QStringLiteral("get"), QStringLiteral("--to"), out.path(), QStringLiteral("F")}));
    QVERIFY(res.exitCode != 0);
    QCOMPARE(QDir(out.filePath(QStringLiteral("F"))).entryList(QDir::Files).size(), 2);

    // The same among the items named one by one.
    QTemporaryDir out2;
    res = RunCli(Args(p, {QStringLiteral("get"), QStringLiteral("--to"), out2.path(), QStringLiteral("F/1.txt"), QStringLiteral("F/2.txt"),
                          QStringLiteral("F/3.txt")}));
    QVERIFY(res.exitCode != 0);
    QCOMPARE(QDir(out2.path()).entryList(QDir::Files).size(), 2);
}

void TestConfinement::killedGetLeavesNoCutFile()
{
    QTemporaryDir stick;
    bool ready = false;
    const QStringList p = SetUpStore(stick, &ready);
    QVERIFY(ready);
    QTemporaryDir src;
    QByteArray content(3 * 1024 * 1024 + 17, '\0');
    for (qsizetype i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>((i * 131) ^ (i >> 9));
    const QString big = src.filePath(QStringLiteral("big.bin"));
    QFile file(big);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();
    QCOMPARE(RunCli(Args(p, {QStringLiteral("add"), big})).exitCode, 0);
    QTemporaryDir counted;
    const QString countFile = counted.filePath(QStringLiteral("count"));
    QCOMPARE(RunCli(Args(p, {QStringLiteral("get"), QStringLiteral("--to"), counted.path(), QStringLiteral("big.bin")}),
                    {}, {}, {{QStringLiteral("NIMBRA_FAULT"), QStringLiteral("count:") + countFile}})
                 .exitCode,
             0);
    QFile countText(countFile);
    QVERIFY(countText.open(QIODevice::ReadOnly));
    const int changes = countText.readAll().trimmed().toInt();
    QVERIFY(changes > 4);
    // Killed at every change of the run: the final name is whole or absent,
    // and a later run that skips what exists still brings the whole file.
    for (int at = 1; at <= changes; ++at) {
        QTemporaryDir out;
        (void)RunCli(Args(p, {QStringLiteral("get"), QStringLiteral("--to"), out.path(), QStringLiteral("big.bin")}), {},
                     {}, {{QStringLiteral("NIMBRA_FAULT"), QStringLiteral("kill:%1").arg(at)}});
        const QString got = out.filePath(QStringLiteral("big.bin"));
        if (QFile::exists(got))
            QVERIFY2(QFileInfo(got).size() == content.size(), qPrintable(QStringLiteral("cut short at %1").arg(at)));
        QCOMPARE(RunCli(Args(p, {QStringLiteral("get"), QStringLiteral("--skip"), QStringLiteral("--to"), out.path(),
                                 QStringLiteral("big.bin")}))
                     .exitCode,
                 0);
        QFile whole(got);
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QVERIFY2(whole.readAll() == content, qPrintable(QStringLiteral("not whole after a kill at %1").arg(at)));
    }
}

void TestConfinement::replacingAHostFileWithALongName()
{
    QTemporaryDir stick;
    bool ready = false;
    const QStringList p = SetUpStore(stick, &ready);
    QVERIFY(ready);
    QTemporaryDir src;
    const QString name = QString(247, QLatin1Char('n')) + QStringLiteral(".txt");  // 251 bytes
    QVERIFY(WriteAll(src.filePath(name), "stored"));
    QCOMPARE(RunCli(Args(p, {QStringLiteral("add"), src.filePath(name)})).exitCode, 0);
    QTemporaryDir out;
    QVERIFY(WriteAll(out.filePath(name), "old host copy"));
    const Result res = RunCli(Args(p, {QStringLiteral("get"), QStringLiteral("--overwrite"), QStringLiteral("--to"), out.path(), name}));
    QVERIFY2(res.exitCode == 0, qPrintable(res.err));
    QCOMPARE(ReadAll(out.filePath(name)), QByteArray("stored"));
    QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 1);
}

void TestConfinement::privateTemporaryFolders()
{
    const QString folder = FileUtilities::CreateUniqueTempFolder(QStringLiteral("nbr-test-"));
    QVERIFY(!folder.isEmpty());
    QCOMPARE(QFileInfo(folder).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser),
             QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(FileUtilities::PolicyForCopiesIn(folder + QStringLiteral("sub")) != nullptr);
    QVERIFY(FileUtilities::PolicyForCopiesIn(QDir::tempPath()) == nullptr);
    // Inside it, a planted link is not followed.
    Bystander host;
    QVERIFY(Link(host.File(), folder + QStringLiteral("x")));
    NativeFile file;
    QVERIFY(Failed(file.CreateAlways(folder + QStringLiteral("x"), nullptr)));
    QVERIFY(FileUtilities::DeleteTree(folder, nullptr, false, true));
    QVERIFY(host.Intact());
}

QTEST_GUILESS_MAIN(TestConfinement)
#include "tst_confinement.moc"
