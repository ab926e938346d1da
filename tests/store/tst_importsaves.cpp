// How often a folder import writes its lists, and that writing them less
// often loses nothing: a full drive at any point leaves no entry without its
// file and no file without its entry, and a process killed in the middle
// keeps every stored file once the store is repaired.

#include "CliTestSupport.h"
#include "StoreFixture.h"
#include "TestSupport.h"

#include "ScriptedMessageBox.h"
#include "base/DropFileList.h"
#include "base/HeadlessProgress.h"
#include "base/IMessageBoxAnswerer.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageBoxRequest.h"
#include "platform/FaultInjection.h"
#include "security/SecParams.h"
#include "store/CopyToDeviceThread.h"
#include "store/EncryptedStore.h"
#include "store/FileCipherPool.h"
#include "store/StoreManifest.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cmath>
#include <cstring>

using namespace nbr;
using namespace nbr::test;

namespace {

std::atomic<int> g_renames {0};

void CountRenames(const char* what)
{
    if (std::strcmp(what, "rename") == 0)
        ++g_renames;
}

QByteArray Content(int i)
{
    return "file " + QByteArray::number(i) + '\n' + Pattern(100 + i % 300, i);
}

QString FileName(int i)
{
    return QStringLiteral("f%1.txt").arg(i, 4, 10, QLatin1Char('0'));
}

// A host folder "album" of `count` files, the last `inSub` of them in "album/sub".
void MakeAlbum(const QString& host, int count, int inSub)
{
    QDir().mkpath(host + QStringLiteral("/album/sub"));
    for (int i = 0; i < count; ++i) {
        const QString folder = i >= count - inSub ? QStringLiteral("/album/sub/") : QStringLiteral("/album/");
        (void)WriteAll(host + folder + FileName(i), Content(i));
    }
}

struct Store : StoreFixture {
    Status Import()
    {
        HeadlessProgress progress;
        CopyToDeviceThread worker(&progress, *store, DropFileList({host + QStringLiteral("/album")}), QString(), languages);
        return worker.RunHere();
    }
    // Display path -> stored path of every file listed under `folder`.
    void Listed(const QString& storedFolder, const QString& prefix, QHash<QString, QString>* files) const
    {
        StoreManifest list(keys);
        list.Open(EncryptedStore::ManifestPathOf(storedFolder), true);
        for (const ManifestEntry& entry : list.Entries()) {
            const QString stored = EncryptedStore::StoredPathOf(storedFolder, entry.id);
            if (entry.isFolder)
                Listed(stored, prefix + entry.name + QLatin1Char('/'), files);
            else
                files->insert(prefix + entry.name, stored);
        }
    }
    QByteArray Decrypted(const QString& stored) const
    {
        CryptPtr engine = MakeEngine(QByteArray(reinterpret_cast<const char*>(keys.GetMasterKey()), 32));
        const QString out = dir.filePath(QStringLiteral("peek"));
        QFile::remove(out);
        if (Failed(engine->DecryptFileToFile(stored, out, nullptr, nullptr, nullptr)))
            return "<unreadable>";
        return ReadAll(out);
    }
};

// The numbered files and folders of the store: a name of digits only.
QSet<QString> NumberedItems(const QString& root)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    QSet<QString> items;
    QDirIterator it(root, QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (digits.match(it.fileName()).hasMatch())
            items << path;
    }
    return items;
}

// Answers No, after reading what the stick's list names at that moment.
class PeekingAnswerer final : public IMessageBoxAnswerer {
public:
    explicit PeekingAnswerer(std::function<void()> peek) : peek_(std::move(peek)) {}
    std::uint32_t Answer(const MessageBoxRequest&) override
    {
        peek_();
        return mb::kIdNo;
    }

private:
    std::function<void()> peek_;
};

QStringList Global(const QString& root)
{
    (void)WriteAll(root + QStringLiteral("/pw"), "secret1\n");
    return {QStringLiteral("--root"), root, QStringLiteral("--password-file"), root + QStringLiteral("/pw")};
}

}  // namespace

class TestImportSaves : public QObject {
    Q_OBJECT

private slots:
    void nameLookup_data();
    void nameLookup();
    void listsSavedBoundedTimes();
    void listOnStickBeforeEachQuestion();
    void listOnStickBeforeALargeFile();
    void fullDriveAnywhereKeepsListAndFilesAlike();
    void failedListSaveTakesItsFilesBack();
    void killMidImportLosesNothingOnceRepaired();
};

void TestImportSaves::nameLookup_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("asked");
    QTest::addColumn<bool>("found");
    QTest::newRow("same") << QStringLiteral("a.txt") << QStringLiteral("a.txt") << true;
    QTest::newRow("ascii case") << QStringLiteral("Report.TXT") << QStringLiteral("report.txt") << true;
    QTest::newRow("umlaut") << QStringLiteral("\u00C4pfel") << QStringLiteral("\u00E4PFEL") << true;
    QTest::newRow("final sigma") << QStringLiteral("\u039F\u03A3") << QStringLiteral("\u03BF\u03C2") << true;
    QTest::newRow("cyrillic") << QStringLiteral("\u0416\u0443\u043A") << QStringLiteral("\u0436\u0423\u041A") << true;
    QTest::newRow("beyond the BMP") << QStringLiteral("\U00010400x") << QStringLiteral("\U00010428X") << true;
    QTest::newRow("sharp s is no ss") << QStringLiteral("Stra\u00DFe") << QStringLiteral("STRASSE") << false;
    QTest::newRow("other name") << QStringLiteral("a.txt") << QStringLiteral("a.txt ") << false;
}

void TestImportSaves::nameLookup()
{
    // The lookup by folded name agrees with comparing every entry, also
    // after the list changed under it.
    QFETCH(QString, stored);
    QFETCH(QString, asked);
    QFETCH(bool, found);
    QTemporaryDir dir;
    SecParams keys;
    Unlock(keys, kMaster);
    StoreManifest list(keys);
    list.Open(dir.filePath(QStringLiteral(".manifest")), false);
    QVERIFY(list.IsLoaded());
    for (int i = 0; i < 50; ++i)
        (void)list.AddEntry(QStringLiteral("filler %1").arg(i), false, 0, dir.path());
    QVERIFY(list.FindByName(asked) == nullptr);
    const ManifestEntry added = list.AddEntry(stored, false, 7, dir.path());
    const ManifestEntry* hit = list.FindByName(asked);
    QCOMPARE(hit != nullptr, found);
    QCOMPARE(hit != nullptr, stored.compare(asked, Qt::CaseInsensitive) == 0);
    if (hit)
        QCOMPARE(hit->id, added.id);
    QVERIFY(list.RemoveEntry(QStringLiteral("3")));
    list.SortEntries();
    hit = list.FindByName(asked);
    QCOMPARE(hit != nullptr, found);
    if (hit)
        QCOMPARE(hit->id, added.id);
    QVERIFY(list.FindByName(QStringLiteral("filler 2")) == nullptr);
    QVERIFY(list.FindByName(QStringLiteral("FILLER 49")) != nullptr);
    // The numbers go on past the largest, after a removal too.
    QCOMPARE(list.AddEntry(QStringLiteral("next"), false, 0, dir.path()).id, added.id + 1);
}

void TestImportSaves::listsSavedBoundedTimes()
{
    Store s;
    const int count = 600;
    MakeAlbum(s.host, count, 150);
    g_renames = 0;
    FaultInjection::Observe(CountRenames);
    QElapsedTimer timer;
    timer.start();
    const Status status = s.Import();
    const double seconds = static_cast<double>(timer.elapsed()) / 1000.0;
    FaultInjection::Observe(nullptr);
    QCOMPARE(status, S_OK);

    // Each save renames a list and its backup into place. Three lists, the
    // top one saved on entering "album", "album" on entering "sub" and on
    // leaving, "sub" on leaving; plus one save a second of work at most.
    // Saving after every file would take 2 * 600.
    const int bound = 2 * (4 + static_cast<int>(std::ceil(seconds)) + 1);
    QVERIFY2(g_renames <= bound, qPrintable(QStringLiteral("%1 renames in %2 s").arg(g_renames.load()).arg(seconds)));

    QHash<QString, QString> files;
    s.Listed(s.root, QString(), &files);
    QCOMPARE(files.size(), count);
    for (const int i : {0, 1, 299, 449, 450, 599}) {
        const QString name = (i >= count - 150 ? QStringLiteral("album/sub/") : QStringLiteral("album/")) + FileName(i);
        QVERIFY2(files.contains(name), qPrintable(name));
        QCOMPARE(s.Decrypted(files.value(name)), Content(i));
    }
}

void TestImportSaves::listOnStickBeforeEachQuestion()
{
    // The person may pull the stick while a question waits: what was stored
    // before it is listed on the stick by then.
    Store s;
    QVERIFY(QDir().mkpath(s.host + QStringLiteral("/album")));
    QVERIFY(WriteAll(s.host + QStringLiteral("/album/first.txt"), "first"));
    QCOMPARE(s.Import(), S_OK);
    QStringList paths;
    for (int i = 0; i < 3; ++i) {
        paths << s.host + QLatin1Char('/') + FileName(i);
        QVERIFY(WriteAll(paths.last(), Content(i)));
    }
    paths << s.host + QStringLiteral("/album");
    QStringList onStick;
    PeekingAnswerer peeking([&] {
        StoreManifest list(s.keys);
        list.Open(EncryptedStore::ManifestPathOf(s.root), true);
        for (const ManifestEntry& entry : list.Entries())
            onStick << entry.name;
    });
    MessageBox::Install(&peeking);
    HeadlessProgress progress;
    CopyToDeviceThread worker(&progress, *s.store, DropFileList(paths), QString(), s.languages);
    (void)worker.RunHere();
    MessageBox::Install(&s.answers);
    onStick.sort();
    QCOMPARE(onStick, QStringList({QStringLiteral("album"), FileName(0), FileName(1), FileName(2)}));
}

void TestImportSaves::listOnStickBeforeALargeFile()
{
    // A large file takes long: the files stored before it are listed on the
    // stick before it starts, not a second of work after.
    Store s;
    const QStringList paths = {s.host + QStringLiteral("/small.txt"), s.host + QStringLiteral("/large.bin")};
    QVERIFY(WriteAll(paths[0], "small"));
    QVERIFY(WriteAll(paths[1], Pattern(9 << 20)));
    HeadlessProgress progress;
    QStringList onStick;
    bool peeked = false;
    progress.SetObserver([&] {
        if (peeked || progress.State().filePosition == 0 || progress.State().fileMaximum < (9 << 20))
            return;
        peeked = true;
        StoreManifest list(s.keys);
        list.Open(EncryptedStore::ManifestPathOf(s.root), true);
        for (const ManifestEntry& entry : list.Entries())
            onStick << entry.name;
    });
    CopyToDeviceThread worker(&progress, *s.store, DropFileList(paths), QString(), s.languages);
    QCOMPARE(worker.RunHere(), S_OK);
    progress.SetObserver(nullptr);
    QVERIFY(peeked);
    QCOMPARE(onStick, QStringList {QStringLiteral("small.txt")});
}

void TestImportSaves::fullDriveAnywhereKeepsListAndFilesAlike()
{
    // A full drive from any change of the import on (deletions fail too):
    // every listed file reads back, and success means all were listed.
    int changes = 0;
    {
        Store s;
        MakeAlbum(s.host, 12, 4);
        FaultInjection::Arm(FaultInjection::Mode::Off, 0);
        QCOMPARE(s.Import(), S_OK);
        changes = static_cast<int>(FaultInjection::Changes());
    }
    QVERIFY(changes > 12);
    for (int n = 1; n <= changes; ++n) {
        Store s;
        MakeAlbum(s.host, 12, 4);
        FaultInjection::Arm(FaultInjection::Mode::Full, static_cast<std::uint64_t>(n));
        const Status status = s.Import();
        FaultInjection::Arm(FaultInjection::Mode::Off, 0);
        const QString where = QStringLiteral("full from change %1 of %2").arg(n).arg(changes);

        QHash<QString, QString> files;
        s.Listed(s.root, QString(), &files);
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            const int i = QFileInfo(it.key()).completeBaseName().mid(1).toInt();
            QVERIFY2(s.Decrypted(it.value()) == Content(i), qPrintable(where + QStringLiteral(": ") + it.key()));
        }
        QVERIFY2(Failed(status) || files.size() == 12, qPrintable(where + QStringLiteral(": success, not all listed")));
    }
}

void TestImportSaves::failedListSaveTakesItsFilesBack()
{
    // The list cannot be replaced (its new file's name is taken by a
    // folder): the files stored since its last save go again, and the run
    // fails, so that a move would delete no source.
    Store s;
    QStringList paths;
    for (int i = 0; i < 5; ++i) {
        paths << s.host + QLatin1Char('/') + FileName(i);
        QVERIFY(WriteAll(paths.last(), Content(i)));
    }
    QVERIFY(QDir().mkpath(StoreManifest::FreshPathOf(EncryptedStore::ManifestPathOf(s.root)) + QStringLiteral("/x")));
    HeadlessProgress progress;
    CopyToDeviceThread worker(&progress, *s.store, DropFileList(paths), QString(), s.languages);
    QVERIFY(Failed(worker.RunHere()));
    QHash<QString, QString> files;
    s.Listed(s.root, QString(), &files);
    QVERIFY(files.isEmpty());
    QVERIFY2(NumberedItems(s.root).isEmpty(), qPrintable(QStringList(NumberedItems(s.root).values()).join(u' ')));
}

void TestImportSaves::killMidImportLosesNothingOnceRepaired()
{
    QTemporaryDir work;
    const QString host = work.filePath(QStringLiteral("host"));
    const int count = 120;
    MakeAlbum(host, count, 30);
    const QString stick = work.filePath(QStringLiteral("template"));
    QVERIFY(QDir().mkpath(stick));
    QCOMPARE(RunCli({QStringLiteral("--root"), stick, QStringLiteral("init")}, "secret1\nsecret1\n").exitCode, 0);
    const QStringList add = {QStringLiteral("add"), host + QStringLiteral("/album")};

    const QString countFile = work.filePath(QStringLiteral("count.txt"));
    {
        const QString root = work.filePath(QStringLiteral("counted"));
        QVERIFY(CopyTree(stick, root));
        QCOMPARE(RunCli(Global(root) + add, {}, {}, {{QStringLiteral("NIMBRA_FAULT"), QStringLiteral("count:") + countFile}}).exitCode, 0);
    }
    const int changes = ReadAll(countFile).trimmed().toInt();
    QVERIFY(changes > count);

    // Killed with many entries only in memory: a repair must list every
    // stored file again, under its own name, with its own content.
    for (const int percent : {20, 50, 85}) {
        const int n = changes * percent / 100;
        const QString root = work.filePath(QStringLiteral("run%1").arg(percent));
        QVERIFY(CopyTree(stick, root));
        const QStringList g = Global(root);
        const Result killed = RunCli(g + add, {}, {}, {{QStringLiteral("NIMBRA_FAULT"), QStringLiteral("kill:%1").arg(n)}});
        QVERIFY2(killed.exitCode != 0, qPrintable(QStringLiteral("kill:%1 did not stop the import").arg(n)));
        int storedFiles = 0;
        for (const QString& item : NumberedItems(root)) {
            if (QFileInfo(item).isFile() && QFileInfo(item).size() > 0)
                ++storedFiles;
        }

        const Result repaired = RunCli(g + QStringList {QStringLiteral("check"), QStringLiteral("--repair")});
        QVERIFY2(repaired.exitCode == 0 || repaired.exitCode == 1, qPrintable(repaired.err));
        QCOMPARE(RunCli(g + QStringList {QStringLiteral("check")}).exitCode, 0);
        const Result listing = RunCli(g + QStringList {QStringLiteral("ls"), QStringLiteral("-R")});
        QCOMPARE(listing.exitCode, 0);
        QStringList files;
        QStringList tops;
        for (const QString& line : listing.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (!line.endsWith(QLatin1Char('/')))
                files << line;
            const QString top = line.section(QLatin1Char('/'), 0, 0);
            if (!tops.contains(top))
                tops << top;
        }
        // At most the files being written when the process died are gone:
        // one a worker, each of them incomplete and never listed.
        const int inFlight = std::max(1, FileCipherPool::WorkerCount());
        QVERIFY2(files.size() >= storedFiles - inFlight,
                 qPrintable(QStringLiteral("kill:%1: %2 stored, %3 listed after repair\n%4")
                                .arg(n).arg(storedFiles).arg(files.size()).arg(listing.out)));
        QVERIFY2(files.size() > 0, qPrintable(QStringLiteral("kill:%1 left nothing").arg(n)));

        const QString out = work.filePath(QStringLiteral("out%1").arg(percent));
        QVERIFY(QDir().mkpath(out));
        QCOMPARE(RunCli(g + QStringList {QStringLiteral("get"), QStringLiteral("--to"), out} + tops).exitCode, 0);
        for (const QString& file : files) {
            const int i = QFileInfo(file).completeBaseName().mid(1).toInt();
            QVERIFY2(ReadAll(out + QLatin1Char('/') + file) == Content(i), qPrintable(file));
        }
    }
}

QTEST_GUILESS_MAIN(TestImportSaves)
#include "tst_importsaves.moc"
