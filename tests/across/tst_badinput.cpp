// Bad input from files never crashes or reads out of bounds: the parsers of
// headers, manifests, file lists, key records and pack texts get thousands of
// damaged variants of good input (run under the sanitizers).

#include "TestSupport.h"

#include "base/DropFileList.h"
#include "base/TextFormatter.h"
#include "platform/NativeFile.h"
#include "security/EncryptedFileHeader.h"
#include "security/SecParams.h"
#include "store/StoreManifest.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace nbr;
using namespace nbr::test;

namespace {

// A copy of `good` with a few bytes flipped, cut or inserted.
QByteArray Damage(const QByteArray& good, QRandomGenerator& random)
{
    QByteArray bad = good;
    const int edits = 1 + static_cast<int>(random.bounded(4));
    for (int i = 0; i < edits && !bad.isEmpty(); ++i) {
        const auto at = static_cast<qsizetype>(random.bounded(static_cast<quint32>(bad.size())));
        switch (random.bounded(4)) {
        case 0: bad[at] = static_cast<char>(random.bounded(256)); break;
        case 1: bad.truncate(at); break;
        case 2: bad.insert(at, static_cast<char>(random.bounded(256))); break;
        default: bad[at] = static_cast<char>(bad[at] ^ (1 << random.bounded(8))); break;
        }
    }
    return bad;
}

}  // namespace

class TestBadInput : public QObject {
    Q_OBJECT

private slots:
    void encryptedFiles();
    void manifests();
    void fileLists();
    void keyRecords();
    void packTexts();
};

void TestBadInput::encryptedFiles()
{
    QRandomGenerator random(1);
    QTemporaryDir dir;
    const QByteArray good = ReadAll(QStringLiteral(NIMBRA_TEST_DATA "/hello.enc"));
    CryptPtr engine = MakeEngine(kMaster);
    for (int i = 0; i < 1500; ++i) {
        const QString path = dir.filePath(QStringLiteral("7"));
        QVERIFY(WriteAll(path, Damage(good, random)));
        QByteArray out;
        const Status s = engine->DecryptFileToBuffer(path, &out);
        QVERIFY(Failed(s) || out.size() <= good.size());
        // What decrypts is exactly as long as its header records.
        NativeFile file;
        EncryptedFileHeader header;
        if (Succeeded(s) && Succeeded(file.OpenRead(path)) && Succeeded(engine->ReadHeader(file, header)))
            QCOMPARE(static_cast<std::uint64_t>(out.size()), header.size);
        char16_t name[64];
        (void)engine->GetStoredFileName(path, name, 64);
        bool encrypted = false;
        QCOMPARE(engine->IsEncryptedFile(path, &encrypted), S_OK);
        QFile::remove(dir.filePath(QStringLiteral("out")));
        (void)engine->DecryptFileToFile(path, dir.filePath(QStringLiteral("out")), nullptr, nullptr, nullptr);
    }
}

void TestBadInput::manifests()
{
    QRandomGenerator random(2);
    const std::vector<ManifestEntry> entries {{1, QStringLiteral("Docs"), true, 0},
                                              {2, QStringLiteral("report.doc"), false, 133200000000000000ull},
                                              {17, QStringLiteral("\u010A/\n x"), false, 5}};
    const QByteArray good = StoreManifest::Serialize(entries);
    for (int i = 0; i < 20000; ++i) {
        std::vector<ManifestEntry> parsed;
        if (StoreManifest::Parse(Damage(good, random), &parsed))
            QVERIFY(parsed.size() <= 4);
    }
}

void TestBadInput::fileLists()
{
    QRandomGenerator random(3);
    const QByteArray good = DropFileList({QStringLiteral("/a/b"), QStringLiteral("/c")}).Bytes();
    for (int i = 0; i < 20000; ++i) {
        DropFileList list;
        if (DropFileList::Parse(Damage(good, random), &list))
            QVERIFY(list.Paths().size() <= 40);
    }
}

void TestBadInput::keyRecords()
{
    QRandomGenerator random(4);
    const QByteArray password = Utf16Le(QStringLiteral("password1"));
    KeyRecordParts parts {password, kMaster, Hex("01020304"), Hex("05060708"), kIv, kIv, Hex("09090909"), {}};
    const QByteArray good = ReferenceKeyRecord(parts);
    for (int i = 0; i < 300; ++i) {
        const QByteArray bad = Damage(good, random);
        LockedByteBlock key;
        const Status s = SecParams::VerifyRecord(reinterpret_cast<const std::uint8_t*>(password.constData()),
                                                 static_cast<std::size_t>(password.size()),
                                                 reinterpret_cast<const std::uint8_t*>(bad.constData()),
                                                 static_cast<std::size_t>(bad.size()), &key);
        QVERIFY(Failed(s) || bad.left(30986) == good);
    }
}

void TestBadInput::packTexts()
{
    QRandomGenerator random(5);
    const QByteArray good = "%s of %d (%08X) %.02f %I64d %% %u %c";
    for (int i = 0; i < 20000; ++i) {
        const QString format = QString::fromLatin1(Damage(good, random));
        const QString text = TextFormatter::Format(format, {QStringLiteral("x"), 3, 7u, 1.5, 9LL});
        QVERIFY(text.size() <= TextFormatter::kMaxLength);
    }
}

QTEST_GUILESS_MAIN(TestBadInput)
#include "tst_badinput.moc"
