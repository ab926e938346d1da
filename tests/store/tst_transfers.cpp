// Copying into and out of the store: totals, questions, merges, a full
// drive, cancel, safe replacement, names that cannot be kept, and the
// file-list format that drops and the clipboard carry.

#include "StoreFixture.h"
#include "TestSupport.h"

#include "ScriptedMessageBox.h"
#include "base/DropFileList.h"
#include "base/HeadlessProgress.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "security/SecParams.h"
#include "store/CopyToDeviceThread.h"
#include "store/CopyToTempThread.h"
#include "store/EncryptedStore.h"
#include "store/StoreStatus.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using namespace nbr;
using namespace nbr::test;

namespace {

struct Fixture : StoreFixture {
    QString Host(const QString& relative) const { return host + QLatin1Char('/') + relative; }
    void Put(const QString& relative, const QByteArray& content) const
    {
        QDir().mkpath(QFileInfo(Host(relative)).path());
        WriteAll(Host(relative), content);
    }
    Status Add(const QStringList& relative, HeadlessProgress& progress, const QString& target = {})
    {
        QStringList paths;
        for (const QString& r : relative)
            paths << Host(r);
        CopyToDeviceThread worker(&progress, *store, DropFileList(paths), target, languages);
        worker.Start();
        progress.RunModal(worker.Thread(), false);
        return worker.GetStatus();
    }
    Status Get(const QStringList& display, const QString& destination, HeadlessProgress& progress)
    {
        QStringList stored;
        for (const QString& d : display) {
            QString path;
            ManifestEntry entry;
            (void)store->Resolve(d, &path, &entry);
            stored << path;
        }
        CopyToTempThread worker(&progress, *store, stored, destination + QLatin1Char('/'), languages);
        worker.Start();
        progress.RunModal(worker.Thread(), false);
        return worker.GetStatus();
    }
    QByteArray Stored(const QString& display)
    {
        QString path;
        ManifestEntry entry;
        if (Failed(store->Resolve(display, &path, &entry)))
            return "<missing>";
        CryptPtr engine = MakeEngine(QByteArray(reinterpret_cast<const char*>(keys.GetMasterKey()), 32));
        const QString out = dir.filePath(QStringLiteral("peek"));
        QFile::remove(out);
        if (Failed(engine->DecryptFileToFile(path, out, nullptr, nullptr, nullptr)))
            return "<unreadable>";
        return ReadAll(out);
    }
    std::vector<ManifestEntry> Entries(const QString& storedFolder)
    {
        StoreManifest manifest(keys);
        manifest.Open(EncryptedStore::ManifestPathOf(storedFolder), true);
        return manifest.Entries();
    }
};

}  // namespace

class TestTransfers : public QObject {
    Q_OBJECT

private slots:
    void dropFileListBytes();
    void dropFileListParsing();
    void totalsAndRootCreation();
    void clashAskedOnceInAnyCase();
    void folderMerge();
    void declinedLastItemIsNegative();
    void cancelMidFileLeavesNothing();
    void replacementSurvivesFailure();
    void fullDrive();
    void namesThatCannotBeKept();
    void copyOutQuestions();
    void copyOutFailures();
    void copyOutCancel();
};

void TestTransfers::dropFileListBytes()
{
    const QByteArray bytes = DropFileList({QStringLiteral("/a"), QStringLiteral("/é")}, 3, 4).Bytes();
    QCOMPARE(bytes.toHex(' '), QByteArray("14 00 00 00 03 00 00 00 04 00 00 00 00 00 00 00 01 00 00 00 "
                                          "2f 00 61 00 00 00 2f 00 e9 00 00 00 00 00"));
    QCOMPARE(DropFileList().Bytes().size(), 22);
    DropFileList back;
    QVERIFY(DropFileList::Parse(bytes, &back));
    QCOMPARE(back.Paths(), (QStringList {QStringLiteral("/a"), QStringLiteral("/é")}));
    QCOMPARE(back.X(), 3);
    QCOMPARE(back.Y(), 4);
}

void TestTransfers::dropFileListParsing()
{
    DropFileList list;
    QVERIFY(!DropFileList::Parse(QByteArray(19, '\0'), &list));
    QByteArray header(20, '\0');
    header[0] = 40;  // the list would start past the end
    QVERIFY(!DropFileList::Parse(header, &list));
    // 8-bit paths, and a list cut short without its final zeros.
    QByteArray narrow(20, '\0');
    narrow[0] = 20;
    narrow += QByteArray("/x\0/yz", 6);
    QVERIFY(DropFileList::Parse(narrow, &list));
    QCOMPARE(list.Paths(), (QStringList {QStringLiteral("/x"), QStringLiteral("/yz")}));
    QByteArray empty = DropFileList().Bytes();
    QVERIFY(DropFileList::Parse(empty, &list));
    QVERIFY(list.Paths().isEmpty());
}

void TestTransfers::totalsAndRootCreation()
{
    Fixture f;
    f.Put(QStringLiteral("big.bin"), Pattern(1 << 20));
    f.Put(QStringLiteral("Docs/small.txt"), Pattern(100));
    HeadlessProgress progress(&f.languages);
    QVERIFY(!QFileInfo::exists(f.root));
    QCOMPARE(f.Add({QStringLiteral("big.bin"), QStringLiteral("Docs")}, progress), S_OK);
    // 2 units for 1 MiB, 1 + 1 for the folder and its small file.
    QCOMPARE(progress.State().maximum, 4.0f);
    QCOMPARE(progress.State().position, 4.0f);
    QVERIFY(QFileInfo(f.root).isDir());
    QCOMPARE(f.Stored(QStringLiteral("big.bin")), Pattern(1 << 20));
    QCOMPARE(f.Stored(QStringLiteral("Docs/small.txt")), Pattern(100));
    QVERIFY(f.answers.Asked().isEmpty());
}

void TestTransfers::clashAskedOnceInAnyCase()
{
    Fixture f;
    f.Put(QStringLiteral("Report.txt"), "first");
    HeadlessProgress progress(&f.languages);
    QCOMPARE(f.Add({QStringLiteral("Report.txt")}, progress), S_OK);
    const std::uint32_t firstId = f.Entries(f.root).front().id;
    f.Put(QStringLiteral("sub/REPORT.TXT"), "second");
    f.answers.Script({mb::kIdNo});
    QCOMPARE(f.Add({QStringLiteral("sub/REPORT.TXT")}, progress), E_STORE_ITEM_EXISTS);
    QCOMPARE(f.answers.Asked().size(), 1);
    QCOMPARE(f.answers.Asked().at(0).text, f.languages.FormatText(msg::kQuestionReplaceFile, {QStringLiteral("REPORT.TXT")}));
    QCOMPARE(f.answers.Asked().at(0).buttons, mb::kYes | mb::kNo);
    QCOMPARE(f.Stored(QStringLiteral("report.txt")), QByteArray("first"));
    QCOMPARE(progress.State().position, 1.0f);  // its unit was counted as done

    f.answers.Script({mb::kIdYes | mb::kCheckTicked});
    QCOMPARE(f.Add({QStringLiteral("sub/REPORT.TXT")}, progress), S_OK);
    QCOMPARE(f.Stored(QStringLiteral("report.txt")), QByteArray("second"));
    QCOMPARE(f.Entries(f.root).size(), std::size_t(1));
    QCOMPARE(f.Entries(f.root).front().id, firstId);  // same entry, same number
    QCOMPARE(f.Entries(f.root).front().name, QStringLiteral("Report.txt"));
}

void TestTransfers::folderMerge()
{
    Fixture f;
    f.Put(QStringLiteral("v1/Docs/a.txt"), "a1");
    f.Put(QStringLiteral("v1/Docs/Sub/b.txt"), "b1");
    HeadlessProgress progress(&f.languages);
    QCOMPARE(f.Add({QStringLiteral("v1/Docs")}, progress), S_OK);
    f.Put(QStringLiteral("v2/Docs/a.txt"), "a2");
    f.Put(QStringLiteral("v2/Docs/Sub/c.txt"), "c2");
    f.Put(QStringLiteral("v2/Docs/Empty/.keep"), "");
    QFile::remove(f.Host(QStringLiteral("v2/Docs/Empty/.keep")));
    f.answers.Script({mb::kIdYes});
    QCOMPARE(f.Add({QStringLiteral("v2/Docs")}, progress), S_OK);
    QCOMPARE(f.answers.Asked().size(), 1);  // one question for the whole folder
    QCOMPARE(f.Stored(QStringLiteral("Docs/a.txt")), QByteArray("a2"));
    QCOMPARE(f.Stored(QStringLiteral("Docs/Sub/b.txt")), QByteArray("b1"));
    QCOMPARE(f.Stored(QStringLiteral("Docs/Sub/c.txt")), QByteArray("c2"));
    QString docs;
    ManifestEntry entry;
    QCOMPARE(f.store->Resolve(QStringLiteral("Docs"), &docs, &entry), S_OK);
    QCOMPARE(f.Entries(docs).size(), std::size_t(3));  // a.txt, Sub, Empty: Sub was reused
    QCOMPARE(f.store->Resolve(QStringLiteral("Docs/Empty"), &docs, &entry), S_OK);
    QVERIFY(entry.isFolder);
}

void TestTransfers::declinedLastItemIsNegative()
{
    Fixture f;
    f.Put(QStringLiteral("a.txt"), "a");
    f.Put(QStringLiteral("b.txt"), "b");
    HeadlessProgress progress(&f.languages);
    QCOMPARE(f.Add({QStringLiteral("b.txt")}, progress), S_OK);
    f.answers.Script({mb::kIdNo});
    // A move would delete its sources on success: a declined last item must not look like one.
    QCOMPARE(f.Add({QStringLiteral("a.txt"), QStringLiteral("b.txt")}, progress), E_STORE_ITEM_EXISTS);
    QVERIFY(progress.HasFailed());
    QCOMPARE(f.Stored(QStringLiteral("a.txt")), QByteArray("a"));
    // A path that vanished: no message, the status says so.
    QCOMPARE(f.Add({QStringLiteral("gone.txt")}, progress), E_INVALIDARG);
    QCOMPARE(f.answers.Asked().size(), 1);
}

void TestTransfers::cancelMidFileLeavesNothing()
{
    Fixture f;
    f.Put(QStringLiteral("kept.txt"), "kept");
    f.Put(QStringLiteral("large.bin"), Pattern(3 << 20));
    HeadlessProgress progress(&f.languages);
    progress.SetObserver([&] {
        if (!progress.IsCancelled() && progress.State().filePosition > 0
            && progress.State().filePosition < progress.State().fileMaximum)
            progress.Cancel();
    });
    const Status s = f.Add({QStringLiteral("kept.txt"), QStringLiteral("large.bin")}, progress);
    progress.SetObserver(nullptr);
    QCOMPARE(s, E_ABORTED);
    QCOMPARE(f.Stored(QStringLiteral("kept.txt")), QByteArray("kept"));
    QCOMPARE(f.Entries(f.root).size(), std::size_t(1));
    QCOMPARE(QDir(f.root).entryList(QDir::Files | QDir::Hidden).size(), 3);  // 1 and the manifests, nothing else
}

void TestTransfers::replacementSurvivesFailure()
{
    Fixture f;
    f.Put(QStringLiteral("doc.bin"), Pattern(1000, 1));
    HeadlessProgress progress(&f.languages);
    QCOMPARE(f.Add({QStringLiteral("doc.bin")}, progress), S_OK);
    f.Put(QStringLiteral("doc.bin"), Pattern(3 << 20, 2));
    // The replacement is cancelled half-way: the old version must stay.
    HeadlessProgress cancelled(&f.languages);
    cancelled.SetObserver([&] {
        if (!cancelled.IsCancelled() && cancelled.State().filePosition > 0)
            cancelled.Cancel();
    });
    f.answers.Script({mb::kIdYes});
    QCOMPARE(f.Add({QStringLiteral("doc.bin")}, cancelled), E_ABORTED);
    cancelled.SetObserver(nullptr);
    QCOMPARE(f.Stored(QStringLiteral("doc.bin")), Pattern(1000, 1));
    QCOMPARE(f.Entries(f.root).size(), std::size_t(1));
    QCOMPARE(QDir(f.root).entryList(QDir::Files | QDir::Hidden).size(), 3);  // no half-written neighbour
    // Copying out over a host file behaves the same.
    f.Put(QStringLiteral("out/doc.bin"), "host version");
    HeadlessProgress out(&f.languages);
    out.SetObserver([&] {
        if (!out.IsCancelled() && out.State().filePosition > 0)
            out.Cancel();
    });
    f.Put(QStringLiteral("big.bin"), Pattern(3 << 20, 3));
    HeadlessProgress plain(&f.languages);
    QCOMPARE(f.Add({QStringLiteral("big.bin")}, plain), S_OK);
    QVERIFY(QFile::rename(f.Host(QStringLiteral("out/doc.bin")), f.Host(QStringLiteral("out/big.bin"))));
    f.answers.Script({mb::kIdYes});
    QCOMPARE(f.Get({QStringLiteral("big.bin")}, f.Host(QStringLiteral("out")), out), S_OK);  // a cancel is no error
    QCOMPARE(ReadAll(f.Host(QStringLiteral("out/big.bin"))), QByteArray("host version"));
    QCOMPARE(QDir(f.Host(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden), QStringList {QStringLiteral("big.bin")});
}

void TestTransfers::fullDrive()
{
    Fixture f;
    const QString stick = f.dir.filePath(QStringLiteral("stick"));
    QVERIFY(QDir().mkpath(stick));
    SmallVolume volume(stick, "2m");
    if (!volume.Mounted())
        QSKIP("a small volume cannot be made here");
    f.Put(QStringLiteral("one.bin"), Pattern(1 << 20, 1));
    f.Put(QStringLiteral("two.bin"), Pattern(3 << 20, 2));
    f.Put(QStringLiteral("three.bin"), Pattern(1000, 3));
    HeadlessProgress progress(&f.languages);
    const Status s = f.Add({QStringLiteral("one.bin"), QStringLiteral("two.bin"), QStringLiteral("three.bin")}, progress);
    const QByteArray one = f.Stored(QStringLiteral("one.bin"));
    const QByteArray three = f.Stored(QStringLiteral("three.bin"));
    const std::size_t entries = f.Entries(f.root).size();
    const QStringList files = QDir(f.root).entryList(QDir::Files | QDir::Hidden);
    volume.Unmount();
    QCOMPARE(s, E_STORE_DISK_FULL);
    QCOMPARE(f.answers.Asked().size(), 1);
    QCOMPARE(f.answers.Asked().at(0).text, f.languages.GetText(msg::kDriveFull));
    QCOMPARE(one, Pattern(1 << 20, 1));
    QCOMPARE(three, QByteArray("<missing>"));
    QCOMPARE(entries, std::size_t(1));
    QCOMPARE(files.size(), 3);  // the first file and the two manifests
}

void TestTransfers::namesThatCannotBeKept()
{
    Fixture f;
    f.Put(QStringLiteral("Mixed/good.txt"), "good");
#ifdef _WIN32
    QSKIP("every name a Windows folder holds can be kept");
#else
    const QByteArray bad = QFile::encodeName(f.Host(QStringLiteral("Mixed/"))) + "bad\xff.txt";
    const int fd = ::open(bad.constData(), O_CREAT | O_WRONLY, 0644);
    QVERIFY(fd >= 0);
    ::close(fd);
#endif
    HeadlessProgress progress(&f.languages);
    // Left out and said so; the run fails, so that a move keeps the source.
    QCOMPARE(f.Add({QStringLiteral("Mixed")}, progress), E_STORE_NOT_ALL_STORED);
    QCOMPARE(f.answers.Asked().size(), 1);
    QVERIFY(f.answers.Asked().at(0).text.contains(QStringLiteral("not valid UTF-8")));
    QCOMPARE(f.answers.Asked().at(0).icon, mb::kIconError);
    QCOMPARE(f.Stored(QStringLiteral("Mixed/good.txt")), QByteArray("good"));
    QString folder;
    ManifestEntry entry;
    QCOMPARE(f.store->Resolve(QStringLiteral("Mixed"), &folder, &entry), S_OK);
    QCOMPARE(f.Entries(folder).size(), std::size_t(1));
}

void TestTransfers::copyOutQuestions()
{
    Fixture f;
    f.Put(QStringLiteral("a.txt"), "stored a");
    f.Put(QStringLiteral("Docs/x.txt"), "stored x");
    f.Put(QStringLiteral("Docs/Sub/y.txt"), "stored y");
    HeadlessProgress progress(&f.languages);
    QCOMPARE(f.Add({QStringLiteral("a.txt"), QStringLiteral("Docs")}, progress), S_OK);
    f.Put(QStringLiteral("out/a.txt"), "host a");
    f.Put(QStringLiteral("out/Docs/Sub/y.txt"), "host y");
    f.Put(QStringLiteral("out/Docs/Sub/own.txt"), "mine");
    f.answers.Script({mb::kIdNo, mb::kIdYes});
    QCOMPARE(f.Get({QStringLiteral("a.txt"), QStringLiteral("Docs")}, f.Host(QStringLiteral("out")), progress), S_OK);
    QCOMPARE(f.answers.Asked().size(), 2);  // the file, then the folder once
    QCOMPARE(f.answers.Asked().at(0).text, f.languages.FormatText(msg::kQuestionReplaceHostFile, {QStringLiteral("a.txt")}));
    QCOMPARE(ReadAll(f.Host(QStringLiteral("out/a.txt"))), QByteArray("host a"));
    QCOMPARE(ReadAll(f.Host(QStringLiteral("out/Docs/x.txt"))), QByteArray("stored x"));
    QCOMPARE(ReadAll(f.Host(QStringLiteral("out/Docs/Sub/y.txt"))), QByteArray("stored y"));
    QCOMPARE(ReadAll(f.Host(QStringLiteral("out/Docs/Sub/own.txt"))), QByteArray("mine"));
    // Nothing to do is its own answer.
    CopyToTempThread none(&progress, *f.store, {}, f.Host(QStringLiteral("out/")), f.languages);
    QCOMPARE(none.RunHere(), S_FALSE);
}

void TestTransfers::copyOutFailures()
{
    Fixture f;
    f.Put(QStringLiteral("Docs/x.txt"), "x");
    HeadlessProgress progress(&f.languages);
    QCOMPARE(f.Add({QStringLiteral("Docs")}, progress), S_OK);
    QString docs;
    ManifestEntry entry;
    QCOMPARE(f.store->Resolve(QStringLiteral("Docs"), &docs, &entry), S_OK);
    // A listed file removed by hand stops the walk with file-not-found.
    QVERIFY(QFile::remove(docs + QStringLiteral("/1")));
    QVERIFY(QDir().mkpath(f.Host(QStringLiteral("out"))));
    QCOMPARE(f.Get({QStringLiteral("Docs")}, f.Host(QStringLiteral("out")), progress), StatusFromWin32(2));

    // A manifest that names an item "../evil" must not write outside the target.
    StoreManifest manifest(f.keys);
    manifest.Open(EncryptedStore::ManifestPathOf(docs), false);
    const ManifestEntry evil = manifest.AddEntry(QStringLiteral("../evil"), false, 0, docs);
    QCOMPARE(manifest.Save(), S_OK);
    manifest.Close();
    f.Put(QStringLiteral("evil-source"), "evil");
    CryptPtr engine = MakeEngine(QByteArray(reinterpret_cast<const char*>(f.keys.GetMasterKey()), 32));
    QCOMPARE(engine->EncryptFileToFile(f.Host(QStringLiteral("evil-source")), EncryptedStore::StoredPathOf(docs, evil.id),
                                       nullptr, nullptr, nullptr),
             S_OK);
    QVERIFY(WriteAll(docs + QStringLiteral("/1"), ReadAll(EncryptedStore::StoredPathOf(docs, evil.id))));
    f.answers.Script({mb::kIdYes});  // merge into the Docs of the first try
    const Status s = f.Get({QStringLiteral("Docs")}, f.Host(QStringLiteral("out")), progress);
    QCOMPARE(s, E_STORE_BAD_NAME);
    QVERIFY(!QFileInfo::exists(f.Host(QStringLiteral("out/evil"))));
    QVERIFY(f.answers.Asked().last().text.contains(QStringLiteral("../evil")));
}

void TestTransfers::copyOutCancel()
{
    Fixture f;
    f.Put(QStringLiteral("large.bin"), Pattern(3 << 20));
    HeadlessProgress in(&f.languages);
    QCOMPARE(f.Add({QStringLiteral("large.bin")}, in), S_OK);
    QVERIFY(QDir().mkpath(f.Host(QStringLiteral("out"))));
    HeadlessProgress progress(&f.languages);
    progress.SetObserver([&] {
        if (!progress.IsCancelled() && progress.State().filePosition > 0)
            progress.Cancel();
    });
    QCOMPARE(f.Get({QStringLiteral("large.bin")}, f.Host(QStringLiteral("out")), progress), S_OK);
    progress.SetObserver(nullptr);
    QVERIFY(QDir(f.Host(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

QTEST_GUILESS_MAIN(TestTransfers)
#include "tst_transfers.moc"
