// The numbered store: manifests (format, numbering, fallback to the backup,
// foreign and broken files), the store functions and the file utilities.

#include "TestSupport.h"

#include "base/HeadlessProgress.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "security/SecParams.h"
#include "security/SecurityStatus.h"
#include "store/EncryptedStore.h"
#include "store/FileUtilities.h"
#include "store/StoreManifest.h"
#include "store/StoreStatus.h"
#include "store/WorkUnits.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

using namespace nbr;
using namespace nbr::test;

namespace {


QString Fixture(const char* name)
{
    return QStringLiteral(NIMBRA_TEST_DATA "/") + QString::fromLatin1(name);
}

}  // namespace

class TestStore : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Unlock(keys_, kMaster); }
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        root_ = dir_->filePath(QStringLiteral("Encrypted Data"));
    }
    void recordFormat();
    void numbering();
    void namesIgnoreCase();
    void foreignManifests_data();
    void foreignManifests();
    void interruptedSaveFallsBack();
    void damagedWithoutBackupIsNotEmpty();
    void folderNames_data();
    void folderNames();
    void ensureFolders();
    void listFolder();
    void deleteItems();
    void deletionsSaveEachListOnce();
    void writersTakeTurns();
    void workUnitsAndTexts();
    void fileUtilities();
    void fileInUse();
    void sweepsWhatACrashLeftInTheTemporaryFolder();

private:
    SecParams keys_;
    std::unique_ptr<QTemporaryDir> dir_;
    QString root_;
};

void TestStore::recordFormat()
{
    const std::vector<ManifestEntry> docs {{1, QStringLiteral("Docs"), true, 0}};
    QCOMPARE(StoreManifest::Serialize(docs).toHex(' '), QByteArray("44 2f 31 2f 30 2f 44 00 6f 00 63 00 73 00 00 00 0a"));
    // Names whose bytes hold "/" or a line feed, and the empty folder.
    QVERIFY(QDir().mkpath(root_));
    StoreManifest manifest(keys_);
    manifest.Open(EncryptedStore::ManifestPathOf(root_), false);
    QVERIFY(manifest.IsLoaded());
    QCOMPARE(manifest.Save(), S_OK);
    QCOMPARE(QFileInfo(root_ + QStringLiteral("/.manifest")).size(), 157);  // a header and no content
    QCOMPARE(QFileInfo(root_ + QStringLiteral("/.manifest.bak")).size(), 157);
    const QString tricky = QStringLiteral("\u010A\u2F2F/\n\u0A0A end");
    (void)manifest.AddEntry(tricky, false, 18446744073709551615ull, root_);
    QCOMPARE(manifest.Save(), S_OK);
    manifest.Close();
    manifest.Open(EncryptedStore::ManifestPathOf(root_), true);
    QVERIFY(manifest.IsLoaded());
    QCOMPARE(manifest.Entries().size(), std::size_t(1));
    QCOMPARE(manifest.Entries()[0].name, tricky);
    QCOMPARE(manifest.Entries()[0].writeTime, 18446744073709551615ull);
    QCOMPARE(manifest.Save(), E_STORE_READ_ONLY);
    std::vector<ManifestEntry> parsed;
    QVERIFY(!StoreManifest::Parse("F/99999999999/0/a\0\0\n", &parsed));  // past 32 bits
    QVERIFY(StoreManifest::Parse(" \n", &parsed));
    QVERIFY(parsed.empty());
}

void TestStore::numbering()
{
    QVERIFY(QDir().mkpath(root_));
    {
        StoreManifest manifest(keys_);
        manifest.Open(EncryptedStore::ManifestPathOf(root_), false);
        QVERIFY(manifest.IsLoaded());
        QVERIFY(manifest.Entries().empty());
        QCOMPARE(manifest.AddEntry(QStringLiteral("a"), false, 0, root_).id, 1u);
        QCOMPARE(manifest.AddEntry(QStringLiteral("b"), false, 0, root_).id, 2u);
        QCOMPARE(manifest.Save(), S_OK);
    }
    QVERIFY(QFile::exists(root_ + QStringLiteral("/.manifest")) && QFile::exists(root_ + QStringLiteral("/.manifest.bak")));
    StoreManifest manifest(keys_);
    manifest.Open(EncryptedStore::ManifestPathOf(root_), false);
    QCOMPARE(manifest.Entries().size(), std::size_t(2));
    manifest.Close();
    // With 1, 2 and 5 listed the next is 6; a leftover named 6 makes it 7.
    const std::vector<ManifestEntry> entries {{1, QStringLiteral("a"), false, 0}, {2, QStringLiteral("b"), false, 0},
                                              {5, QStringLiteral("c"), false, 0}};
    CryptPtr engine = MakeEngine(kMaster);
    const QByteArray content = StoreManifest::Serialize(entries);
    QCOMPARE(engine->EncryptBufferToFile(content.constData(), static_cast<std::size_t>(content.size()),
                                         root_ + QStringLiteral("/.manifest"), nullptr),
             S_OK);
    manifest.Close();
    manifest.Open(EncryptedStore::ManifestPathOf(root_), false);
    QCOMPARE(manifest.AddEntry(QStringLiteral("d"), false, 0, root_).id, 6u);
    QVERIFY(manifest.RemoveEntry(QStringLiteral("6")));
    QVERIFY(WriteAll(root_ + QStringLiteral("/6"), "leftover"));
    QCOMPARE(manifest.AddEntry(QStringLiteral("d"), false, 0, root_).id, 7u);
    QVERIFY(manifest.RemoveEntry(QStringLiteral("7abc")));  // leading digits count
    QVERIFY(!manifest.RemoveEntry(QStringLiteral("7")));
}

void TestStore::namesIgnoreCase()
{
    StoreManifest manifest(keys_);
    manifest.Open(dir_->filePath(QStringLiteral("none/.manifest")), true);
    QVERIFY(manifest.IsLoaded());
    (void)manifest.AddEntry(QStringLiteral("report.doc"), false, 0, dir_->path());
    (void)manifest.AddEntry(QStringLiteral("Ärger σοφία"), false, 0, dir_->path());
    (void)manifest.AddEntry(QStringLiteral("zeta"), true, 0, dir_->path());
    QVERIFY(manifest.FindByName(QStringLiteral("REPORT.DOC")));
    QVERIFY(manifest.FindByName(QStringLiteral("äRGER ΣΟΦΊΑ")));
    QVERIFY(!manifest.FindByName(QStringLiteral("report.do")));
    manifest.SortEntries();
    QCOMPARE(manifest.Entries().front().name, QStringLiteral("zeta"));  // folders first
    QCOMPARE(manifest.FindByStoredName(QStringLiteral("2"))->name, QStringLiteral("Ärger σοφία"));
}

void TestStore::foreignManifests_data()
{
    QTest::addColumn<QString>("main");
    QTest::addColumn<QString>("backup");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<bool>("fromBackup");
    QTest::newRow("good") << Fixture("manifest_good.enc") << QString() << true << false;
    // Content that does not parse is damage like any other: the backup serves.
    QTest::newRow("cut in a name, good backup") << Fixture("manifest_cut_in_name.enc") << Fixture("manifest_good.enc") << true << true;
    QTest::newRow("cut in a name twice") << Fixture("manifest_cut_in_name.enc") << Fixture("manifest_cut_in_name.enc") << false << false;
    QTest::newRow("bad kind byte") << Fixture("manifest_bad_kind.enc") << QString() << false << false;
    QTest::newRow("other key, good backup") << Fixture("manifest_other_key.enc") << Fixture("manifest_good.enc") << true << true;
    QTest::newRow("other key twice") << Fixture("manifest_other_key.enc") << Fixture("manifest_other_key.enc") << false << false;
    QTest::newRow("only a backup") << QString() << Fixture("manifest_good.enc") << true << true;
    QTest::newRow("neither") << QString() << QString() << true << false;
}

void TestStore::foreignManifests()
{
    QFETCH(QString, main);
    QFETCH(QString, backup);
    QFETCH(bool, loaded);
    QFETCH(bool, fromBackup);
    QVERIFY(QDir().mkpath(root_));
    if (!main.isEmpty())
        QVERIFY(QFile::copy(main, root_ + QStringLiteral("/.manifest")));
    if (!backup.isEmpty())
        QVERIFY(QFile::copy(backup, root_ + QStringLiteral("/.manifest.bak")));
    StoreManifest manifest(keys_);
    manifest.Open(EncryptedStore::ManifestPathOf(root_), true);
    QCOMPARE(manifest.IsLoaded(), loaded);
    QCOMPARE(manifest.LoadedFromBackup(), fromBackup);
    if (loaded && (!main.isEmpty() || !backup.isEmpty())) {
        QCOMPARE(manifest.Entries().size(), std::size_t(3));
        QCOMPARE(manifest.Entries()[0].name, QStringLiteral("Docs"));
        QVERIFY(manifest.Entries()[0].isFolder);
        QCOMPARE(manifest.Entries()[1].writeTime, 133200000000000000ull);
        QCOMPARE(manifest.Entries()[2].id, 5u);
        QCOMPARE(manifest.Entries()[2].name, QStringLiteral("\u010A/\n tricky"));
    }
    if (!loaded) {
        EncryptedStore store(root_, keys_);
        QString stored;
        QCOMPARE(store.CreateStoreFolder(root_, QStringLiteral("New"), &stored), E_STORE_MANIFEST);
        QVERIFY(!QFile::exists(root_ + QStringLiteral("/1")));
    }
}

void TestStore::interruptedSaveFallsBack()
{
    EncryptedStore store(root_, keys_);
    QString stored;
    QCOMPARE(store.CreateStoreFolder(root_, QStringLiteral("Kept"), &stored), S_OK);
    // The stick was pulled while ".manifest" was being rewritten.
    QFile main(root_ + QStringLiteral("/.manifest"));
    QVERIFY(main.open(QIODevice::ReadWrite));
    QVERIFY(main.resize(120));
    main.close();
    StoreManifest manifest(keys_);
    manifest.Open(EncryptedStore::ManifestPathOf(root_), true);
    QVERIFY(manifest.IsLoaded());
    QVERIFY(manifest.LoadedFromBackup());
    QCOMPARE(manifest.Entries().size(), std::size_t(1));
    QCOMPARE(store.GetDisplayName(stored), QStringLiteral("Kept"));
}

void TestStore::damagedWithoutBackupIsNotEmpty()
{
    EncryptedStore store(root_, keys_);
    QString stored;
    QCOMPARE(store.CreateStoreFolder(root_, QStringLiteral("Precious"), &stored), S_OK);
    QVERIFY(QFile::remove(root_ + QStringLiteral("/.manifest.bak")));
    QFile main(root_ + QStringLiteral("/.manifest"));
    QVERIFY(main.open(QIODevice::ReadWrite));
    QVERIFY(main.resize(100));
    main.close();
    const QByteArray damaged = ReadAll(root_ + QStringLiteral("/.manifest"));
    // Taking the folder for empty would let this save drop "Precious".
    QCOMPARE(store.CreateStoreFolder(root_, QStringLiteral("Other"), &stored), E_STORE_MANIFEST);
    QCOMPARE(ReadAll(root_ + QStringLiteral("/.manifest")), damaged);
}

void TestStore::folderNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Status>("status");
    QTest::newRow("leading space") << " a" << E_STORE_BAD_NAME;
    QTest::newRow("trailing space") << "a " << E_STORE_BAD_NAME;
    QTest::newRow("trailing tab") << "a\t" << E_STORE_BAD_NAME;
    QTest::newRow("empty") << "" << E_STORE_BAD_NAME;
    QTest::newRow("slash") << "a/b" << E_STORE_BAD_NAME;
    QTest::newRow("question") << "x?" << E_STORE_BAD_NAME;
    QTest::newRow("bar") << "a|b" << E_STORE_BAD_NAME;
    QTest::newRow("inner space") << "a b" << S_OK;
    QTest::newRow("dot") << "a.b" << S_OK;
    QTest::newRow("unicode") << "Фото 2026" << S_OK;
    QTest::newRow("dot alone") << "." << E_STORE_BAD_NAME;
    QTest::newRow("two dots") << ".." << E_STORE_BAD_NAME;
    // Names Windows keeps for itself pass the rule: there they have a status
    // of their own, so that the message says what is wrong.
#ifdef Q_OS_WIN
    const Status reserved = E_STORE_NAME_RESERVED;
#else
    const Status reserved = S_OK;
#endif
    QTest::newRow("device name") << "CON" << reserved;
    QTest::newRow("device name with extension") << "com1.txt" << reserved;
    QTest::newRow("trailing dot") << "notes." << reserved;
}

void TestStore::folderNames()
{
    QFETCH(QString, name);
    QFETCH(Status, status);
    EncryptedStore store(root_, keys_);
    QString stored = QStringLiteral("stale");
    QCOMPARE(store.CreateStoreFolder(root_, name, &stored), status);
    if (status == S_OK) {
        QCOMPARE(stored, root_ + QStringLiteral("/1"));
        QVERIFY(QFileInfo(stored).isDir());
        QCOMPARE(store.GetDisplayName(stored), name);
        QString again;
        QCOMPARE(store.CreateStoreFolder(root_, name.toUpper(), &again), E_STORE_ITEM_EXISTS);
        QCOMPARE(again, stored);
    } else {
        QVERIFY(stored.isEmpty());
    }
}

void TestStore::ensureFolders()
{
    EncryptedStore store(root_, keys_);
    QString stored;
    QCOMPARE(store.EnsureStoreFolders(QString(), QStringLiteral("A/B"), &stored), S_OK);
    QCOMPARE(stored, root_ + QStringLiteral("/1/1"));
    QCOMPARE(store.GetDisplayName(root_ + QStringLiteral("/1")), QStringLiteral("A"));
    QCOMPARE(store.GetDisplayName(stored), QStringLiteral("B"));
    QString again;
    QCOMPARE(store.EnsureStoreFolders(QString(), QStringLiteral("/a//b/"), &again), S_OK);
    QCOMPARE(again, stored);
    // Stored items carry the hidden attribute on Windows.
    QCOMPARE(QDir(root_).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot), QStringList {QStringLiteral("1")});
    QCOMPARE(store.EnsureStoreFolders(QString(), QString(), &again), S_OK);
    QCOMPARE(again, root_);
    ManifestEntry entry;
    QCOMPARE(store.Resolve(QStringLiteral("a/B"), &again, &entry), S_OK);
    QCOMPARE(again, stored);
    QCOMPARE(store.Resolve(QStringLiteral("a/C"), &again, &entry), StatusFromWin32(2));
    QCOMPARE(store.GetDisplayName(root_ + QStringLiteral("/9")), QString());
}

void TestStore::listFolder()
{
    // The store pane's columns: folders first, a file's encrypted size (its
    // header and padded content, not the one plain byte), the stored date,
    // and a listed item whose stored file is gone kept without either.
    EncryptedStore store(root_, keys_);
    QString docs;
    QCOMPARE(store.EnsureStoreFolders(QString(), QStringLiteral("Docs"), &docs), S_OK);
    {
        StoreManifest manifest(keys_);
        manifest.Open(EncryptedStore::ManifestPathOf(root_), false);
        const ManifestEntry a = manifest.AddEntry(QStringLiteral("a.txt"), false, 0, root_);
        (void)manifest.AddEntry(QStringLiteral("gone"), false, 0, root_);
        QCOMPARE(manifest.Save(), S_OK);
        CryptPtr engine = MakeEngine(kMaster);
        QCOMPARE(engine->EncryptBufferToFile("x", 1, EncryptedStore::StoredPathOf(root_, a.id), nullptr), S_OK);
    }
    std::vector<StoreListEntry> entries;
    QCOMPARE(store.ListFolder(root_, &entries), S_OK);
    QCOMPARE(entries.size(), std::size_t(3));
    QCOMPARE(entries[0].name, QStringLiteral("Docs"));
    QVERIFY(entries[0].isFolder && entries[0].present);
    QCOMPARE(entries[0].storedPath, docs);
    QCOMPARE(entries[0].encryptedSize, 0u);
    QCOMPARE(entries[1].name, QStringLiteral("a.txt"));
    QCOMPARE(entries[1].encryptedSize, std::uint64_t(QFileInfo(entries[1].storedPath).size()));
    QVERIFY(entries[1].encryptedSize > 16);
    QCOMPARE(entries[1].writeTime.timeSpec(), Qt::UTC);
    QVERIFY(qAbs(entries[1].writeTime.secsTo(QDateTime::currentDateTimeUtc())) < 600);
    QCOMPARE(entries[2].name, QStringLiteral("gone"));
    QVERIFY(!entries[2].present && !entries[2].writeTime.isValid());
    // A folder whose list is damaged (and has no backup) says so: it is not empty.
    QVERIFY(WriteAll(EncryptedStore::ManifestPathOf(docs), QByteArray(300, 'x')));
    QFile::remove(docs + QStringLiteral("/.manifest.bak"));
    QVERIFY(Failed(store.ListFolder(docs, &entries)));
    QVERIFY(entries.empty());
}

void TestStore::deleteItems()
{
    EncryptedStore store(root_, keys_);
    QString folder;
    QCOMPARE(store.EnsureStoreFolders(QString(), QStringLiteral("Docs/Deep"), &folder), S_OK);
    QVERIFY(WriteAll(folder + QStringLiteral("/1"), "x"));
    QVERIFY(WriteAll(folder + QStringLiteral("/2"), "y"));
    QVERIFY(WriteAll(root_ + QStringLiteral("/5"), "an unlisted file"));
    QCOMPARE(store.DeleteStoreItem(QStringLiteral("nopath"), nullptr), E_INVALIDARG);
    QCOMPARE(store.DeleteStoreItem(root_ + QStringLiteral("/5"), nullptr), S_OK);
    QVERIFY(!QFile::exists(root_ + QStringLiteral("/5")));

    HeadlessProgress progress;
    progress.Begin(100);
    QCOMPARE(store.DeleteStoreItem(root_ + QStringLiteral("/1"), &progress), S_OK);
    QVERIFY(!QFile::exists(root_ + QStringLiteral("/1")));
    // Two files and two folders were counted.
    QCOMPARE(progress.State().position, 4.0f);
    StoreManifest manifest(keys_);
    manifest.Open(EncryptedStore::ManifestPathOf(root_), true);
    QVERIFY(manifest.Entries().empty());
    // The freed number is used again.
    QString again;
    QCOMPARE(store.CreateStoreFolder(root_, QStringLiteral("Next"), &again), S_OK);
    QCOMPARE(again, root_ + QStringLiteral("/1"));
}

namespace {
std::atomic<int> saves {0};
}

void TestStore::deletionsSaveEachListOnce()
{
    EncryptedStore store(root_, keys_);
    QString docs;
    QString deep;
    QCOMPARE(store.EnsureStoreFolders(QString(), QStringLiteral("Docs/Deep"), &deep), S_OK);
    docs = NativePath::ParentOf(deep);
    const auto fill = [&](const QString& folder, int count, QStringList* paths) {
        StoreManifest list(keys_);
        list.Open(EncryptedStore::ManifestPathOf(folder), false);
        for (int i = 0; i < count; ++i) {
            const ManifestEntry e = list.AddEntry(QStringLiteral("f%1").arg(i), false, 0, folder);
            const QString path = EncryptedStore::StoredPathOf(folder, e.id);
            (void)WriteAll(path, "x");
            if (paths)
                *paths << path;
        }
        QCOMPARE(list.Save(), S_OK);
    };
    QStringList loose;
    fill(root_, 40, &loose);
    fill(docs, 60, nullptr);
    fill(deep, 30, nullptr);

    FaultInjection::Observe([](const char* what) {
        if (std::strcmp(what, "rename") == 0)
            ++saves;
    });
    // A save renames its new list file over the old one, and the backup.
    saves = 0;
    {
        StoreManifest list(keys_);
        list.Open(EncryptedStore::ManifestPathOf(root_), false);
        (void)list.AddEntry(QStringLiteral("probe"), true, 0, root_);
        (void)list.RemoveEntries({list.Entries().back().id});
        QCOMPARE(list.Save(), S_OK);
    }
    const int perSave = saves.load();
    QVERIFY(perSave >= 1);

    // Forty files of one folder: its list is saved once, not forty times.
    saves = 0;
    QCOMPARE(store.DeleteStoreItems(loose, nullptr), S_OK);
    QCOMPARE(saves.load(), perSave);
    // A tree of ninety files: the top list once; the lists inside go with
    // their folders.
    saves = 0;
    QCOMPARE(store.DeleteStoreItem(docs, nullptr), S_OK);
    QCOMPARE(saves.load(), perSave);
    FaultInjection::Observe(nullptr);
    QVERIFY(!QFileInfo::exists(docs));
    StoreManifest top(keys_);
    top.Open(EncryptedStore::ManifestPathOf(root_), true);
    QVERIFY(top.Entries().empty());
    top.Close();

    // What cannot be deleted stays listed, in a list saved once more; the
    // rest of its folder goes, and the folder's list names only what is left.
    QStringList some;
    fill(root_, 5, &some);
    QString kept;
    QCOMPARE(store.EnsureStoreFolders(QString(), QStringLiteral("Kept/In"), &kept), S_OK);
    fill(kept, 6, nullptr);
#ifdef _WIN32
    // A file another handle holds without delete sharing cannot go.
    QFile held(kept + QStringLiteral("/held"));
    QVERIFY(held.open(QIODevice::WriteOnly));
#else
    // A name that is not UTF-8: nothing deletes what it cannot name.
    const QByteArray odd = QFile::encodeName(kept) + "/\xff\xfe";
    const int fd = ::open(odd.constData(), O_CREAT | O_WRONLY, 0600);
    QVERIFY(fd >= 0);
    ::close(fd);
#endif
    some << NativePath::ParentOf(kept) << some.takeFirst();
    QCOMPARE(store.DeleteStoreItems(some, nullptr), S_OK);
    std::vector<ManifestEntry> left;
    QCOMPARE(StoreManifest::ReadFile(keys_, EncryptedStore::ManifestPathOf(root_), &left), S_OK);
    QCOMPARE(left.size(), std::size_t(1));
    QCOMPARE(left.front().name, QStringLiteral("Kept"));
    QCOMPARE(StoreManifest::ReadFile(keys_, EncryptedStore::ManifestPathOf(NativePath::ParentOf(kept)), &left), S_OK);
    QCOMPARE(left.size(), std::size_t(1));
    QCOMPARE(left.front().name, QStringLiteral("In"));
    QCOMPARE(StoreManifest::ReadFile(keys_, EncryptedStore::ManifestPathOf(kept), &left), S_OK);
    QVERIFY(left.empty());
    QCOMPARE(QDir(root_).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).filter(QStringLiteral(".nbr-del")),
             QStringList());
}

void TestStore::writersTakeTurns()
{
    EncryptedStore store(root_, keys_);
    QString folder;
    QCOMPARE(store.EnsureStoreFolders(QString(), QString(), &folder), S_OK);
    auto writer = [&](const QString& prefix) {
        for (int i = 0; i < 25; ++i) {
            StoreManifest manifest(keys_);
            manifest.Open(EncryptedStore::ManifestPathOf(folder), false);
            (void)manifest.AddEntry(prefix + QString::number(i), false, 0, folder);
            (void)manifest.Save();
        }
    };
    QThread* a = QThread::create(writer, QStringLiteral("a"));
    QThread* b = QThread::create(writer, QStringLiteral("b"));
    a->start();
    b->start();
    QVERIFY(a->wait(60000) && b->wait(60000));
    delete a;
    delete b;
    StoreManifest manifest(keys_);
    manifest.Open(EncryptedStore::ManifestPathOf(folder), true);
    QCOMPARE(manifest.Entries().size(), std::size_t(50));
}

void TestStore::workUnitsAndTexts()
{
    QCOMPARE(WorkUnits::FormatSizeColumn(2048, u',', u'A'), QStringLiteral("2,048"));
    QCOMPARE(WorkUnits::FormatSizeColumn(2049, u',', u'A'), QStringLiteral("2 KB"));
    QCOMPARE(WorkUnits::FormatSizeColumn(2097152, u',', u'A'), QStringLiteral("2,048 KB"));
    QCOMPARE(WorkUnits::FormatSizeColumn(2097153, u',', u'A'), QStringLiteral("2 MB"));
    QCOMPARE(WorkUnits::FormatSizeColumn(1234567, u'.', u'B'), QStringLiteral("1.234.567"));
    QCOMPARE(WorkUnits::TransferText(512, 1024), QStringLiteral("512 / 1024 bytes"));
    QCOMPARE(WorkUnits::TransferText(0, 1024), QStringLiteral("1024 bytes"));
    QCOMPARE(WorkUnits::TransferText(0, 1025), QStringLiteral("1.00 KB"));
    QCOMPARE(WorkUnits::TransferText(1000000, 5000000), QStringLiteral("0.95 / 4.77 MB    (1000000 bytes)"));
    QCOMPARE(WorkUnits::TransferText(0, 6ull << 30), QStringLiteral("6.00 GB"));
    HeadlessProgress sink;
    WorkUnits::FormatTransferProgress(&sink, 512, 1024);
    QCOMPARE(sink.State().line3, QStringLiteral("512 / 1024 bytes"));

    const QString folder = dir_->filePath(QStringLiteral("units"));
    QVERIFY(QDir().mkpath(folder));
    QCOMPARE(WorkUnits::FolderWorkUnits(folder, nullptr), 1ull);
    QVERIFY(WriteAll(folder + QStringLiteral("/one"), "x"));
    QVERIFY(WriteAll(folder + QStringLiteral("/big"), QByteArray(524289, 'b')));
    QCOMPARE(WorkUnits::FolderWorkUnits(folder, nullptr), 4ull);
    QVERIFY(WriteAll(folder + QStringLiteral("/.manifest"), QByteArray(10, 'm')));
    QCOMPARE(WorkUnits::FolderWorkUnits(folder, nullptr), 5ull);
    QCOMPARE(WorkUnits::StoreFolderWorkUnits(folder, nullptr), 4ull);
    QFile huge(folder + QStringLiteral("/sparse"));
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(6ll << 30));
    huge.close();
    QCOMPARE(WorkUnits::FileWorkUnits(folder + QStringLiteral("/sparse")), 12288ull);
    QCOMPARE(WorkUnits::FileWorkUnits(folder + QStringLiteral("/none")), 0ull);
}

void TestStore::fileUtilities()
{
    const QString base = dir_->path();
    QVERIFY(FileUtilities::DeleteFileForced(base + QStringLiteral("/missing")));
    QCOMPARE(FileUtilities::CreateDirectories(base + QStringLiteral("/a/b/c.txt"), true, nullptr), 0u);
    QVERIFY(QFileInfo(base + QStringLiteral("/a/b")).isDir());
    QVERIFY(!QFileInfo::exists(base + QStringLiteral("/a/b/c.txt")));
    QCOMPARE(FileUtilities::CreateDirectories(base + QStringLiteral("/a/b/c.txt"), false, nullptr), 0u);
    QVERIFY(QFileInfo(base + QStringLiteral("/a/b/c.txt")).isDir());
    QVERIFY(WriteAll(base + QStringLiteral("/file"), "x"));
    QCOMPARE(FileUtilities::CreateDirectories(base + QStringLiteral("/file/sub"), false, nullptr), 3u);
    bool reachable = false;
    QVERIFY(FileUtilities::FolderHasEntries(base + QStringLiteral("/a"), &reachable));
    QVERIFY(reachable);
    QVERIFY(!FileUtilities::FolderHasEntries(base + QStringLiteral("/a/b/c.txt"), &reachable));
    QVERIFY(reachable);
    QVERIFY(!FileUtilities::FolderHasEntries(base + QStringLiteral("/nope"), &reachable));
    QVERIFY(!reachable);

    // Zeros over every byte, the size kept.
    QVERIFY(WriteAll(base + QStringLiteral("/secret"), QByteArray(3 << 20, 's') + "tail"));
    QVERIFY(FileUtilities::WipeFile(base + QStringLiteral("/secret")));
    QVERIFY(ReadAll(base + QStringLiteral("/secret")) == QByteArray((3 << 20) + 4, '\0'));
    QVERIFY(WriteAll(base + QStringLiteral("/empty"), QByteArray()));
    QVERIFY(FileUtilities::WipeFile(base + QStringLiteral("/empty")));
    QVERIFY(!FileUtilities::WipeFile(base + QStringLiteral("/missing")));

    // A unique folder: a taken number moves on to the next.
    // Its name carries this process: "<prefix><pid>-<number>".
    const auto now = static_cast<std::int32_t>(static_cast<std::uint32_t>(std::time(nullptr)));
    const QString named = QDir::tempPath() + QStringLiteral("/nbrtest") + QString::number(QCoreApplication::applicationPid())
                          + QLatin1Char('-');
    for (int i = 0; i < 3; ++i)
        QDir().mkpath(named + QString::number(now + i));
    const QString unique = FileUtilities::CreateUniqueTempFolder(QStringLiteral("nbrtest"));
    QVERIFY(unique.endsWith(QLatin1Char('/')));
    QVERIFY(QFileInfo(unique).isDir());
    QVERIFY2(unique.startsWith(named), qPrintable(unique));
    QVERIFY(unique.mid(named.size()).chopped(1).toLongLong() >= now + 3);
    for (int i = 0; i <= 5; ++i)
        QDir().rmdir(named + QString::number(now + i));
    QDir().rmdir(unique);

    // A tree minus the one file that must stay.
    QVERIFY(QDir().mkpath(base + QStringLiteral("/tree/x/y")));
    QVERIFY(WriteAll(base + QStringLiteral("/tree/keep"), "k"));
    QVERIFY(WriteAll(base + QStringLiteral("/tree/x/y/z"), "z"));
    QVERIFY(FileUtilities::DeleteTree(base + QStringLiteral("/tree"), nullptr, false, false, base + QStringLiteral("/tree/keep")));
    QCOMPARE(QDir(base + QStringLiteral("/tree")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList {QStringLiteral("keep")});
    QVERIFY(FileUtilities::DeleteTree(base + QStringLiteral("/tree"), nullptr, false, true));
    QVERIFY(!QFileInfo::exists(base + QStringLiteral("/tree")));
    QVERIFY(!FileUtilities::DeleteTree(QString(), nullptr, false, false));
}

void TestStore::fileInUse()
{
    const QString path = dir_->filePath(QStringLiteral("held.txt"));
    QVERIFY(WriteAll(path, "held"));
    QVERIFY(!FileUtilities::IsFileInUse(dir_->filePath(QStringLiteral("missing"))));
    QVERIFY(!FileUtilities::IsFileInUse(path));
#ifdef _WIN32
    // Any handle counts on Windows, this program's own too.
    auto holder = std::make_unique<QFile>(path);
    QVERIFY(holder->open(QIODevice::ReadOnly));
#else
    QProcess holder;
    holder.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exec 3<\"$0\"; echo ready; exec sleep 30"), path});
    QVERIFY(holder.waitForReadyRead(10000));
#endif
    QVERIFY(FileUtilities::IsFileInUse(path));
    QVERIFY(!FileUtilities::WipeFile(path));
    QCOMPARE(ReadAll(path), QByteArray("held"));
#ifdef _WIN32
    holder.reset();
#else
    holder.kill();
    holder.waitForFinished();
#endif
    QVERIFY(!FileUtilities::IsFileInUse(path));
}

void TestStore::sweepsWhatACrashLeftInTheTemporaryFolder()
{
    QTemporaryDir temp;
#ifdef _WIN32
    const char* const variable = "TMP";
    QProcess ended;
    ended.start(QStringLiteral("cmd"), {QStringLiteral("/c"), QStringLiteral("exit")});
#else
    const char* const variable = "TMPDIR";
    QProcess ended;
    ended.start(QStringLiteral("true"), {});
#endif
    // A program that runs: init on Linux; on Windows a command prompt
    // waiting for its input.
#ifdef _WIN32
    QProcess running;
    running.start(QStringLiteral("cmd"), {});
    QVERIFY(running.waitForStarted());
    const QString alive = QString::number(running.processId());
#else
    const QString alive = QStringLiteral("1");
#endif
    const QByteArray saved = qgetenv(variable);
    qputenv(variable, QFile::encodeName(temp.path()));
    QVERIFY(ended.waitForStarted());
    const QString dead = QString::number(ended.processId());
    QVERIFY(ended.waitForFinished());
    const QString ours = QString::number(QCoreApplication::applicationPid());
    auto make = [&](const QString& name, QFile::Permissions mode) {
        const QString path = temp.filePath(name);
        return QDir().mkpath(path) && WriteAll(path + QStringLiteral("/copy.txt"), "decrypted")
               && QFile::setPermissions(path, mode);
    };
    const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    QVERIFY(make(QStringLiteral("_Orvane") + dead + QStringLiteral("-1"), owner));     // its program died: goes
    QVERIFY(make(QStringLiteral("_Orvane1700000000"), owner));                        // an earlier version's: goes
    QVERIFY(make(QStringLiteral("_Orvane") + ours + QStringLiteral("-2"), owner));     // this program's: stays
    QVERIFY(make(QStringLiteral("_Orvane") + alive + QStringLiteral("-3"), owner));    // a running program's: stays
#ifndef _WIN32
    // (Windows: privacy comes from the user's temporary folder's access list.)
    const QFile::Permissions shared = owner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    QVERIFY(make(QStringLiteral("_Orvane") + dead + QStringLiteral("-4"), shared));    // not private: not ours
#endif
    QVERIFY(make(QStringLiteral("_Other") + dead + QStringLiteral("-5"), owner));      // another prefix
    QTemporaryDir elsewhere;
    QVERIFY(WriteAll(elsewhere.filePath(QStringLiteral("keep.txt")), "keep"));
    QVERIFY(QFile::link(elsewhere.path(), temp.filePath(QStringLiteral("_Orvane") + dead + QStringLiteral("-6"))));

    const QString made = FileUtilities::CreateUniqueTempFolder(QStringLiteral("_Orvane"));
    QVERIFY2(made.contains(QStringLiteral("/_Orvane") + ours + u'-'), qPrintable(made));
    QCOMPARE(FileUtilities::SweepStaleTempFolders(QStringLiteral("_Orvane")), 2);
    qputenv(variable, saved);

    QVERIFY(!QFileInfo::exists(temp.filePath(QStringLiteral("_Orvane") + dead + QStringLiteral("-1"))));
    QVERIFY(!QFileInfo::exists(temp.filePath(QStringLiteral("_Orvane1700000000"))));
    QStringList stays {QStringLiteral("_Orvane") + ours + QStringLiteral("-2"), QStringLiteral("_Orvane") + alive + QStringLiteral("-3"),
                       QStringLiteral("_Other") + dead + QStringLiteral("-5")};
#ifndef _WIN32
    stays << QStringLiteral("_Orvane") + dead + QStringLiteral("-4");
#endif
    for (const QString& kept : stays)
        QVERIFY2(QFileInfo::exists(temp.filePath(kept + QStringLiteral("/copy.txt"))), qPrintable(kept));
    QVERIFY(QFileInfo::exists(made));
    QVERIFY(QFileInfo::exists(elsewhere.filePath(QStringLiteral("keep.txt"))));
#ifdef _WIN32
    running.kill();
    running.waitForFinished();
#endif
}

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
