// Checking and repairing a store: unlisted items are put back under their
// own names, only what holds no data is deleted, missing items leave their
// lists, damaged lists come back from their backups, and damaged files and
// unusable names are reported; imports killed at random instants lose nothing.

#include "TestSupport.h"

#include "platform/FileSystem.h"
#include "security/SecParams.h"
#include "security/SecurityStatus.h"
#include "store/CopyToDeviceThread.h"
#include "store/EncryptedStore.h"
#include "store/StoreManifest.h"
#include "store/StoreRepair.h"

#include <QDir>
#include <QHash>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>


#include <functional>

using namespace nbr;
using namespace nbr::test;

namespace {

using Finding = StoreRepair::Finding;

}  // namespace

class TestRepair : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Unlock(keys_, kMaster); }
    void init();
    void freeNames_data();
    void freeNames();
    void freshFileNames();
    void putsUnlistedItemsBack();
    void deletesOnlyWhatHoldsNoData();
    void dropsMissingEntries();
    void restoresListsFromBackups();
    void reportsDamagedFilesAndNames();
    void recoveredNameTakenByAFile();
    void killedImportsLoseNothing();
    void killedDeletionsAreRepaired();
    void finishesMarkedDeletions();
    void powerLossRemains();
    void recoveredNamesAreUsable_data();
    void recoveredNamesAreUsable();
    void recoveredFoldersKeepTheirShape();

private:
    // Encrypts a host file of that name and content into a stored folder.
    QString Add(const QString& storedFolder, const QString& name, const QByteArray& content);
    QString Folder(const QString& displayPath);
    void Unlist(const QString& storedPath);
    QList<StoreRepair::Report> Run(bool repair);
    QByteArray Decrypted(const QString& displayPath);

    SecParams keys_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<EncryptedStore> store_;
    QString root_;
};

void TestRepair::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    root_ = dir_->filePath(QStringLiteral("Encrypted Data"));
    store_ = std::make_unique<EncryptedStore>(root_, keys_);
    QString stored;
    QCOMPARE(store_->EnsureStoreFolders(QString(), QString(), &stored), S_OK);
}

QString TestRepair::Add(const QString& storedFolder, const QString& name, const QByteArray& content)
{
    const QString host = dir_->filePath(QStringLiteral("host/") + name);
    QDir().mkpath(dir_->filePath(QStringLiteral("host")));
    if (!WriteAll(host, content))
        return {};
    DirectoryEntry source;
    if (Failed(FileSystem::Info(host, &source)))
        return {};
    std::uint32_t id = 0;
    if (Failed(CopyToDeviceThread::EncryptFileIntoStore(*store_, host, storedFolder, source, &id, nullptr, nullptr, true)))
        return {};
    return EncryptedStore::StoredPathOf(storedFolder, id);
}

QString TestRepair::Folder(const QString& displayPath)
{
    QString stored;
    return Succeeded(store_->EnsureStoreFolders(QString(), displayPath, &stored)) ? stored : QString();
}

void TestRepair::Unlist(const QString& storedPath)
{
    StoreManifest manifest(keys_);
    manifest.Open(EncryptedStore::ManifestPathOf(QFileInfo(storedPath).path()), false);
    QVERIFY(manifest.RemoveEntry(QFileInfo(storedPath).fileName()));
    QCOMPARE(manifest.Save(), S_OK);
}

QList<StoreRepair::Report> TestRepair::Run(bool repair)
{
    QList<StoreRepair::Report> reports;
    StoreRepair walk(*store_, repair, [&reports](const StoreRepair::Report& report) { reports << report; });
    walk.Run();
    return reports;
}

QByteArray TestRepair::Decrypted(const QString& displayPath)
{
    QString stored;
    ManifestEntry entry;
    if (Failed(store_->Resolve(displayPath, &stored, &entry)) || entry.isFolder)
        return "(not a stored file)";
    CryptPtr engine = MakeEngine(kMaster);
    QByteArray content;
    if (Failed(engine->DecryptFileToBuffer(stored, &content)))
        return "(does not decrypt)";
    return content;
}

void TestRepair::freeNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("isFolder");
    QTest::addColumn<QStringList>("taken");
    QTest::addColumn<QString>("expected");
    QTest::newRow("free") << "a.txt" << false << QStringList {"b.txt"} << "a.txt";
    QTest::newRow("taken") << "a.txt" << false << QStringList {"a.txt"} << "a (2).txt";
    QTest::newRow("taken ignoring case") << "a.txt" << false << QStringList {"A.TXT", "a (2).TXT"} << "a (3).txt";
    QTest::newRow("folder keeps its dot") << "x.y" << true << QStringList {"x.y"} << "x.y (2)";
    QTest::newRow("dot file") << ".profile" << false << QStringList {".profile"} << ".profile (2)";
    QTest::newRow("no extension") << "notes" << false << QStringList {"notes"} << "notes (2)";
}

void TestRepair::freeNames()
{
    QFETCH(QString, name);
    QFETCH(bool, isFolder);
    QFETCH(QStringList, taken);
    QFETCH(QString, expected);
    QCOMPARE(StoreRepair::FreeName(name, isFolder, [&taken](const QString& n) { return taken.contains(n, Qt::CaseInsensitive); }),
             expected);
}

void TestRepair::freshFileNames()
{
    for (const char* name : {".manifest.nbr-new", ".manifest.bak.nbr-new", ".12.nbr-new"})
        QVERIFY2(StoreRepair::IsFreshFileName(QString::fromLatin1(name)), name);
    for (const char* name : {".manifest", "12.nbr-new", ".12a.nbr-new", "..nbr-new", ".secparams.enc.nbr-new", ".nbr-new"})
        QVERIFY2(!StoreRepair::IsFreshFileName(QString::fromLatin1(name)), name);
}

void TestRepair::putsUnlistedItemsBack()
{
    const QString alpha = Add(root_, QStringLiteral("a.txt"), "alpha");
    const QString docs = Folder(QStringLiteral("Docs"));
    QVERIFY(!Add(docs, QStringLiteral("b.txt"), "beta").isEmpty());
    const QString recovered = Folder(QStringLiteral("Recovered"));
    QVERIFY(!Add(recovered, QStringLiteral("A.TXT"), "an earlier one").isEmpty());
    // An interrupted save: both items are on the stick, their list forgot them.
    Unlist(alpha);
    Unlist(docs);
    const QString alphaNumber = QFileInfo(alpha).fileName();
    const QString docsNumber = QFileInfo(docs).fileName();

    QList<StoreRepair::Report> reports = Run(false);
    QCOMPARE(reports.size(), 2);
    for (const StoreRepair::Report& report : reports) {
        QCOMPARE(report.finding, Finding::Unlisted);
        QVERIFY(!report.repaired);
    }
    QVERIFY(QFileInfo::exists(alpha) && QFileInfo::exists(docs));

    reports = Run(true);
    QCOMPARE(reports.size(), 2);
    QStringList places;
    for (const StoreRepair::Report& report : reports) {
        QCOMPARE(report.finding, Finding::Unlisted);
        QVERIFY(report.repaired);
        places << report.where + QStringLiteral(" -> ") + report.detail;
    }
    places.sort();
    QCOMPARE(places, (QStringList {QStringLiteral("/%1 -> /Recovered/a (2).txt").arg(alphaNumber),
                                   QStringLiteral("/%1 -> /Recovered/%1").arg(docsNumber)}));
    QCOMPARE(Decrypted(QStringLiteral("Recovered/a (2).txt")), QByteArray("alpha"));
    QCOMPARE(Decrypted(QStringLiteral("Recovered/A.TXT")), QByteArray("an earlier one"));
    QCOMPARE(Decrypted(QStringLiteral("Recovered/%1/b.txt").arg(docsNumber)), QByteArray("beta"));
    QVERIFY(Run(false).isEmpty());
}

void TestRepair::deletesOnlyWhatHoldsNoData()
{
    const QString keep = Add(root_, QStringLiteral("keep.txt"), Pattern(100, 2));
    const QByteArray stored = ReadAll(keep);
    // Remains of interrupted writes, none of them listed.
    QVERIFY(WriteAll(root_ + QStringLiteral("/7"), QByteArray()));
    QVERIFY(WriteAll(root_ + QStringLiteral("/8"), stored.chopped(16)));  // content cut short
    QVERIFY(WriteAll(root_ + QStringLiteral("/9"), stored.left(100)));    // cut inside its header
    QVERIFY(QDir().mkpath(root_ + QStringLiteral("/10")));
    QVERIFY(WriteAll(root_ + QStringLiteral("/10/.manifest"), QByteArray()));
    QVERIFY(WriteAll(root_ + QStringLiteral("/.manifest.nbr-new"), stored.left(50)));
    QVERIFY(WriteAll(root_ + QStringLiteral("/.1.nbr-new"), stored));  // beside the file it replaces
    // No data of this store's: set aside, never deleted.
    QVERIFY(WriteAll(root_ + QStringLiteral("/11"), "leftover"));
    QVERIFY(QFile::copy(QStringLiteral(NIMBRA_TEST_DATA "/manifest_other_key.enc"), root_ + QStringLiteral("/12")));
    // Not listed but whole: put back. So is a replacement whose original is gone.
    QVERIFY(WriteAll(root_ + QStringLiteral("/13"), stored));
    QVERIFY(WriteAll(root_ + QStringLiteral("/.20.nbr-new"), stored));

    QList<StoreRepair::Report> reports = Run(true);
    QMap<QString, StoreRepair::Report> byPlace;
    for (const StoreRepair::Report& report : reports)
        byPlace.insert(report.where, report);
    QCOMPARE(byPlace.size(), reports.size());
    for (const char* place : {"/7", "/8", "/9", "/10", "/.manifest.nbr-new", "/.1.nbr-new"}) {
        QVERIFY2(byPlace.contains(QString::fromLatin1(place)), place);
        QCOMPARE(byPlace.value(QString::fromLatin1(place)).finding, Finding::InterruptedWrite);
        QVERIFY(byPlace.value(QString::fromLatin1(place)).repaired);
        QVERIFY2(!QFileInfo::exists(root_ + QString::fromLatin1(place)), place);
    }
    QCOMPARE(ReadAll(root_ + QStringLiteral("/.damaged/11")), QByteArray("leftover"));
    for (const char* place : {"/11", "/12"}) {
        const StoreRepair::Report report = byPlace.value(QString::fromLatin1(place));
        QCOMPARE(report.finding, Finding::Unrecoverable);
        QVERIFY(report.repaired);
        QCOMPARE(report.detail, QStringLiteral("/.damaged") + QString::fromLatin1(place));
        QVERIFY(!QFileInfo::exists(root_ + QString::fromLatin1(place)));
    }
    QCOMPARE(byPlace.value(QStringLiteral("/13")).detail, QStringLiteral("/Recovered/keep.txt"));
    QCOMPARE(Decrypted(QStringLiteral("Recovered/keep.txt")), Pattern(100, 2));
    QCOMPARE(Decrypted(QStringLiteral("Recovered/keep (2).txt")), Pattern(100, 2));
    QVERIFY(byPlace.value(QStringLiteral("/.20.nbr-new")).repaired);
    QCOMPARE(Decrypted(QStringLiteral("keep.txt")), Pattern(100, 2));
    QCOMPARE(reports.size(), 10);
}

void TestRepair::dropsMissingEntries()
{
    const QString docs = Folder(QStringLiteral("Docs"));
    const QString gone = Add(docs, QStringLiteral("gone.txt"), "g");
    QVERIFY(!Add(docs, QStringLiteral("here.txt"), "h").isEmpty());
    const QString sub = Folder(QStringLiteral("Docs/Sub"));
    // An interrupted rm -r: the items went, their entries stayed.
    QVERIFY(QFile::remove(gone));
    QVERIFY(QDir(sub).removeRecursively());

    QList<StoreRepair::Report> reports = Run(false);
    QCOMPARE(reports.size(), 2);
    QSet<QString> places;
    for (const StoreRepair::Report& report : reports) {
        QCOMPARE(report.finding, Finding::Missing);
        places << report.where;
    }
    QCOMPARE(places, (QSet<QString> {QStringLiteral("/Docs/gone.txt"), QStringLiteral("/Docs/Sub")}));
    // rm takes a missing item off its list as well.
    QString stored;
    ManifestEntry entry;
    QCOMPARE(store_->Resolve(QStringLiteral("Docs/Sub"), &stored, &entry), S_OK);
    QCOMPARE(store_->DeleteStoreItem(stored, nullptr), S_OK);
    reports = Run(true);
    QCOMPARE(reports.size(), 1);
    QVERIFY(reports.at(0).repaired);
    QCOMPARE(reports.at(0).where, QStringLiteral("/Docs/gone.txt"));
    QVERIFY(Run(false).isEmpty());
    QCOMPARE(Decrypted(QStringLiteral("Docs/here.txt")), QByteArray("h"));
}

void TestRepair::restoresListsFromBackups()
{
    const QString docs = Folder(QStringLiteral("Docs"));
    QVERIFY(!Add(docs, QStringLiteral("a.txt"), "a").isEmpty());
    QVERIFY(!Add(docs, QStringLiteral("b.txt"), "b").isEmpty());
    // Cut at a block boundary: it decrypts, but not to the list that was saved.
    const QString list = EncryptedStore::ManifestPathOf(docs);
    QVERIFY(WriteAll(list, ReadAll(list).chopped(16)));
    QList<StoreRepair::Report> reports = Run(true);
    QCOMPARE(reports.size(), 1);
    QCOMPARE(reports.first().finding, Finding::ListDamaged);
    QCOMPARE(reports.first().where, QStringLiteral("/Docs"));
    QVERIFY(reports.first().repaired);
    std::vector<ManifestEntry> entries;
    QCOMPARE(StoreManifest::ReadFile(keys_, list, &entries), S_OK);
    QCOMPARE(entries.size(), std::size_t(2));
    QVERIFY(Run(false).isEmpty());

    // Both unreadable: a check touches nothing; a repair sets both aside and
    // puts the folder's files back under their own names.
    QVERIFY(WriteAll(list, "x"));
    QVERIFY(WriteAll(list + QStringLiteral(".bak"), "y"));
    const QStringList before = QDir(docs).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    reports = Run(false);
    QCOMPARE(reports.size(), 1);
    QCOMPARE(reports.first().finding, Finding::ListLost);
    QVERIFY(!reports.first().repaired);
    QCOMPARE(QDir(docs).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
    reports = Run(true);
    QCOMPARE(reports.size(), 3);
    QCOMPARE(reports.first().finding, Finding::ListLost);
    QVERIFY(reports.first().repaired && reports.at(1).repaired && reports.at(2).repaired);
    QCOMPARE(ReadAll(list + QStringLiteral(".damaged")), QByteArray("x"));
    QCOMPARE(ReadAll(list + QStringLiteral(".bak.damaged")), QByteArray("y"));
    QCOMPARE(Decrypted(QStringLiteral("Recovered/a.txt")), QByteArray("a"));
    QCOMPARE(Decrypted(QStringLiteral("Recovered/b.txt")), QByteArray("b"));
    QVERIFY(Run(false).isEmpty());
}

void TestRepair::reportsDamagedFilesAndNames()
{
    const QString cut = Add(root_, QStringLiteral("cut.bin"), Pattern(64, 4));
    QVERIFY(WriteAll(cut, ReadAll(cut).chopped(16)));
    const QString grown = Add(root_, QStringLiteral("grown.bin"), Pattern(64, 5));
    QVERIFY(WriteAll(grown, ReadAll(grown) + QByteArray(16, 'g')));
    QString dots = Add(root_, QStringLiteral("dots"), "d");
    {
        // Names a crafted list can hold but the host cannot take.
        StoreManifest manifest(keys_);
        manifest.Open(EncryptedStore::ManifestPathOf(root_), false);
        std::vector<ManifestEntry> entries = manifest.Entries();
        for (ManifestEntry& entry : entries) {
            if (entry.name == QLatin1String("dots"))
                entry.name = QStringLiteral("..");
        }
        entries.push_back({50, QStringLiteral("a/b"), false, 0});
        const QByteArray content = StoreManifest::Serialize(entries);
        CryptPtr engine = MakeEngine(kMaster);
        manifest.Close();
        QCOMPARE(engine->EncryptBufferToFile(content.constData(), static_cast<std::size_t>(content.size()),
                                             EncryptedStore::ManifestPathOf(root_), nullptr),
                 S_OK);
        QVERIFY(QFile::copy(dots, root_ + QStringLiteral("/50")));
    }
    QList<StoreRepair::Report> reports = Run(true);
    QMultiMap<QString, Finding> found;
    for (const StoreRepair::Report& report : reports) {
        found.insert(report.where, report.finding);
        QVERIFY(!report.repaired);
    }
    QCOMPARE(found.values(QStringLiteral("/cut.bin")), QList<Finding> {Finding::FileDamaged});
    QCOMPARE(found.values(QStringLiteral("/grown.bin")), QList<Finding> {Finding::FileDamaged});
    QCOMPARE(found.values(QStringLiteral("/..")), QList<Finding> {Finding::UnsafeName});
    QCOMPARE(found.values(QStringLiteral("/a/b")), QList<Finding> {Finding::UnsafeName});
    QCOMPARE(reports.size(), 4);
    QVERIFY(QFileInfo::exists(cut) && QFileInfo::exists(grown));
}

void TestRepair::recoveredNameTakenByAFile()
{
    QVERIFY(!Add(root_, QStringLiteral("Recovered"), "a file of that name").isEmpty());
    const QString lost = Add(root_, QStringLiteral("lost.txt"), "lost");
    Unlist(lost);
    const QList<StoreRepair::Report> reports = Run(true);
    QCOMPARE(reports.size(), 1);
    QCOMPARE(reports.first().detail, QStringLiteral("/Recovered (2)/lost.txt"));
    QCOMPARE(Decrypted(QStringLiteral("Recovered (2)/lost.txt")), QByteArray("lost"));
    QCOMPARE(Decrypted(QStringLiteral("Recovered")), QByteArray("a file of that name"));
}

void TestRepair::killedImportsLoseNothing()
{
#ifdef _WIN32
    QSKIP("no fork on Windows: the crash walks kill nimbra-cli instead");
#else
    const QString docs = Folder(QStringLiteral("Docs"));
    const QString hostFolder = dir_->filePath(QStringLiteral("many"));
    QVERIFY(QDir().mkpath(hostFolder));
    QHash<QString, QByteArray> sources;
    for (int i = 0; i < 300; ++i) {
        const QString name = QStringLiteral("f%1.txt").arg(i);
        sources.insert(name, Pattern((i * 397) % 3000, i));
        QVERIFY(WriteAll(hostFolder + QLatin1Char('/') + name, sources.value(name)));
    }
    QRandomGenerator random(11);
    QSet<QString> listedBefore;
    for (int round = 0; round < 12; ++round) {
        // New files first, replacements of stored ones in later rounds.
        QVERIFY2(KilledMidway([&] {
            for (int i = 0; i < 300; ++i) {
                const QString host = hostFolder + QStringLiteral("/f%1.txt").arg(i);
                DirectoryEntry source;
                std::uint32_t id = 0;
                if (Failed(FileSystem::Info(host, &source))
                    || Failed(CopyToDeviceThread::EncryptFileIntoStore(*store_, host, docs, source, &id, nullptr,
                                                                       nullptr, true)))
                    return false;
            }
            return true;
        }, round == 11 ? 1500000 : 1000 + random.bounded(60000)), "an import failed");  // the last one gets far

        for (const StoreRepair::Report& report : Run(true))
            QVERIFY2(report.repaired, qPrintable(report.where));
        QVERIFY(Run(false).isEmpty());
        // Every listed file decrypts to its source, and nothing listed before is gone.
        QSet<QString> listed;
        for (const QString& folder : {QStringLiteral("Docs"), QStringLiteral("Recovered")}) {
            StoreManifest manifest(keys_);
            QString stored;
            ManifestEntry entry;
            if (Failed(store_->Resolve(folder, &stored, &entry)))
                continue;
            manifest.Open(EncryptedStore::ManifestPathOf(stored), true);
            QVERIFY(manifest.IsLoaded());
            for (const ManifestEntry& item : manifest.Entries()) {
                const QString source = QString(item.name).remove(QRegularExpression(QStringLiteral(" \\(\\d+\\)")));
                QCOMPARE(Decrypted(folder + QLatin1Char('/') + item.name), sources.value(source));
                if (folder == QLatin1String("Docs"))
                    listed << item.name;
            }
        }
        QVERIFY(listed.contains(listedBefore));
        listedBefore = listed;
    }
    QVERIFY(!listedBefore.isEmpty());
#endif
}

void TestRepair::killedDeletionsAreRepaired()
{
#ifdef _WIN32
    QSKIP("no fork on Windows: the crash walks kill nimbra-cli instead");
#else
    QRandomGenerator random(13);
    for (int round = 0; round < 6; ++round) {
        const QString folder = Folder(QStringLiteral("Gone%1/Deep").arg(round));
        for (int i = 0; i < 20; ++i)
            QVERIFY(!Add(i % 2 ? folder : QFileInfo(folder).path(), QStringLiteral("f%1").arg(i), "x").isEmpty());
        const QString top = QFileInfo(folder).path();
        QVERIFY(KilledMidway([&] { return Succeeded(store_->DeleteStoreItem(top, nullptr)); },
                             1000 + random.bounded(25000)));
        // No list names what is gone, and a repair finishes what was begun
        // without putting anything back.
        for (const StoreRepair::Report& report : Run(false))
            QVERIFY2(report.finding != Finding::Missing, qPrintable(report.where));
        for (const StoreRepair::Report& report : Run(true)) {
            QVERIFY2(report.repaired, qPrintable(report.where));
            QVERIFY(report.finding != Finding::Unlisted);
        }
        QVERIFY(Run(false).isEmpty());
    }
#endif
}

void TestRepair::finishesMarkedDeletions()
{
    const QString kept = Add(root_, QStringLiteral("kept.txt"), "k");
    const QString gone = Add(root_, QStringLiteral("gone.txt"), "g");
    const QString docs = Folder(QStringLiteral("Docs"));
    QVERIFY(!Add(docs, QStringLiteral("inside.txt"), "i").isEmpty());
    // Stopped after unlisting: the file and the folder go for good.
    for (const QString& item : {gone, docs}) {
        QVERIFY(WriteAll(EncryptedStore::DeletionMarkerOf(item), QByteArray()));
        Unlist(item);
    }
    // Stopped before unlisting: the item stays. A marker alone is just removed.
    QVERIFY(WriteAll(EncryptedStore::DeletionMarkerOf(kept), QByteArray()));
    QVERIFY(WriteAll(EncryptedStore::DeletionMarkerOf(root_ + QStringLiteral("/40")), QByteArray()));

    QList<StoreRepair::Report> reports = Run(false);
    QCOMPARE(reports.size(), 4);
    QVERIFY(QFileInfo::exists(gone) && QFileInfo::exists(docs));
    reports = Run(true);
    QMap<QString, StoreRepair::Report> byPlace;
    for (const StoreRepair::Report& report : reports) {
        byPlace.insert(report.where, report);
        QVERIFY(report.repaired);
    }
    QCOMPARE(byPlace.size(), 4);
    QCOMPARE(byPlace.value(QLatin1Char('/') + QFileInfo(gone).fileName()).finding, Finding::InterruptedDeletion);
    QCOMPARE(byPlace.value(QLatin1Char('/') + QFileInfo(docs).fileName()).finding, Finding::InterruptedDeletion);
    QCOMPARE(byPlace.value(QStringLiteral("/40")).finding, Finding::InterruptedDeletion);
    QCOMPARE(byPlace.value(QStringLiteral("/.%1.nbr-del").arg(QFileInfo(kept).fileName())).finding,
             Finding::InterruptedWrite);
    QVERIFY(!QFileInfo::exists(gone) && !QFileInfo::exists(docs));
    QCOMPARE(Decrypted(QStringLiteral("kept.txt")), QByteArray("k"));
    QVERIFY(Run(false).isEmpty());
    QCOMPARE(QDir(root_).entryList(QStringList {QStringLiteral("*.nbr-del")}, QDir::Files | QDir::Hidden), QStringList());
}

void TestRepair::powerLossRemains()
{
    // The frozen remains of a power loss during an import, beside a whole
    // file: one file's length reached the stick and its content did not;
    // another's first page did and the rest did not.
    QVERIFY(!Add(root_, QStringLiteral("whole.txt"), Pattern(5000, 1)).isEmpty());
    QVERIFY(QFile::copy(QStringLiteral(NIMBRA_TEST_DATA "/power_loss_zeros.enc"), root_ + QStringLiteral("/21")));
    QVERIFY(QFile::copy(QStringLiteral(NIMBRA_TEST_DATA "/power_loss_half.enc"), root_ + QStringLiteral("/22")));

    QList<StoreRepair::Report> reports = Run(false);
    QCOMPARE(reports.size(), 2);
    QCOMPARE(reports.at(0).where, QStringLiteral("/21"));
    QCOMPARE(reports.at(0).finding, Finding::Unrecoverable);
    QCOMPARE(reports.at(1).finding, Finding::Unlisted);
    QVERIFY(QFileInfo::exists(root_ + QStringLiteral("/21")));

    reports = Run(true);
    QMap<Finding, StoreRepair::Report> byFinding;
    for (const StoreRepair::Report& report : reports)
        byFinding.insert(report.finding, report);
    QCOMPARE(reports.size(), 3);
    // Zeros are set aside beside the lists, out of the store's view.
    QVERIFY(byFinding.value(Finding::Unrecoverable).repaired);
    QCOMPARE(byFinding.value(Finding::Unrecoverable).detail, QStringLiteral("/.damaged/21"));
    QCOMPARE(QFileInfo(root_ + QStringLiteral("/.damaged/21")).size(), QFileInfo(QStringLiteral(NIMBRA_TEST_DATA "/power_loss_zeros.enc")).size());
    // The half-written file comes back under its name, marked as what it is.
    QCOMPARE(byFinding.value(Finding::Unlisted).detail, QStringLiteral("/Recovered/report.txt"));
    QCOMPARE(byFinding.value(Finding::Incomplete).where, QStringLiteral("/Recovered/report.txt"));
    QVERIFY(!byFinding.value(Finding::Incomplete).repaired);
    QByteArray expected;
    for (int i = 0; i < 1000; ++i)
        expected += static_cast<char>((i * 7 + 3) & 0xFF);
    QVERIFY(Decrypted(QStringLiteral("Recovered/report.txt")).startsWith(expected));
    QCOMPARE(Decrypted(QStringLiteral("whole.txt")), Pattern(5000, 1));
    // Never clean while it is there; what was set aside is not reported again.
    reports = Run(true);
    QCOMPARE(reports.size(), 1);
    QCOMPARE(reports.first().finding, Finding::Incomplete);
    QVERIFY(!reports.first().repaired);
}

void TestRepair::recoveredNamesAreUsable_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("name");
    QTest::newRow("slash") << "name_with_slash.enc" << "x_y";
    QTest::newRow("dot dot") << "name_dotdot.enc" << "__";
    QTest::newRow("absolute") << "name_absolute.enc" << "_etc_passwd";
}

void TestRepair::recoveredNamesAreUsable()
{
    QFETCH(QString, fixture);
    QFETCH(QString, name);
    QVERIFY(QFile::copy(QStringLiteral(NIMBRA_TEST_DATA "/") + fixture, root_ + QStringLiteral("/31")));
    // One taken already: numbered as an import numbers a clash.
    QVERIFY(!Add(Folder(QStringLiteral("Recovered")), name, "earlier").isEmpty());
    const QList<StoreRepair::Report> reports = Run(true);
    QCOMPARE(reports.size(), 1);
    QCOMPARE(reports.first().detail, QStringLiteral("/Recovered/") + StoreRepair::FreeName(name, false, [&](const QString& n) {
                                          return n == name;
                                      }));
    QCOMPARE(Decrypted(reports.first().detail.mid(1)), QByteArray("kept whatever its name\n"));
    QVERIFY(Run(false).isEmpty());
    QCOMPARE(StoreRepair::UsableName(QStringLiteral(".")), QStringLiteral("_"));
    QCOMPARE(StoreRepair::UsableName(QString(300, u'a')).size(), EncryptedStore::kMaxNameLength);
}

void TestRepair::recoveredFoldersKeepTheirShape()
{
    // A folder whose list never reached the stick, itself unlisted: its
    // items come back inside it, its subfolder inside it too.
    const QString box = Folder(QStringLiteral("Box"));
    QVERIFY(!Add(box, QStringLiteral("a.txt"), "a").isEmpty());
    const QString inner = Folder(QStringLiteral("Box/Inner"));
    QVERIFY(!Add(inner, QStringLiteral("c.txt"), "c").isEmpty());
    Unlist(box);
    QVERIFY(EncryptedStore::DeleteManifestFiles(box));
    const QString boxNumber = QFileInfo(box).fileName();

    (void)Run(true);
    QCOMPARE(Decrypted(QStringLiteral("Recovered/%1/a.txt").arg(boxNumber)), QByteArray("a"));
    QString stored;
    ManifestEntry entry;
    QCOMPARE(store_->Resolve(QStringLiteral("Recovered/%1").arg(boxNumber), &stored, &entry), S_OK);
    std::vector<StoreListEntry> items;
    QCOMPARE(store_->ListFolder(stored, &items), S_OK);
    QCOMPARE(items.size(), std::size_t(2));
    QVERIFY(items.front().isFolder);
    QCOMPARE(Decrypted(QStringLiteral("Recovered/%1/%2/c.txt").arg(boxNumber, items.front().name)), QByteArray("c"));
    QVERIFY(Run(false).isEmpty());
}

QTEST_GUILESS_MAIN(TestRepair)
#include "tst_repair.moc"
