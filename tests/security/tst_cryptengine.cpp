// The AES engine: creation and key rules, the key block against an
// independent computation, chunk rules, and AES-CBC and HMAC-SHA-256 against
// the NIST and RFC 4231 known-answer vectors.

#include "TestSupport.h"

#include "security/CryptoPP_AES256.h"
#include "security/SecurityStatus.h"

#include <QFile>
#include <QTest>

#include <cryptopp/hmac.h>
#include <cryptopp/sha.h>

using namespace nbr;
using namespace nbr::test;

namespace {


std::uint8_t* U8(QByteArray& a) { return reinterpret_cast<std::uint8_t*>(a.data()); }

// A key block drawn from fixed randomness, and the engine that made it.
QByteArray MakeKeyBlock(ICrypt* engine)
{
    QByteArray block(1024, '\0');
    std::uint32_t length = 0;
    if (Failed(engine->BeginEncryption(U8(block), &length, 1024)))
        return {};
    block.truncate(length);
    return block;
}

}  // namespace

class TestCryptEngine : public QObject {
    Q_OBJECT

private slots:
    void createAndKeyRules();
    void keyBlockMatchesIndependentComputation();
    void keyBlockCapacityAndState();
    void keyBlockTamperingIsDetected();
    void chunkRules();
    void chainRunsAcrossChunks();
    void nistCbcVectors_data();
    void nistCbcVectors();
    void rfc4231HmacVectors();
};

void TestCryptEngine::createAndKeyRules()
{
    ICrypt* raw = nullptr;
    QCOMPARE(CreateCrypt(2, &raw), E_UNEXPECTED);
    QVERIFY(raw == nullptr);
    QCOMPARE(CreateCrypt(0, static_cast<ICrypt**>(nullptr)), E_INVALIDARG);
    QCOMPARE(CreateCrypt(1, &raw), S_OK);
    QCOMPARE(raw->GetAlgorithm(), 1);
    QCOMPARE(raw->AddRef(), 2);
    QCOMPARE(raw->Release(), 1);
    QCOMPARE(raw->Release(), 0);

    CryptPtr engine;
    QCOMPARE(CreateCrypt(0, &engine), S_OK);
    const QByteArray key(257, 'k');
    auto* bytes = reinterpret_cast<const std::uint8_t*>(key.constData());
    QCOMPARE(engine->SetMasterKey(bytes, 5), E_KEY_TOO_SHORT);
    QCOMPARE(engine->SetMasterKey(bytes, 257), E_KEY_TOO_LONG);
    QCOMPARE(engine->SetMasterKey(nullptr, 0), E_KEY_TOO_SHORT);
    QCOMPARE(engine->SetMasterKey(bytes, 256), S_OK);
    QCOMPARE(engine->SetMasterKey(bytes, 6), S_OK);
    // Six bytes are a valid master key but shorter than an AES-256 key.
    QByteArray block(1024, '\0');
    std::uint32_t length = 0;
    QCOMPARE(engine->BeginEncryption(U8(block), &length, 1024), E_KEY_TOO_SHORT);
}

void TestCryptEngine::keyBlockMatchesIndependentComputation()
{
    for (const int k : {32, 16}) {
        FixedRandom random(kIv + kFileKey.left(k) + kSalt);
        CryptPtr engine = MakeEngine(kMaster, &random, k == 32 ? 0 : 1);
        QVERIFY(engine);
        const QByteArray block = MakeKeyBlock(engine.get());
        QCOMPARE(block.size(), 68 + k);
        QCOMPARE(block.toHex(), ReferenceKeyBlock(kMaster, kIv, kFileKey.left(k), kSalt).toHex());
        QCOMPARE(engine->EndEncryption(), S_OK);

        CryptPtr reader = MakeEngine(kMaster, nullptr, k == 32 ? 0 : 1);
        QCOMPARE(reader->BeginDecryption(reinterpret_cast<const std::uint8_t*>(block.constData()),
                                         static_cast<std::uint32_t>(block.size())),
                 S_OK);
    }
}

void TestCryptEngine::keyBlockCapacityAndState()
{
    CryptPtr engine = MakeEngine(kMaster);
    QByteArray block(1024, '\0');
    std::uint32_t length = 0;
    QCOMPARE(engine->BeginEncryption(U8(block), &length, 99), E_BUFFER_TOO_SMALL);
    QCOMPARE(length, 100u);
    QCOMPARE(engine->BeginEncryption(U8(block), &length, 100), S_OK);
    QCOMPARE(engine->BeginEncryption(U8(block), &length, 100), E_BAD_STATE);
    QCOMPARE(engine->EndEncryption(), S_OK);
    QCOMPARE(engine->EndEncryption(), S_OK);
    QCOMPARE(engine->BeginEncryption(U8(block), &length, 100), S_OK);
    QCOMPARE(engine->BeginEncryption(nullptr, &length, 100), E_BAD_STATE);

    block.truncate(100);
    CryptPtr reader = MakeEngine(kMaster);
    QCOMPARE(reader->BeginDecryption(U8(block), 100), S_OK);
    QCOMPARE(reader->BeginDecryption(U8(block), 100), E_BAD_STATE);

    // A block from an AES-128 engine does not fit an AES-256 one.
    CryptPtr small = MakeEngine(kMaster, nullptr, 1);
    QByteArray block128(1024, '\0');
    QCOMPARE(small->BeginEncryption(U8(block128), &length, 1024), S_OK);
    QCOMPARE(length, 84u);
    CryptPtr big = MakeEngine(kMaster);
    QCOMPARE(big->BeginDecryption(U8(block128), 84), E_INVALIDARG);
    QCOMPARE(big->BeginDecryption(U8(block), 0), E_INVALIDARG);
    QCOMPARE(big->BeginDecryption(nullptr, 100), E_INVALIDARG);
}

void TestCryptEngine::keyBlockTamperingIsDetected()
{
    CryptPtr engine = MakeEngine(kMaster);
    const QByteArray block = MakeKeyBlock(engine.get());
    QCOMPARE(block.size(), 100);
    for (int i = 0; i < 100; ++i) {
        QByteArray damaged = block;
        damaged[i] = static_cast<char>(damaged[i] ^ 0x01);
        CryptPtr reader = MakeEngine(kMaster);
        const Status s = reader->BeginDecryption(U8(damaged), 100);
        // The size fields are checked before the MAC; everything else is covered by it.
        QCOMPARE(s, i < 16 ? E_INVALIDARG : E_INTEGRITY);
        std::uint8_t chunk[16] = {};
        QCOMPARE(reader->DecryptChunk(chunk, 16, true), E_NOT_DECRYPTING);
    }
    QByteArray otherMaster = kMaster;
    otherMaster[0] = 'x';
    CryptPtr wrongKey = MakeEngine(otherMaster);
    QByteArray copy = block;
    QCOMPARE(wrongKey->BeginDecryption(U8(copy), 100), E_INTEGRITY);
}

void TestCryptEngine::chunkRules()
{
    CryptPtr engine = MakeEngine(kMaster);
    std::uint8_t buffer[64];
    std::memset(buffer, 0xAB, sizeof buffer);
    std::uint32_t length = 17;
    QCOMPARE(engine->EncryptChunk(buffer, &length, 64, true), E_NOT_ENCRYPTING);
    QCOMPARE(engine->DecryptChunk(buffer, 16, true), E_NOT_DECRYPTING);

    FixedRandom random(kIv + kFileKey + kSalt);
    engine = MakeEngine(kMaster, &random);
    QVERIFY(!MakeKeyBlock(engine.get()).isEmpty());
    QCOMPARE(engine->EncryptChunk(buffer, &length, 31, true), E_BUFFER_TOO_SMALL);
    QCOMPARE(engine->EncryptChunk(buffer, &length, 64, false), E_BUFFER_TOO_SMALL);
    QCOMPARE(engine->EncryptChunk(buffer, &length, 64, true), S_OK);
    QCOMPARE(length, 32u);
    // The 15 bytes added to reach a whole block are zeros.
    QByteArray plain(17, char(0xAB));
    plain += QByteArray(15, '\0');
    QCOMPARE(QByteArray(reinterpret_cast<char*>(buffer), 32).toHex(), ReferenceCbc(true, kFileKey, kIv, plain).toHex());

    length = 0;
    QCOMPARE(engine->EncryptChunk(buffer, &length, 64, true), S_OK);
    QCOMPARE(length, 0u);
    length = 32;
    QCOMPARE(engine->EncryptChunk(buffer, &length, 32, true), S_OK);
    QCOMPARE(length, 32u);

    CryptPtr reader = MakeEngine(kMaster);
    FixedRandom again(kIv + kFileKey + kSalt);
    CryptPtr writer = MakeEngine(kMaster, &again);
    QByteArray block = MakeKeyBlock(writer.get());
    QCOMPARE(reader->BeginDecryption(U8(block), 100), S_OK);
    QCOMPARE(reader->DecryptChunk(buffer, 20, false), E_BUFFER_TOO_SMALL);
}

void TestCryptEngine::chainRunsAcrossChunks()
{
    const QByteArray plain = Pattern(48);
    QByteArray whole = plain;
    QByteArray pieces = plain;
    FixedRandom r1(kIv + kFileKey + kSalt);
    FixedRandom r2(kIv + kFileKey + kSalt);
    CryptPtr a = MakeEngine(kMaster, &r1);
    CryptPtr b = MakeEngine(kMaster, &r2);
    QCOMPARE(MakeKeyBlock(a.get()), MakeKeyBlock(b.get()));
    std::uint32_t length = 48;
    QCOMPARE(a->EncryptChunk(U8(whole), &length, 48, true), S_OK);
    for (int i = 0; i < 3; ++i) {
        length = 16;
        QCOMPARE(b->EncryptChunk(U8(pieces) + 16 * i, &length, 16, i == 2), S_OK);
    }
    QCOMPARE(whole.toHex(), pieces.toHex());
    QCOMPARE(whole.toHex(), ReferenceCbc(true, kFileKey, kIv, plain).toHex());
}

void TestCryptEngine::nistCbcVectors_data()
{
    QTest::addColumn<QString>("file");
    for (const char* name : {"CBCGFSbox256.rsp", "CBCKeySbox256.rsp", "CBCVarKey256.rsp", "CBCVarTxt256.rsp",
                             "CBCMMT256.rsp", "CBCMMT128.rsp", "CBCVarKey128.rsp"})
        QTest::newRow(name) << VectorsDir() + QStringLiteral("/ciphers/AES/CBC/") + QString::fromLatin1(name);
}

void TestCryptEngine::nistCbcVectors()
{
    QFETCH(QString, file);
    const QList<CbcVector> vectors = ReadCbcVectors(file);
    QVERIFY2(vectors.size() > 5, qPrintable(QStringLiteral("no vectors in %1").arg(file)));
    for (const CbcVector& v : vectors) {
        // The vector's key and IV become the file key and IV of a key block,
        // so that the engine's own chunk path does the work.
        const std::int32_t algorithm = v.key.size() == 16 ? 1 : 0;
        FixedRandom random(v.iv + v.key + kSalt);
        CryptPtr writer = MakeEngine(kMaster, &random, algorithm);
        QByteArray block = MakeKeyBlock(writer.get());
        QVERIFY(!block.isEmpty());
        QByteArray data = v.encrypt ? v.plain : v.cipher;
        auto length = static_cast<std::uint32_t>(data.size());
        if (v.encrypt) {
            QCOMPARE(writer->EncryptChunk(U8(data), &length, length, true), S_OK);
            QCOMPARE(data.toHex(), v.cipher.toHex());
        } else {
            CryptPtr reader = MakeEngine(kMaster, nullptr, algorithm);
            QCOMPARE(reader->BeginDecryption(U8(block), static_cast<std::uint32_t>(block.size())), S_OK);
            QCOMPARE(reader->DecryptChunk(U8(data), length, true), S_OK);
            QCOMPARE(data.toHex(), v.plain.toHex());
        }
    }
}

void TestCryptEngine::rfc4231HmacVectors()
{
    QFile file(VectorsDir() + QStringLiteral("/HMAC/rfc-4231-sha256.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QByteArray key;
    QByteArray message;
    int checked = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith("Key = ")) {
            key = QByteArray::fromHex(line.mid(6));
        } else if (line.startsWith("Msg = ")) {
            message = QByteArray::fromHex(line.mid(6));
        } else if (line.startsWith("MD = ")) {
            const QByteArray expected = QByteArray::fromHex(line.mid(5));
            // The MAC exactly as the key block computes it.
            CryptoPP::HMAC<CryptoPP::SHA256> mac(reinterpret_cast<const CryptoPP::byte*>(key.constData()),
                                                 static_cast<std::size_t>(key.size()));
            QByteArray digest(32, '\0');
            mac.CalculateDigest(U8(digest), reinterpret_cast<const CryptoPP::byte*>(message.constData()),
                                static_cast<std::size_t>(message.size()));
            QCOMPARE(digest.left(expected.size()).toHex(), expected.toHex());
            ++checked;
        }
    }
    QCOMPARE(checked, 6);  // the file leaves out the truncated case
}

QTEST_GUILESS_MAIN(TestCryptEngine)
#include "tst_cryptengine.moc"
