// Names entering the store along a folder path: existing folders are found
// whatever their names, new ones follow the rule of their origin, and "."
// and ".." never get in.

#include "TestSupport.h"

#include "base/LanguageManager.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "security/SecParams.h"
#include "store/CopyToDeviceThread.h"
#include "store/EncryptedStore.h"
#include "store/OpenedFileList.h"
#include "store/StoreManifest.h"
#include "store/StoreStatus.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace nbr;
using namespace nbr::test;

class TestStoreNames : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void existingFoldersAreFoundWhateverTheirNames_data();
    void existingFoldersAreFoundWhateverTheirNames();
    void dotNamesNeverGetIn_data();
    void dotNamesNeverGetIn();
    void importRefusesDotNames();
    void fileInTheWay();
    void writeBackUnderHostNamedFolders();

private:
    [[nodiscard]] std::size_t RootEntries() const;

    QTemporaryDir dir_;
    SecParams keys_;
    LanguageManager languages_;
    std::unique_ptr<EncryptedStore> store_;
};

void TestStoreNames::initTestCase()
{
    const QByteArray pw = Utf16Le(QStringLiteral("password1"));
    QCOMPARE(keys_.CreateNew(reinterpret_cast<const std::uint8_t*>(pw.constData()), static_cast<std::size_t>(pw.size())), S_OK);
    languages_.AddPack(0, QStringLiteral(NIMBRA_LANG_DIR "/LangENG.json"));
    (void)languages_.SelectLanguage(0, true);
    store_ = std::make_unique<EncryptedStore>(dir_.filePath(QStringLiteral("stick/Encrypted Data")), keys_);
    QString root;
    QCOMPARE(store_->EnsureStoreFolders(QString(), QString(), &root), S_OK);
    QCOMPARE(root, store_->Root());
}

std::size_t TestStoreNames::RootEntries() const
{
    StoreManifest manifest(keys_);
    manifest.Open(EncryptedStore::ManifestPathOf(store_->Root()), true);
    return manifest.IsLoaded() ? manifest.Entries().size() : 0;
}

void TestStoreNames::existingFoldersAreFoundWhateverTheirNames_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name : {"a:b", "what?", "star*", "quote\"d", "<angle>", "pipe|", "back\\slash", " lead", "trail "})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestStoreNames::existingFoldersAreFoundWhateverTheirNames()
{
    QFETCH(QString, name);
    QString imported;
    if (!EncryptedStore::IsStorableName(name)) {
        // No host folder here can bear it (Windows): refused, nothing added.
        const std::size_t before = RootEntries();
        QCOMPARE(store_->EnsureStoreFolders(QString(), name, &imported, true), E_STORE_BAD_NAME);
        QCOMPARE(RootEntries(), before);
        return;
    }
    // Stored as a host folder of that name is, by an import.
    QCOMPARE(store_->EnsureStoreFolders(QString(), name, &imported, true), S_OK);
    QVERIFY(imported.startsWith(store_->Root()));
    const std::size_t entries = RootEntries();

    // Found again as a typed path, with a new folder below it.
    QString sub;
    QCOMPARE(store_->EnsureStoreFolders(QString(), name + QStringLiteral("/Sub"), &sub), S_OK);
    QCOMPARE(NativePath::ParentOf(sub), imported);
    QString again;
    QCOMPARE(store_->EnsureStoreFolders(QString(), name, &again), S_OK);
    QCOMPARE(again, imported);
    QCOMPARE(RootEntries(), entries);

    // A person cannot type such a name for a new folder.
    QString fresh;
    QCOMPARE(store_->EnsureStoreFolders(QString(), QStringLiteral("Fresh/") + name, &fresh), E_STORE_BAD_NAME);
    QCOMPARE(store_->CreateStoreFolder(sub, name, &fresh), E_STORE_BAD_NAME);
}

void TestStoreNames::dotNamesNeverGetIn_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("hostNames");
    for (const bool host : {false, true}) {
        const char* kind = host ? " (host names)" : " (typed)";
        QTest::addRow("parent%s", kind) << QStringLiteral("..") << host;
        QTest::addRow("self%s", kind) << QStringLiteral(".") << host;
        QTest::addRow("parent inside%s", kind) << QStringLiteral("A/../B") << host;
        QTest::addRow("self first%s", kind) << QStringLiteral("./C") << host;
    }
}

void TestStoreNames::dotNamesNeverGetIn()
{
    QFETCH(QString, path);
    QFETCH(bool, hostNames);
    const std::size_t entries = RootEntries();
    QString stored;
    QCOMPARE(store_->EnsureStoreFolders(QString(), path, &stored, hostNames), E_STORE_BAD_NAME);
    for (const char* name : {".", ".."}) {
        QVERIFY(!EncryptedStore::IsStorableName(QString::fromLatin1(name)));
        QVERIFY(!EncryptedStore::IsValidFolderName(QString::fromLatin1(name)));
        QCOMPARE(store_->CreateStoreFolder(store_->Root(), QString::fromLatin1(name), &stored), E_STORE_BAD_NAME);
    }
    QCOMPARE(RootEntries(), entries);
}

void TestStoreNames::importRefusesDotNames()
{
    // A dropped path such as "/home/me/Docs/." names its folder ".".
    const QString host = dir_.filePath(QStringLiteral("dropped"));
    QVERIFY(QDir().mkpath(host));
    QVERIFY(WriteAll(host + QStringLiteral("/f.txt"), "f"));
    const std::size_t entries = RootEntries();
    for (const char* name : {".", ".."}) {
        DirectoryEntry info;
        QCOMPARE(FileSystem::Info(host, &info), S_OK);
        info.name = QString::fromLatin1(name);
        std::uint32_t id = 0;
        QCOMPARE(CopyToDeviceThread::EncryptFolderIntoStore(*store_, host, store_->Root(), info, &id, nullptr, nullptr, true),
                 E_STORE_BAD_NAME);
        QCOMPARE(FileSystem::Info(host + QStringLiteral("/f.txt"), &info), S_OK);
        info.name = QString::fromLatin1(name);
        QCOMPARE(CopyToDeviceThread::EncryptFileIntoStore(*store_, host + QStringLiteral("/f.txt"), store_->Root(), info, &id,
                                                          nullptr, nullptr, true),
                 E_STORE_BAD_NAME);
    }
    QCOMPARE(RootEntries(), entries);
}

void TestStoreNames::fileInTheWay()
{
    const QString host = dir_.filePath(QStringLiteral("plain.txt"));
    QVERIFY(WriteAll(host, "text"));
    DirectoryEntry info;
    QCOMPARE(FileSystem::Info(host, &info), S_OK);
    std::uint32_t id = 0;
    QCOMPARE(CopyToDeviceThread::EncryptFileIntoStore(*store_, host, store_->Root(), info, &id, nullptr, nullptr, false), S_OK);
    QString stored;
    QCOMPARE(store_->EnsureStoreFolders(QString(), QStringLiteral("PLAIN.TXT/below"), &stored), E_STORE_ITEM_EXISTS);
    QCOMPARE(stored, EncryptedStore::StoredPathOf(store_->Root(), id));
    QCOMPARE(store_->EnsureStoreFolders(QString(), QStringLiteral("plain.txt"), &stored), E_STORE_ITEM_EXISTS);
    QVERIFY(!QFileInfo(stored).isDir());
}

void TestStoreNames::writeBackUnderHostNamedFolders()
{
    // An edit under a folder an import stored with a name no one could type
    // for a new folder, and a folder a program made in the launch folder
    // with such a name: a colon, or on Windows (whose folders cannot bear
    // one) a leading space.
#ifdef _WIN32
    const QString notes = QStringLiteral(" Notes 2026");
    const QString made = QStringLiteral(" Made by app");
#else
    const QString notes = QStringLiteral("Notes: 2026");
    const QString made = QStringLiteral("Made by <app>");
#endif
    const QString launch = OpenedFileList::LaunchFolderOf(dir_.filePath(QStringLiteral("stick")));
    QString imported;
    QCOMPARE(store_->EnsureStoreFolders(QString(), notes, &imported, true), S_OK);
    const std::size_t entries = RootEntries();
    QVERIFY(QDir().mkpath(launch + u'/' + notes));
    QVERIFY(QDir().mkpath(launch + u'/' + made));
    QVERIFY(WriteAll(launch + u'/' + notes + QStringLiteral("/edit.txt"), "edited"));
    QVERIFY(WriteAll(launch + u'/' + made + QStringLiteral("/new.txt"), "new"));
    OpenedFileList opened(*store_, launch, languages_);
    QCOMPARE(opened.CleanUpLaunchFolder(nullptr), S_OK);
    QVERIFY(!QFileInfo::exists(launch));
    QCOMPARE(RootEntries(), entries + 1);
    QString stored;
    ManifestEntry entry;
    QCOMPARE(store_->Resolve(notes + QStringLiteral("/edit.txt"), &stored, &entry), S_OK);
    QCOMPARE(NativePath::ParentOf(stored), imported);
    QCOMPARE(store_->Resolve(made + QStringLiteral("/new.txt"), &stored, &entry), S_OK);
}

QTEST_GUILESS_MAIN(TestStoreNames)
#include "tst_storenames.moc"
