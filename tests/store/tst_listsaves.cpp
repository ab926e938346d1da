// How folder lists reach the stick: damaged lists give way to their
// backups, a save replaces whole files or changes nothing, a full disk
// leaves every list readable, a kill at any instant loses nothing saved, and
// numbers never wrap to 0.

#include "TestSupport.h"

#include "platform/FileSystem.h"
#include "security/SecParams.h"
#include "store/CopyToDeviceThread.h"
#include "store/EncryptedStore.h"
#include "store/StoreManifest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QRandomGenerator>
#include <QTest>
#include <QtEndian>

#include <csignal>

using namespace nbr;
using namespace nbr::test;

namespace {

// The bytes of a list file holding `entries`, as a save writes it.
QByteArray ListFile(const std::vector<ManifestEntry>& entries)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list"));
    const QByteArray content = StoreManifest::Serialize(entries);
    CryptPtr engine = MakeEngine(kMaster);
    if (Failed(engine->EncryptBufferToFile(content.constData(), static_cast<std::size_t>(content.size()), path, nullptr)))
        return {};
    return ReadAll(path);
}

std::vector<ManifestEntry> ThreeEntries()
{
    return {{1, QStringLiteral("Docs"), true, 0}, {2, QStringLiteral("report.doc"), false, 7},
            {3, QStringLiteral("photo.jpg"), false, 9}};
}

QStringList NamesIn(const SecParams& keys, const QString& listFile)
{
    std::vector<ManifestEntry> entries;
    QStringList names;
    if (Succeeded(StoreManifest::ReadFile(keys, listFile, &entries))) {
        for (const ManifestEntry& entry : entries)
            names << entry.name;
    }
    return names;
}

}  // namespace

class TestListSaves : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Unlock(keys_, kMaster); }
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        root_ = dir_->filePath(QStringLiteral("Encrypted Data"));
    }
    void damagedListsFallBack_data();
    void damagedListsFallBack();
    void savesReplaceWholeFiles();
    void fullDiskLeavesListsWhole();
    void idsNeverWrap();
    void deletionTellsOfAListLeftBehind();
    void killedSavesLeaveWholeLists();

private:
    SecParams keys_;
    std::unique_ptr<QTemporaryDir> dir_;
    QString root_;
};

void TestListSaves::damagedListsFallBack_data()
{
    const QByteArray good = ListFile(ThreeEntries());
    QByteArray sizeZero = good;
    qToLittleEndian<std::uint32_t>(0, sizeZero.data() + 8);
    QTest::addColumn<QByteArray>("main");
    // A kill between the header and the content of an in-place rewrite.
    QTest::newRow("header only") << good.left(157);
    QTest::newRow("cut at a block boundary") << good.chopped(16);
    QTest::newRow("a block more") << good + QByteArray(16, 'x');
    QTest::newRow("recorded size 0, content kept") << sizeZero;
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("one id twice") << ListFile({{1, QStringLiteral("a"), false, 0}, {1, QStringLiteral("b"), false, 0}});
    QTest::newRow("id 0") << ListFile({{0, QStringLiteral("a"), false, 0}});
}

void TestListSaves::damagedListsFallBack()
{
    QFETCH(QByteArray, main);
    QVERIFY(QDir().mkpath(root_));
    const QString list = EncryptedStore::ManifestPathOf(root_);
    QVERIFY(WriteAll(list, main));
    QVERIFY(WriteAll(list + QStringLiteral(".bak"), ListFile(ThreeEntries())));
    {
        StoreManifest manifest(keys_);
        manifest.Open(list, true);
        QVERIFY(manifest.IsLoaded());
        QVERIFY(manifest.LoadedFromBackup());
        QCOMPARE(manifest.Entries().size(), std::size_t(3));
    }
    // The next change builds on the backup's list and never saves over it
    // with the damaged one's.
    EncryptedStore store(root_, keys_);
    QString stored;
    QCOMPARE(store.CreateStoreFolder(root_, QStringLiteral("New"), &stored), S_OK);
    const QStringList expected {QStringLiteral("Docs"), QStringLiteral("report.doc"), QStringLiteral("photo.jpg"),
                                QStringLiteral("New")};
    QCOMPARE(NamesIn(keys_, list), expected);
    QCOMPARE(NamesIn(keys_, list + QStringLiteral(".bak")), expected);
    QCOMPARE(stored, root_ + QStringLiteral("/4"));
}

void TestListSaves::savesReplaceWholeFiles()
{
    EncryptedStore store(root_, keys_);
    QString stored;
    QCOMPARE(store.CreateStoreFolder(root_, QStringLiteral("Kept"), &stored), S_OK);
    const QString list = EncryptedStore::ManifestPathOf(root_);
    const QByteArray main = ReadAll(list);
    const QByteArray backup = ReadAll(list + QStringLiteral(".bak"));
    QVERIFY(!QFileInfo::exists(StoreManifest::FreshPathOf(list)));

    // The new list cannot be written: both files stay as they were, the
    // caller learns it, and the folder made for it is taken back.
    QVERIFY(QDir().mkpath(StoreManifest::FreshPathOf(list)));
    QVERIFY(Failed(store.CreateStoreFolder(root_, QStringLiteral("Lost"), &stored)));
    QCOMPARE(ReadAll(list), main);
    QCOMPARE(ReadAll(list + QStringLiteral(".bak")), backup);
    QVERIFY(!QFileInfo::exists(root_ + QStringLiteral("/2")));
    QVERIFY(QDir().rmdir(StoreManifest::FreshPathOf(list)));

    // The backup cannot follow: the change stands, and a file added with it
    // stays, since the list on the stick names it.
    QVERIFY(QDir().mkpath(StoreManifest::FreshPathOf(list + QStringLiteral(".bak"))));
    const QString host = dir_->filePath(QStringLiteral("note.txt"));
    QVERIFY(WriteAll(host, "a note"));
    DirectoryEntry source;
    QCOMPARE(FileSystem::Info(host, &source), S_OK);
    std::uint32_t id = 0;
    QCOMPARE(CopyToDeviceThread::EncryptFileIntoStore(store, host, root_, source, &id, nullptr, nullptr, false), S_OK);
    QCOMPARE(NamesIn(keys_, list), (QStringList {QStringLiteral("Kept"), QStringLiteral("note.txt")}));
    QCOMPARE(ReadAll(list + QStringLiteral(".bak")), backup);
    QVERIFY(QFileInfo::exists(EncryptedStore::StoredPathOf(root_, id)));
}

void TestListSaves::fullDiskLeavesListsWhole()
{
    const QString mountPoint = dir_->filePath(QStringLiteral("small"));
    SmallVolume volume(mountPoint, "128k");
    if (!volume.Mounted())
        QSKIP("a small volume cannot be made here");
    const QString root = mountPoint + QStringLiteral("/Encrypted Data");
    EncryptedStore store(root, keys_);
    QString folder;
    QCOMPARE(store.EnsureStoreFolders(QString(), QStringLiteral("Full"), &folder), S_OK);
    const QByteArray rootList = ReadAll(EncryptedStore::ManifestPathOf(root));
    // Fill what is left.
    QFile filler(mountPoint + QStringLiteral("/filler"));
    (void)filler.open(QIODevice::WriteOnly);
    while (filler.write(QByteArray(4096, 'f')) == 4096 && filler.flush()) {
    }
    filler.close();

    // The first list of a new folder, and a change to an existing one.
    StoreManifest fresh(keys_);
    fresh.Open(EncryptedStore::ManifestPathOf(folder), false);
    (void)fresh.AddEntry(QStringLiteral("a"), false, 0, folder);
    const Status first = fresh.Save();
    fresh.Close();
    QString stored;
    const Status second = store.CreateStoreFolder(root, QStringLiteral("More"), &stored);
    StoreManifest reread(keys_);
    reread.Open(EncryptedStore::ManifestPathOf(folder), true);
    const bool readable = reread.IsLoaded() && reread.Entries().empty();
    reread.Close();
    const QByteArray rootAfter = ReadAll(EncryptedStore::ManifestPathOf(root));
    const bool leftovers = QFileInfo::exists(StoreManifest::FreshPathOf(EncryptedStore::ManifestPathOf(folder)));
    volume.Unmount();
    QVERIFY(Failed(first));
    QVERIFY(Failed(second));
    QVERIFY(readable);
    QCOMPARE(rootAfter, rootList);
    QVERIFY(!leftovers);
}

void TestListSaves::idsNeverWrap()
{
    QVERIFY(QDir().mkpath(root_));
    const QString list = EncryptedStore::ManifestPathOf(root_);
    QVERIFY(WriteAll(list, ListFile({{4294967295u, QStringLiteral("last"), false, 0}, {1, QStringLiteral("one"), false, 0}})));
    QVERIFY(WriteAll(root_ + QStringLiteral("/2"), "a leftover"));
    StoreManifest manifest(keys_);
    manifest.Open(list, false);
    QVERIFY(manifest.IsLoaded());
    QCOMPARE(manifest.AddEntry(QStringLiteral("next"), false, 0, root_).id, 3u);
    QCOMPARE(manifest.AddEntry(QStringLiteral("after"), false, 0, root_).id, 4u);
}

void TestListSaves::deletionTellsOfAListLeftBehind()
{
    EncryptedStore store(root_, keys_);
    QString folder;
    QCOMPARE(store.CreateStoreFolder(root_, QStringLiteral("Kept"), &folder), S_OK);
    // The list cannot change: nothing is deleted, and the caller learns it.
    QVERIFY(QDir().mkpath(StoreManifest::FreshPathOf(EncryptedStore::ManifestPathOf(root_))));
    QVERIFY(Failed(store.DeleteStoreItem(folder, nullptr)));
    QVERIFY(QFileInfo(folder).isDir());
    QVERIFY(!QFileInfo::exists(EncryptedStore::DeletionMarkerOf(folder)));
    QVERIFY(QDir().rmdir(StoreManifest::FreshPathOf(EncryptedStore::ManifestPathOf(root_))));
    QCOMPARE(store.DeleteStoreItem(folder, nullptr), S_OK);
    QVERIFY(!QFileInfo::exists(folder));
    QVERIFY(!QFileInfo::exists(EncryptedStore::DeletionMarkerOf(folder)));
    std::vector<ManifestEntry> entries;
    QCOMPARE(StoreManifest::ReadFile(keys_, EncryptedStore::ManifestPathOf(root_), &entries), S_OK);
    QVERIFY(entries.empty());
}

void TestListSaves::killedSavesLeaveWholeLists()
{
#ifdef _WIN32
    QSKIP("no fork on Windows: the crash walks kill nimbra-cli instead");
#else
    QVERIFY(QDir().mkpath(root_));
    const QString list = EncryptedStore::ManifestPathOf(root_);
    QRandomGenerator random(7);
    std::size_t before = 0;
    for (int round = 0; round < 30; ++round) {
        // Saves as fast as it can until it is killed at a random instant;
        // the last round runs long enough to save, however slow the build.
        const bool ran = KilledMidway(
            [&] {
                for (int i = 0; i < 100000; ++i) {
                    StoreManifest manifest(keys_);
                    manifest.Open(list, false);
                    if (!manifest.IsLoaded())
                        return false;
                    (void)manifest.AddEntry(QStringLiteral("r%1-%2").arg(round).arg(i), false, 0, root_);
                    if (Failed(manifest.Save()))
                        return false;
                }
                return true;
            },
            round == 29 ? 1500000u : 500u + random.bounded(30000u));
        QVERIFY2(ran, "a load or a save failed");
        StoreManifest manifest(keys_);
        manifest.Open(list, true);
        QVERIFY(manifest.IsLoaded());
        QVERIFY(!manifest.LoadedFromBackup());
        // Nothing saved before is ever lost.
        QVERIFY(manifest.Entries().size() >= before);
        before = manifest.Entries().size();
    }
    QVERIFY(before > 0);
#endif
}

QTEST_GUILESS_MAIN(TestListSaves)
#include "tst_listsaves.moc"
