// Where key material lives: the AES whose schedule sits in the locked arena
// still computes AES, the engine's master key and schedules lie in locked
// pages left out of core dumps, and no copy of a master key, file key or
// password is anywhere else in the process's memory.

#include "ProcessMemory.h"
#include "TestSupport.h"

#include "platform/LockedArena.h"
#include "security/CreateCrypt.h"
#include "security/CryptKeyBlock.h"
#include "security/CryptoPP_AES256.h"
#include "security/LockedCipher.h"
#include "security/Password.h"
#include "security/RandomSource.h"
#include "security/SecParams.h"

#include <QTest>

#include <cryptopp/aes.h>
#include <cryptopp/modes.h>

#include <sys/resource.h>
#include <unistd.h>

using namespace nbr;
using namespace nbr::test;

namespace {

bool MayLock()
{
    rlimit limit {};
    return ::geteuid() == 0
           || (::getrlimit(RLIMIT_MEMLOCK, &limit) == 0
               && (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= (4u << 20)));
}

// The bytes lie in the arena's pages, which the kernel reports left out of
// core dumps and (where the system allows) locked.
QString CheckPlacement(const void* data, std::size_t size)
{
    const LockedArena::Placement placement = LockedArena::Where(data, size);
    const MappingFacts facts = MappingOf(data);
    if (!placement.inArena)
        return QStringLiteral("not in the arena (in %1)").arg(facts.name.isEmpty() ? QStringLiteral("[anon]") : facts.name);
    if (!facts.dontDump)
        return QStringLiteral("pages not left out of core dumps");
    if (MayLock() && !(placement.locked && facts.locked))
        return QStringLiteral("pages not locked");
    return {};
}

QString Outside(const Occurrences& found)
{
    return found.where.join(QStringLiteral(", "));
}

}  // namespace

class TestKeyMemory : public QObject {
    Q_OBJECT

private slots:
    void lockedAesComputesAes_data();
    void lockedAesComputesAes();
    void engineKeysLieInLockedPages();
    void noKeyOrPasswordOutsideTheArena();
};

void TestKeyMemory::lockedAesComputesAes_data()
{
    QTest::addColumn<int>("keyLength");
    QTest::newRow("AES-128") << 16;
    QTest::newRow("AES-192") << 24;
    QTest::newRow("AES-256") << 32;
}

void TestKeyMemory::lockedAesComputesAes()
{
    QFETCH(int, keyLength);
    const auto length = static_cast<std::size_t>(keyLength);
    const QByteArray key = Pattern(keyLength, 3);
    const QByteArray otherKey = Pattern(keyLength, 4);
    const QByteArray iv = Pattern(16, 5);
    const QByteArray plain = Pattern(4096, 6);
    const auto* k = reinterpret_cast<const CryptoPP::byte*>(key.constData());
    const auto* v = reinterpret_cast<const CryptoPP::byte*>(iv.constData());
    const auto* p = reinterpret_cast<const CryptoPP::byte*>(plain.constData());

    QByteArray expected(plain.size(), '\0');
    CryptoPP::CBC_Mode<CryptoPP::AES>::Encryption(k, length, v)
        .ProcessData(reinterpret_cast<CryptoPP::byte*>(expected.data()), p, static_cast<std::size_t>(plain.size()));

    LockedCbcEncryption encryption(k, length, v);
    QVERIFY(CheckPlacement(encryption.BlockCipher().ScheduleData(), encryption.BlockCipher().ScheduleSize()).isEmpty());
    QByteArray cipher = plain;
    auto* c = reinterpret_cast<CryptoPP::byte*>(cipher.data());
    encryption.ProcessData(c, c, 1024);  // the chain runs on across calls
    encryption.ProcessData(c + 1024, c + 1024, 3072);
    QCOMPARE(cipher, expected);

    LockedCbcDecryption decryption(k, length, v);
    QVERIFY(CheckPlacement(decryption.BlockCipher().ScheduleData(), decryption.BlockCipher().ScheduleSize()).isEmpty());
    decryption.ProcessData(c, c, static_cast<std::size_t>(cipher.size()));
    QCOMPARE(cipher, plain);

    // Keyed anew, the schedule goes back to its own storage and out again.
    LockedAesEncryption block(k, length);
    const auto* o = reinterpret_cast<const CryptoPP::byte*>(otherKey.constData());
    block.SetKey(o, length);
    QVERIFY(CheckPlacement(block.ScheduleData(), block.ScheduleSize()).isEmpty());
    CryptoPP::byte mine[16];
    CryptoPP::byte theirs[16];
    block.ProcessBlock(p, mine);
    CryptoPP::AES::Encryption(o, length).ProcessBlock(p, theirs);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(mine), 16), QByteArray(reinterpret_cast<char*>(theirs), 16));
    QVERIFY_THROWS_EXCEPTION(CryptoPP::NotImplemented, delete block.Clone());
}

void TestKeyMemory::engineKeysLieInLockedPages()
{
    ICrypt* raw = nullptr;
    QCOMPARE(CreateCrypt(CryptAlgorithmAes256, &raw), S_OK);
    CryptPtr owner(raw);
    auto* engine = dynamic_cast<CryptoPP_AES256*>(raw);
    QVERIFY(engine);
    const QByteArray master = Pattern(32, 7);
    QCOMPARE(engine->SetMasterKey(reinterpret_cast<const std::uint8_t*>(master.constData()), 32), S_OK);
    QByteArray block(CryptBase::kKeyBlockCapacity, '\0');
    std::uint32_t length = 0;
    QCOMPARE(engine->BeginEncryption(reinterpret_cast<std::uint8_t*>(block.data()), &length, CryptBase::kKeyBlockCapacity),
             S_OK);
    QCOMPARE(engine->BeginDecryption(reinterpret_cast<const std::uint8_t*>(block.constData()), length), S_OK);

    // The master key, and the schedules of the file key both ways.
    const std::vector<CryptoPP_AES256::KeySpan> spans = engine->KeyMaterialForTesting();
    QCOMPARE(spans.size(), std::size_t {3});
    QCOMPARE(spans[0].size, std::size_t {32});
    QVERIFY(spans[1].size >= 240 && spans[2].size >= 240);  // 15 round keys
    for (const CryptoPP_AES256::KeySpan& span : spans) {
        const QString wrong = CheckPlacement(span.data, span.size);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }
    QCOMPARE(engine->EndEncryption(), S_OK);
    QCOMPARE(engine->EndDecryption(), S_OK);
    QCOMPARE(engine->KeyMaterialForTesting().size(), std::size_t {1});
}

void TestKeyMemory::noKeyOrPasswordOutsideTheArena()
{
    // A password of random letters: no copy of it exists in the program's
    // own bytes, so every one found was made at run time.
    X917RandomSource random;
    LockedByteBlock utf8(24);
    QVERIFY(random.Generate(utf8.data(), utf8.size()));
    for (CryptoPP::byte& b : utf8)
        b = static_cast<CryptoPP::byte>('a' + b % 26);
    Password password;
    QVERIFY(Password::FromUtf8(utf8.data(), utf8.size(), &password));
    const Password copy = password;
    const auto utf16 = copy.Bytes();

    SecParams keys;
    QCOMPARE(keys.CreateNew(utf16.data(), utf16.size()), S_OK);
    QVERIFY(keys.VerifyPassword(utf16.data(), utf16.size()));

    // Two engines at work, one encrypting, one decrypting what it wrote.
    FileCryptPtr writer;
    FileCryptPtr reader;
    QCOMPARE(CreateKeyedCrypt(keys, &writer), S_OK);
    QCOMPARE(CreateKeyedCrypt(keys, &reader), S_OK);
    QByteArray block(CryptBase::kKeyBlockCapacity, '\0');
    std::uint32_t length = 0;
    QCOMPARE(writer->BeginEncryption(reinterpret_cast<std::uint8_t*>(block.data()), &length, CryptBase::kKeyBlockCapacity),
             S_OK);
    QByteArray data = Pattern(4096, 8);
    std::uint32_t size = 4096;
    QCOMPARE(writer->EncryptChunk(reinterpret_cast<std::uint8_t*>(data.data()), &size, 4096, false), S_OK);
    QCOMPARE(reader->BeginDecryption(reinterpret_cast<const std::uint8_t*>(block.constData()), length), S_OK);
    QCOMPARE(reader->DecryptChunk(reinterpret_cast<std::uint8_t*>(data.data()), size, false), S_OK);
    QCOMPARE(data, Pattern(4096, 8));

    // The search finds what lies outside: a copy on the heap.
    LockedByteBlock probe(32);
    QVERIFY(random.Generate(probe.data(), probe.size()));
    const QByteArray onHeap(reinterpret_cast<const char*>(probe.data()), 32);
    const Occurrences probed = FindInOwnMemory(probe.data(), probe.size());
    QCOMPARE(probed.elsewhere, 1);
    QCOMPARE(probed.dumpExcluded, 1);

    // The file key, unwrapped here into the arena as well.
    using namespace CryptKeyBlock;
    LockedByteBlock fileKey(32);
    LockedCbcDecryption(keys.GetMasterKey(), 32, reinterpret_cast<const CryptoPP::byte*>(block.constData()) + IvOffset())
        .ProcessData(fileKey.data(), reinterpret_cast<const CryptoPP::byte*>(block.constData()) + KeyOffset(), 32);

    const Occurrences master = FindInOwnMemory(keys.GetMasterKey(), SecParams::kMasterKeyLength);
    QVERIFY2(master.elsewhere == 0, qPrintable(QStringLiteral("master key in: ") + Outside(master)));
    QVERIFY(master.dumpExcluded >= 3);  // the key record's, and one per engine
    const Occurrences file = FindInOwnMemory(fileKey.data(), fileKey.size());
    QVERIFY2(file.elsewhere == 0, qPrintable(QStringLiteral("file key in: ") + Outside(file)));
    QVERIFY(file.dumpExcluded >= 1);
    const Occurrences units = FindInOwnMemory(utf16.data(), utf16.size());
    QVERIFY2(units.elsewhere == 0, qPrintable(QStringLiteral("UTF-16 password in: ") + Outside(units)));
    QVERIFY(units.dumpExcluded >= 3);  // the two passwords and their bytes
    const Occurrences bytes = FindInOwnMemory(utf8.data(), utf8.size());
    QVERIFY2(bytes.elsewhere == 0, qPrintable(QStringLiteral("UTF-8 password in: ") + Outside(bytes)));
}

QTEST_GUILESS_MAIN(TestKeyMemory)
#include "tst_keymemory.moc"
