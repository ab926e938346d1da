// The encrypted file format and the file and buffer transforms: sizes at the
// chunk boundaries, a whole file against openssl, fixtures written by another
// implementation, broken headers, progress, cancel, retries and a full disk.

#include "TestSupport.h"

#include "platform/FileAttributes.h"
#include "platform/NativeFile.h"
#include "security/ChunkPipeline.h"
#include "security/CryptBase.h"
#include "security/EncryptedFileHeader.h"
#include "security/SecurityStatus.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <csignal>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <chrono>
#include <utility>
#include <thread>

using namespace nbr;
using namespace nbr::test;

namespace {

constexpr qsizetype kChunk = CryptBase::kChunkSize;

struct ProgressLog {
    QList<std::uint32_t> reasons;
    QList<std::uint64_t> done;
    std::uint64_t total = 0;
    std::uint32_t answer = 0;  // given to reason-1 calls
};

std::uint32_t Record(std::uint64_t total, std::uint64_t done, std::uint32_t reason, void* data)
{
    auto* log = static_cast<ProgressLog*>(data);
    log->reasons << reason;
    log->done << done;
    log->total = total;
    return reason == kProgressChunk ? log->answer : 0;
}

EncryptedFileHeader HeaderOf(const QString& path, Status* status = nullptr)
{
    CryptPtr engine = MakeEngine({});
    NativeFile file;
    EncryptedFileHeader header;
    Status s = file.OpenRead(path);
    if (Succeeded(s))
        s = engine->ReadHeader(file, header);
    if (status)
        *status = s;
    return header;
}

QString Fixture(const char* name)
{
    return QStringLiteral(NIMBRA_TEST_DATA "/") + QString::fromLatin1(name);
}

}  // namespace

class TestFileTransforms : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(dir_.isValid()); }
    void roundTripAtBoundaries_data();
    void roundTripAtBoundaries();
    void wholeFileMatchesTheReference();
    void nameLengths_data();
    void nameLengths();
    void readsForeignFixtures();
    void brokenFixtures_data();
    void brokenFixtures();
    void everyTrailerByteCounts();
    void storedFileNameRules();
    void wrongMasterKeyLeavesNothing();
    void cancelOnFirstChunk();
    void missingSourceAndFolder();
    void busyDestinationIsRetried();
    void timesAndAttributesComeBack();
    void bufferRoundTrip_data();
    void bufferRoundTrip();
    void oversizedClaimsAreBounded();
    void lengthMustMatchHeader_data();
    void lengthMustMatchHeader();
    void lengthChangesWhileReading();
    void sourceChangesWhileEncrypted_data();
    void sourceChangesWhileEncrypted();
    void fullDisk();

private:
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QTemporaryDir dir_;
};

void TestFileTransforms::roundTripAtBoundaries_data()
{
    QTest::addColumn<qsizetype>("size");
    for (const qsizetype size : {qsizetype(0), qsizetype(1), qsizetype(15), qsizetype(16), qsizetype(17),
                                 kChunk - 1, kChunk, kChunk + 1, 2 * kChunk - 1, 2 * kChunk, 2 * kChunk + 1,
                                 (ChunkPipeline::kDepth + 2) * kChunk + 3})
        QTest::newRow(qPrintable(QString::number(size))) << size;
}

void TestFileTransforms::roundTripAtBoundaries()
{
    QFETCH(qsizetype, size);
    const QByteArray plain = Pattern(size, static_cast<int>(size));
    QVERIFY(WriteAll(Path("plain.bin"), plain));
    CryptPtr engine = MakeEngine(kMaster);

    ProgressLog log;
    QCOMPARE(engine->EncryptFileToFile(Path("plain.bin"), Path("5"), Record, &log, nullptr), S_OK);
    const qsizetype content = (size + 15) / 16 * 16;
    QCOMPARE(QFileInfo(Path("5")).size(), 189 + content);  // "plain.bin": 9 units, N = 32
    QCOMPARE(log.reasons.first(), kProgressStart);
    QCOMPARE(log.reasons.last(), kProgressEnd);
    QCOMPARE(log.done.last(), std::uint64_t(size));
    QCOMPARE(log.total, std::uint64_t(size));
    for (qsizetype i = 1; i + 1 < log.done.size(); ++i) {
        QCOMPARE(log.reasons.at(i), kProgressChunk);
        QVERIFY(log.done.at(i) <= std::uint64_t(size));
        QVERIFY(log.done.at(i) >= log.done.at(i - 1));
    }
    // One chunk call per 512 KiB begun (one for an empty file): the read
    // stops at the size the header took, with no empty read past it.
    QCOMPARE(log.reasons.size(), 2 + std::max(1, int((size + kChunk - 1) / kChunk)));

    const EncryptedFileHeader header = HeaderOf(Path("5"));
    QCOMPARE(header.size, std::uint64_t(size));
    QCOMPARE(header.formatId, std::uint16_t(4));

    ProgressLog back;
    QCOMPARE(engine->DecryptFileToFile(Path("5"), Path("out.bin"), Record, &back, nullptr), S_OK);
    QVERIFY(ReadAll(Path("out.bin")) == plain);
    QCOMPARE(back.total, std::uint64_t(189 + content));
    QCOMPARE(back.done.last(), back.total);
    bool encrypted = false;
    QCOMPARE(engine->IsEncryptedFile(Path("5"), &encrypted), S_OK);
    QVERIFY(encrypted);
}

void TestFileTransforms::wholeFileMatchesTheReference()
{
    const QByteArray plain = Pattern(1000, 7);
    QVERIFY(WriteAll(Path("hello.txt"), plain));
    FixedRandom random(kIv + kFileKey + kSalt);
    CryptPtr engine = MakeEngine(kMaster, &random);
    QCOMPARE(engine->EncryptFileToFile(Path("hello.txt"), Path("3"), nullptr, nullptr, nullptr), S_OK);
    const QByteArray file = ReadAll(Path("3"));
    const EncryptedFileHeader h = HeaderOf(Path("3"));

    // The expected bytes, built from the layout with openssl doing the cipher.
    const QString name = QStringLiteral("hello.txt");
    QByteArray nameBytes;
    for (const QChar c : name) {
        nameBytes.append(char(c.unicode() & 0xFF));
        nameBytes.append(char(c.unicode() >> 8));
    }
    auto pad = [](QByteArray a) { return a + QByteArray((16 - a.size() % 16) % 16, '\0'); };
    const QByteArray stream = ReferenceCbc(true, kFileKey, kIv, pad(nameBytes) + pad(plain));
    const QByteArray keyBlock = ReferenceKeyBlock(kMaster, kIv, kFileKey, kSalt);
    QByteArray expected;
    QDataStream out(&expected, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(189) << quint16(4) << quint32(0) << quint32(1000) << quint32(h.attributes)
        << quint64(h.creation.ticks) << quint64(h.lastAccess.ticks) << quint64(h.lastWrite.ticks)
        << quint32(100);
    out.writeRawData(keyBlock.constData(), 100);
    out << quint32(32) << quint32(9);
    out.writeRawData(stream.constData(), 32);
    out.writeRawData("----\0", 5);
    out.writeRawData(stream.constData() + 32, static_cast<int>(stream.size() - 32));
    QCOMPARE(file.toHex(), expected.toHex());

    // The times are the source's own.
    QCOMPARE(h.lastWrite.ToDateTime().toMSecsSinceEpoch(), QFileInfo(Path("hello.txt")).lastModified().toMSecsSinceEpoch());
#ifdef _WIN32
    QCOMPARE(h.attributes, FileAttributes::kArchive);  // what Windows gives every new file
#else
    QCOMPARE(h.attributes, FileAttributes::kNormal);
#endif
}

void TestFileTransforms::nameLengths_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("encryptedLength");
    QTest::newRow("no separator") << QString() << 0;
    QTest::newRow("1 unit") << QStringLiteral("a") << 16;
    QTest::newRow("8 units") << QStringLiteral("abcdefgh") << 16;
    QTest::newRow("10 units") << QStringLiteral("abcdefghij") << 32;
    QTest::newRow("non-Latin") << QStringLiteral("Привет✓.txt") << 32;
}

void TestFileTransforms::nameLengths()
{
    QFETCH(QString, name);
    QFETCH(int, encryptedLength);
    CryptPtr engine = MakeEngine(kMaster);
    QString source = Path(name.isEmpty() ? QStringLiteral("unnamed") : name);
    QVERIFY(WriteAll(source, "x"));
    const QString previous = QDir::currentPath();
    if (name.isEmpty()) {
        // A path without a separator stores no name.
        QDir::setCurrent(dir_.path());
        source = QStringLiteral("unnamed");
    }
    const Status s = engine->EncryptFileToFile(source, Path("9"), nullptr, nullptr, nullptr);
    QDir::setCurrent(previous);
    QCOMPARE(s, S_OK);
    const EncryptedFileHeader h = HeaderOf(Path("9"));
    QCOMPARE(h.encryptedName.size(), encryptedLength);
    QCOMPARE(h.nameCount, std::uint32_t(name.size()));
    QCOMPARE(h.Length(), std::uint32_t(157 + encryptedLength));

    char16_t stored[64];
    QCOMPARE(engine->GetStoredFileName(Path("9"), stored, 64), !name.isEmpty());
    QCOMPARE(QString::fromUtf16(stored), name);
    QCOMPARE(engine->DecryptFileToFile(Path("9"), Path("back"), nullptr, nullptr, nullptr), S_OK);
    QCOMPARE(ReadAll(Path("back")), QByteArray("x"));
}

void TestFileTransforms::readsForeignFixtures()
{
    CryptPtr engine = MakeEngine(QByteArray::fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f"));
    QVERIFY(QFile::copy(Fixture("hello.enc"), Path("12")));
    QCOMPARE(engine->DecryptFileToFile(Path("12"), Path("hello.txt"), nullptr, nullptr, nullptr), S_OK);
    QCOMPARE(ReadAll(Path("hello.txt")), QByteArray("Hello, Nimbra!\n").repeated(5));
    // Last write 133200000000000000 = 2023-02-04 16:00:00 UTC, restored.
    QCOMPARE(QFileInfo(Path("hello.txt")).lastModified().toUTC(),
             QDateTime(QDate(2023, 2, 4), QTime(16, 0), Qt::UTC));

    char16_t name[32];
    QVERIFY(engine->GetStoredFileName(Path("12"), name, 32));
    QCOMPARE(QString::fromUtf16(name), QStringLiteral("hello.txt"));
    QVERIFY(engine->GetStoredFileName(Path("12"), name, 4));
    QCOMPARE(QString::fromUtf16(name), QStringLiteral("hel"));

    QByteArray buffer;
    QCOMPARE(engine->DecryptFileToBuffer(Fixture("buffer.enc"), &buffer), S_OK);
    QCOMPARE(buffer, QByteArray("manifest bytes of forty characters......"));
    // A named file read into a buffer skips its name and gives the content.
    QCOMPARE(engine->DecryptFileToBuffer(Fixture("hello.enc"), &buffer), S_OK);
    QCOMPARE(buffer, QByteArray("Hello, Nimbra!\n").repeated(5));
}

void TestFileTransforms::brokenFixtures_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<Status>("decryptStatus");
    QTest::addColumn<bool>("looksEncrypted");
    QTest::newRow("trailer") << Fixture("bad_trailer.enc") << E_BAD_HEADER << false;
    QTest::newRow("length 10241") << Fixture("bad_length.enc") << E_BAD_HEADER << false;
    QTest::newRow("cut in key block") << Fixture("cut_in_key_block.enc") << E_HEADER_READ << false;
    QTest::newRow("content cut") << Fixture("truncated.enc") << E_FILE_DAMAGED << true;
    QTest::newRow("format 2") << Fixture("format2.enc") << E_ALGORITHM_MISMATCH << true;
    QTest::newRow("not encrypted") << Fixture("make_fixtures.py") << E_HEADER_READ << false;
    QTest::newRow("empty") << Fixture("empty.enc") << E_HEADER_READ << false;
}

void TestFileTransforms::brokenFixtures()
{
    QFETCH(QString, fixture);
    QFETCH(Status, decryptStatus);
    QFETCH(bool, looksEncrypted);
    CryptPtr engine = MakeEngine(kMaster);
    QCOMPARE(engine->DecryptFileToFile(fixture, Path("out"), nullptr, nullptr, nullptr), decryptStatus);
    QVERIFY(!QFileInfo::exists(Path("out")));
    QByteArray buffer("stale");
    QCOMPARE(engine->DecryptFileToBuffer(fixture, &buffer), decryptStatus);
    QVERIFY(buffer.isEmpty());
    bool encrypted = !looksEncrypted;
    QCOMPARE(engine->IsEncryptedFile(fixture, &encrypted), S_OK);
    QCOMPARE(encrypted, looksEncrypted);
}

void TestFileTransforms::everyTrailerByteCounts()
{
    const QByteArray good = ReadAll(Fixture("hello.enc"));
    for (int i = 0; i < 5; ++i) {
        QByteArray bad = good;
        bad[189 - 5 + i] = char(bad[189 - 5 + i] ^ 0x40);
        QVERIFY(WriteAll(Path("t"), bad));
        Status s = S_OK;
        const EncryptedFileHeader h = HeaderOf(Path("t"), &s);
        QCOMPARE(s, E_BAD_HEADER);
        QVERIFY(!h.valid);
    }
}

void TestFileTransforms::storedFileNameRules()
{
    CryptPtr engine = MakeEngine(kMaster);
    const QByteArray good = ReadAll(Fixture("hello.enc"));
    char16_t name[32];
    // The fixture's master key is kMaster.
    for (const char* file : {"7", "007", "42abc", "x7", "0", "abc"}) {
        QVERIFY(WriteAll(Path(QString::fromLatin1(file)), good));
        const bool numbered = QByteArray(file) == "7" || QByteArray(file) == "007" || QByteArray(file) == "42abc";
        CryptPtr keyed = MakeEngine(Hex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f"));
        QCOMPARE(keyed->GetStoredFileName(Path(QString::fromLatin1(file)), name, 32), numbered);
    }
    QVERIFY(!engine->GetStoredFileName(Path("7"), name, 0));
    CryptPtr stranger = MakeEngine(Pattern(32, 5));
    QVERIFY(!stranger->GetStoredFileName(Path("7"), name, 32));
    QCOMPARE(name[0], u'\0');
}

void TestFileTransforms::wrongMasterKeyLeavesNothing()
{
    QVERIFY(WriteAll(Path("p"), Pattern(5000)));
    QCOMPARE(MakeEngine(kMaster)->EncryptFileToFile(Path("p"), Path("1"), nullptr, nullptr, nullptr), S_OK);
    QByteArray other = kMaster;
    other[31] = 0;
    ProgressLog log;
    QCOMPARE(MakeEngine(other)->DecryptFileToFile(Path("1"), Path("out"), Record, &log, nullptr), E_INTEGRITY);
    QVERIFY(!QFileInfo::exists(Path("out")));
    QCOMPARE(log.reasons, (QList<std::uint32_t> {kProgressStart, kProgressEnd}));
}

void TestFileTransforms::cancelOnFirstChunk()
{
    QVERIFY(WriteAll(Path("p"), Pattern(3 * kChunk)));
    for (const std::uint32_t answer : {1u, 2u}) {
        ProgressLog log;
        log.answer = answer;
        CryptPtr engine = MakeEngine(kMaster);
        QCOMPARE(engine->EncryptFileToFile(Path("p"), Path("1"), Record, &log, nullptr), E_ABORTED);
        QCOMPARE(std::uint32_t(E_ABORTED), 0x800704D3u);
        QVERIFY(!QFileInfo::exists(Path("1")));
        QCOMPARE(log.reasons, (QList<std::uint32_t> {kProgressStart, kProgressChunk, kProgressEnd}));
    }
    ProgressLog keepGoing;
    keepGoing.answer = 3;
    QCOMPARE(MakeEngine(kMaster)->EncryptFileToFile(Path("p"), Path("1"), Record, &keepGoing, nullptr), S_OK);
    keepGoing.answer = 1;
    QCOMPARE(MakeEngine(kMaster)->DecryptFileToFile(Path("1"), Path("out"), Record, &keepGoing, nullptr), E_ABORTED);
    QVERIFY(!QFileInfo::exists(Path("out")));
    QVERIFY(QFileInfo::exists(Path("1")));  // the source is never touched
}

void TestFileTransforms::missingSourceAndFolder()
{
    ProgressLog log;
    CryptPtr engine = MakeEngine(kMaster);
    QCOMPARE(engine->EncryptFileToFile(Path("none"), Path("never"), Record, &log, nullptr), StatusFromWin32(2));
    QCOMPARE(log.reasons, (QList<std::uint32_t> {kProgressStart, kProgressEnd}));
    QVERIFY(!QFileInfo::exists(Path("never")));
    QVERIFY(WriteAll(Path("p"), "data"));
    QCOMPARE(engine->EncryptFileToFile(Path("p"), Path("no/such/1"), nullptr, nullptr, nullptr), StatusFromWin32(3));
    QCOMPARE(engine->EncryptBufferToFile("x", 1, Path("no/1"), nullptr), StatusFromWin32(3));
    QByteArray buffer;
    QCOMPARE(engine->DecryptFileToBuffer(Path("none"), &buffer), StatusFromWin32(2));
    std::int32_t algorithm = -1;
    QCOMPARE(engine->GetFileAlgorithm(QString(), &algorithm), E_INVALIDARG);
    QCOMPARE(engine->GetFileAlgorithm(Fixture("hello.enc"), &algorithm), S_OK);
    QCOMPARE(algorithm, 0);
    QCOMPARE(engine->GetFileAlgorithm(Fixture("format2.enc"), &algorithm), E_INVALIDARG);
}

namespace {

// A destination another program holds: the platform's sharing violation.
// On Linux a running program's file cannot be written; on Windows a file
// opened without sharing cannot be opened again.
class BusyFile {
public:
    explicit BusyFile(const QString& path)
    {
#ifdef _WIN32
        handle_ = ::CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ok_ = handle_ != INVALID_HANDLE_VALUE;
#else
        ok_ = QFile::copy(QStringLiteral("/bin/sleep"), path)
              && QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (ok_) {
            sleeper_.start(path, {QStringLiteral("30")});
            ok_ = sleeper_.waitForStarted();
        }
#endif
    }
    ~BusyFile() { Release(); }
    [[nodiscard]] bool Held() const { return ok_; }
    void Release()
    {
#ifdef _WIN32
        if (handle_ != INVALID_HANDLE_VALUE)
            ::CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE));
#else
        if (sleeper_.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(sleeper_.processId()), SIGKILL);
            sleeper_.waitForFinished();
        }
#endif
    }

private:
    bool ok_ = false;
#ifdef _WIN32
    HANDLE handle_ = INVALID_HANDLE_VALUE;
#else
    QProcess sleeper_;
#endif
};

}  // namespace

void TestFileTransforms::busyDestinationIsRetried()
{
    const QString busy = Path("busy");
    BusyFile holder(busy);
    QVERIFY(holder.Held());
    QVERIFY(WriteAll(Path("p"), "data"));

    QElapsedTimer timer;
    timer.start();
    CryptPtr engine = MakeEngine(kMaster);
    QCOMPARE(engine->EncryptFileToFile(Path("p"), busy, nullptr, nullptr, nullptr), StatusFromWin32(32));
    QVERIFY2(timer.elapsed() >= 900, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(QFileInfo::exists(busy));  // not ours to delete: the run never created it

    // Freed during the retries, the destination is written.
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        holder.Release();
    });
    const Status s = engine->EncryptFileToFile(Path("p"), busy, nullptr, nullptr, nullptr);
    release.join();
    QCOMPARE(s, S_OK);
}

void TestFileTransforms::timesAndAttributesComeBack()
{
    QVERIFY(WriteAll(Path("doc.txt"), "contents"));
    const QDateTime when(QDate(2020, 1, 2), QTime(3, 4, 5), Qt::UTC);
    QFile doc(Path("doc.txt"));
    QVERIFY(doc.open(QIODevice::ReadWrite));
    QVERIFY(doc.setFileTime(when, QFileDevice::FileModificationTime));
    QVERIFY(doc.setFileTime(when.addDays(1), QFileDevice::FileAccessTime));
    doc.close();
    QCOMPARE(FileAttributes::Set(Path("doc.txt"), FileAttributes::kReadOnly), S_OK);
    // Access times on Windows are the volume's business (deferred, turned
    // off, or under Wine moved by the engine's own read): Linux only.
#ifdef _WIN32
    const bool accessKept = false;
#else
    const bool accessKept = true;
    QCOMPARE(QFileInfo(Path("doc.txt")).lastRead().toUTC(), when.addDays(1));
#endif

    CryptPtr engine = MakeEngine(kMaster);
    QCOMPARE(engine->EncryptFileToFile(Path("doc.txt"), Path("4"), nullptr, nullptr, nullptr), S_OK);
    const EncryptedFileHeader h = HeaderOf(Path("4"));
    QVERIFY(h.attributes & FileAttributes::kReadOnly);
    QCOMPARE(h.lastWrite.ToDateTime(), when);
    if (accessKept)
        QCOMPARE(h.lastAccess.ToDateTime(), when.addDays(1));

    QCOMPARE(engine->DecryptFileToFile(Path("4"), Path("back.txt"), nullptr, nullptr, nullptr), S_OK);
    const QFileInfo back(Path("back.txt"));
    QCOMPARE(back.lastModified().toUTC(), when);
    if (accessKept)
        QCOMPARE(back.lastRead().toUTC(), when.addDays(1));
    std::uint32_t attributes = 0;
    QCOMPARE(FileAttributes::Get(Path("back.txt"), &attributes), S_OK);
    QVERIFY(attributes & FileAttributes::kReadOnly);

    // Writing over a read-only destination clears it first and keeps it read-only.
    QCOMPARE(engine->EncryptFileToFile(Path("back.txt"), Path("4"), nullptr, nullptr, nullptr), S_OK);
    QCOMPARE(engine->DecryptFileToFile(Path("4"), Path("back.txt"), nullptr, nullptr, nullptr), S_OK);
    QCOMPARE(ReadAll(Path("back.txt")), QByteArray("contents"));
}

void TestFileTransforms::bufferRoundTrip_data()
{
    QTest::addColumn<qsizetype>("size");
    for (const qsizetype size : {qsizetype(0), qsizetype(1), qsizetype(16), qsizetype(17), kChunk, kChunk + 1})
        QTest::newRow(qPrintable(QString::number(size))) << size;
}

void TestFileTransforms::bufferRoundTrip()
{
    QFETCH(qsizetype, size);
    const QByteArray plain = Pattern(size, 3);
    CryptPtr engine = MakeEngine(kMaster);
    QCOMPARE(engine->EncryptBufferToFile(plain.constData(), static_cast<std::size_t>(size), Path(".manifest"), nullptr),
             S_OK);
    const EncryptedFileHeader h = HeaderOf(Path(".manifest"));
    QCOMPARE(h.Length(), 157u);
    QCOMPARE(h.attributes, 0x80u);
    QCOMPARE(h.lastWrite.ticks, 0ull);
    QCOMPARE(QFileInfo(Path(".manifest")).size(), 157 + (size + 15) / 16 * 16);
    QByteArray back;
    QCOMPARE(engine->DecryptFileToBuffer(Path(".manifest"), &back), S_OK);
    QVERIFY(back == plain);
}

void TestFileTransforms::oversizedClaimsAreBounded()
{
    QByteArray file = ReadAll(Fixture("buffer.enc"));
    // Claim 4 GiB - 16 plain bytes in a file of 48: refused before any memory is taken.
    file[4] = file[5] = file[6] = file[7] = 0;
    file[8] = char(0xF0);
    file[9] = file[10] = file[11] = char(0xFF);
    QVERIFY(WriteAll(Path("claim"), file));
    QByteArray back("stale");
    CryptPtr engine = MakeEngine(kMaster);
    QCOMPARE(engine->DecryptFileToBuffer(Path("claim"), &back), E_FILE_DAMAGED);
    QVERIFY(back.isEmpty());
    file[4] = 1;
    QVERIFY(WriteAll(Path("claim"), file));
    QCOMPARE(engine->DecryptFileToBuffer(Path("claim"), &back), E_FILE_DAMAGED);
}

void TestFileTransforms::lengthMustMatchHeader_data()
{
    // hello.enc: a 189-byte header, 75 plain bytes in 80 content bytes.
    const QByteArray good = ReadAll(Fixture("hello.enc"));
    const auto withSize = [&good](std::uint32_t high, std::uint32_t low) {
        QByteArray bad = good;
        qToLittleEndian(high, bad.data() + 4);
        qToLittleEndian(low, bad.data() + 8);
        return bad;
    };
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("cut to its header") << good.left(189);
    QTest::newRow("a block short") << good.chopped(16);
    QTest::newRow("a byte short") << good.chopped(1);
    QTest::newRow("a block more") << good + QByteArray(16, 'x');
    QTest::newRow("recorded size 0") << withSize(0, 0);
    QTest::newRow("recorded size a block larger") << withSize(0, 91);
    QTest::newRow("recorded size above 4 GiB") << withSize(1, 75);
    QTest::newRow("recorded size at the limit") << withSize(0xFFFFFFFFu, 0xFFFFFFFFu);
}

void TestFileTransforms::lengthMustMatchHeader()
{
    QFETCH(QByteArray, file);
    QVERIFY(WriteAll(Path("12"), file));
    // The engine the store uses, keyed from the key file's master key.
    SecParams keys;
    Unlock(keys, kMaster);
    FileCryptPtr engine;
    QCOMPARE(CreateKeyedCrypt(keys, &engine), S_OK);
    QCOMPARE(engine->VerifyFile(Path("12")), E_FILE_DAMAGED);
    QCOMPARE(engine->DecryptFileToFile(Path("12"), Path("out"), nullptr, nullptr, nullptr), E_FILE_DAMAGED);
    QVERIFY(!QFileInfo::exists(Path("out")));
    QByteArray buffer("stale");
    QCOMPARE(engine->DecryptFileToBuffer(Path("12"), &buffer), E_FILE_DAMAGED);
    QVERIFY(buffer.isEmpty());
    QByteArray sunk;
    QCOMPARE(engine->DecryptFileToSink(Path("12"), [&sunk](const std::uint8_t* data, std::size_t n) {
        sunk.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(n));
        return S_OK;
    }), E_FILE_DAMAGED);
    QVERIFY(sunk.isEmpty());
    // The name is still there to be read: a damaged file can be found by it.
    char16_t name[32];
    QVERIFY(engine->GetStoredFileName(Path("12"), name, 32));
    QCOMPARE(QString::fromUtf16(name), QStringLiteral("hello.txt"));
}

namespace {

struct Tamper {
    QString path;
    qint64 resizeTo = -1;  // -1: append instead
    bool done = false;
    std::uint32_t when = kProgressChunk;  // or kProgressStart: after the size is taken, before any read
};

std::uint32_t TamperOnFirstChunk(std::uint64_t, std::uint64_t, std::uint32_t reason, void* data)
{
    auto* tamper = static_cast<Tamper*>(data);
    if (reason == tamper->when && !tamper->done) {
        tamper->done = true;
        QFile file(tamper->path);
        if (!file.open(QIODevice::ReadWrite))
            return 0;
        if (tamper->resizeTo >= 0) {
            (void)file.resize(tamper->resizeTo);
        } else {
            (void)file.seek(file.size());
            (void)file.write(QByteArray(16, 'g'));
        }
    }
    return 0;
}

}  // namespace

void TestFileTransforms::lengthChangesWhileReading()
{
    // Longer than the chunks a reader may fetch ahead: the change is met.
    QVERIFY(WriteAll(Path("plain.bin"), Pattern((ChunkPipeline::kDepth + 2) * kChunk + 5, 9)));
    CryptPtr engine = MakeEngine(kMaster);
    QCOMPARE(engine->EncryptFileToFile(Path("plain.bin"), Path("3"), nullptr, nullptr, nullptr), S_OK);
    const QByteArray good = ReadAll(Path("3"));
    for (const qint64 resizeTo : {qint64(kChunk), qint64(-1)}) {
        QVERIFY(WriteAll(Path("3"), good));
        Tamper tamper {Path("3"), resizeTo};
        QCOMPARE(engine->DecryptFileToFile(Path("3"), Path("out"), TamperOnFirstChunk, &tamper, nullptr),
                 E_FILE_DAMAGED);
        QVERIFY(tamper.done);
        QVERIFY(!QFileInfo::exists(Path("out")));
    }
}

void TestFileTransforms::sourceChangesWhileEncrypted_data()
{
    QTest::addColumn<qsizetype>("size");
    QTest::addColumn<qint64>("resizeTo");  // -1: grows
    QTest::addColumn<std::uint32_t>("when");
    QTest::addColumn<Status>("expected");
    const qsizetype large = (ChunkPipeline::kDepth + 2) * kChunk + 5;  // past what a reader fetches ahead
    QTest::newRow("grows while read") << large << qint64(-1) << kProgressChunk << Status(S_OK);
    QTest::newRow("grows before the first read") << qsizetype(1000) << qint64(-1) << kProgressStart << Status(S_OK);
    QTest::newRow("shrinks while read") << large << qint64(kChunk) << kProgressChunk << E_SOURCE_SHRANK;
    QTest::newRow("emptied before the first read") << qsizetype(1000) << qint64(0) << kProgressStart << E_SOURCE_SHRANK;
}

void TestFileTransforms::sourceChangesWhileEncrypted()
{
    // A file another program writes while it is stored: what is stored must
    // agree with the size its header took at the start, or it can never be
    // decrypted again, after a run that reported success.
    QFETCH(qsizetype, size);
    QFETCH(qint64, resizeTo);
    QFETCH(std::uint32_t, when);
    QFETCH(Status, expected);
    const QByteArray original = Pattern(size, 4);
    QVERIFY(WriteAll(Path("log.txt"), original));
    CryptPtr engine = MakeEngine(kMaster);
    Tamper tamper {Path("log.txt"), resizeTo, false, when};
    QCOMPARE(engine->EncryptFileToFile(Path("log.txt"), Path("4"), TamperOnFirstChunk, &tamper, nullptr), expected);
    QVERIFY(tamper.done);
    if (Failed(expected)) {
        QVERIFY(!QFileInfo::exists(Path("4")));
        return;
    }
    // Stored as it was when it was opened.
    QCOMPARE(engine->DecryptFileToFile(Path("4"), Path("out"), nullptr, nullptr, nullptr), S_OK);
    QCOMPARE(ReadAll(Path("out")), original);
}

void TestFileTransforms::fullDisk()
{
    const QString mountPoint = Path("small");
    SmallVolume volume(mountPoint, "256k");
    if (!volume.Mounted())
        QSKIP("a small volume cannot be made here");
    QVERIFY(WriteAll(Path("big"), Pattern(2 * kChunk)));
    CryptPtr engine = MakeEngine(kMaster);
    const Status s = engine->EncryptFileToFile(Path("big"), mountPoint + QStringLiteral("/1"), nullptr, nullptr, nullptr);
    const bool gone = !QFileInfo::exists(mountPoint + QStringLiteral("/1"));
    volume.Unmount();
    QCOMPARE(s, StatusFromWin32(112));
    QVERIFY(gone);
}

QTEST_GUILESS_MAIN(TestFileTransforms)
#include "tst_filetransforms.moc"
