#include "TestSupport.h"

#include "panes/HostFolderReader.h"
#include "security/CryptoPP_AES256.h"

#include <QCryptographicHash>
#include <QFile>
#include <QMessageAuthenticationCode>
#include <QtEndian>
#include <QProcess>

#include <cstring>

namespace nbr::test {

namespace {
// A host folder's read that outlasts the pane's short wait comes in later;
// the suites list host folders and look at them at once, so they wait as
// long as a read may take on a loaded machine. The late path has a test of
// its own, which sets the wait to 0.
const bool g_hostReadsInTime = (HostFolderReader::SetWait(10000), true);
}  // namespace

bool FixedRandom::Generate(std::uint8_t* out, std::size_t count)
{
    if (at_ + static_cast<qsizetype>(count) > bytes_.size())
        return false;
    std::memcpy(out, bytes_.constData() + at_, count);
    at_ += static_cast<qsizetype>(count);
    return true;
}

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

QByteArray Pattern(qsizetype size, int seed)
{
    QByteArray data(size, Qt::Uninitialized);
    std::uint32_t x = 2463534242u + static_cast<std::uint32_t>(seed);
    for (qsizetype i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        data[i] = static_cast<char>(x);
    }
    return data;
}

QString VectorsDir()
{
    return QStringLiteral("/usr/lib/python3/dist-packages/cryptography_vectors");
}

QList<CbcVector> ReadCbcVectors(const QString& path)
{
    QList<CbcVector> vectors;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return vectors;
    bool encrypt = true;
    CbcVector current;
    auto flush = [&] {
        if (!current.key.isEmpty() && !current.plain.isEmpty() && !current.cipher.isEmpty())
            vectors << current;
        current = CbcVector {};
        current.encrypt = encrypt;
    };
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line == "[ENCRYPT]" || line == "[DECRYPT]") {
            flush();
            encrypt = line == "[ENCRYPT]";
            current.encrypt = encrypt;
        } else if (line.startsWith("COUNT")) {
            flush();
        } else if (const qsizetype eq = line.indexOf(" = "); eq > 0) {
            const QByteArray name = line.left(eq);
            const QByteArray value = QByteArray::fromHex(line.mid(eq + 3));
            if (name == "KEY")
                current.key = value;
            else if (name == "IV")
                current.iv = value;
            else if (name == "PLAINTEXT")
                current.plain = value;
            else if (name == "CIPHERTEXT")
                current.cipher = value;
        }
    }
    flush();
    return vectors;
}

QByteArray OpenSsl(const QStringList& arguments, const QByteArray& input)
{
    QProcess process;
    process.start(QStringLiteral("openssl"), arguments);
    if (!process.waitForStarted())
        return {};
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

CryptPtr MakeEngine(const QByteArray& masterKey, IRandomSource* random, std::int32_t algorithm)
{
    CryptPtr engine;
    if (Failed(CreateCrypt(algorithm, &engine)))
        return {};
    if (!masterKey.isEmpty()
        && Failed(engine->SetMasterKey(reinterpret_cast<const std::uint8_t*>(masterKey.constData()),
                                       static_cast<std::size_t>(masterKey.size()))))
        return {};
    if (random)
        static_cast<CryptoPP_AES256*>(engine.get())->SetRandomSource(random);
    return engine;
}

QByteArray OpenSslCbc(bool encrypt, const QByteArray& key, const QByteArray& iv, const QByteArray& data)
{
    if (data.isEmpty())
        return {};
    return OpenSsl({QStringLiteral("enc"), encrypt ? QStringLiteral("-e") : QStringLiteral("-d"),
                    key.size() == 16 ? QStringLiteral("-aes-128-cbc") : QStringLiteral("-aes-256-cbc"),
                    QStringLiteral("-nopad"), QStringLiteral("-K"), QString::fromLatin1(key.toHex()),
                    QStringLiteral("-iv"), QString::fromLatin1(iv.toHex())},
                   data);
}

QByteArray ReferenceKeyBlock(const QByteArray& master, const QByteArray& iv, const QByteArray& fileKey,
                             const QByteArray& salt)
{
    const auto k = static_cast<std::uint16_t>(fileKey.size());
    QByteArray block;
    auto put16 = [&](std::uint16_t v) {
        char b[2];
        qToLittleEndian(v, b);
        block.append(b, 2);
    };
    char total[4];
    qToLittleEndian<std::uint32_t>(68u + k, total);
    block.append(total, 4);
    put16(2);
    put16(16);
    put16(k);
    put16(16);
    put16(4);
    put16(32);
    block += iv;
    block += OpenSslCbc(true, master.left(k), iv, fileKey);
    block += salt;
    const QByteArray macKey = QCryptographicHash::hash(salt + fileKey, QCryptographicHash::Sha256);
    block += QMessageAuthenticationCode::hash(block, macKey, QCryptographicHash::Sha256);
    return block;
}

QByteArray Utf16Le(const QString& text)
{
    QByteArray bytes;
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

QByteArray ReferenceKeyRecord(const KeyRecordParts& p)
{
    auto sha = [](const QByteArray& a) { return QCryptographicHash::hash(a, QCryptographicHash::Sha256); };
    QByteArray record(30986, '\0');
    auto put = [&](int at, const QByteArray& bytes) { record.replace(at, bytes.size(), bytes); };
    qToLittleEndian<quint32>(30986, record.data());
    qToLittleEndian<quint16>(p.stretchWords.isEmpty() ? 1 : 2, record.data() + 4);
    put(110, p.stretchWords);
    put(6, p.verifierSalt);
    put(10, sha(p.password + p.verifierSalt));
    put(42, p.wrapSalt);
    put(46, p.wrapIv);
    put(62, OpenSslCbc(true, sha(p.password + p.wrapSalt), p.wrapIv, p.master));
    put(94, p.creationRandom);
    put(30950, p.macSalt);
    put(30954, QMessageAuthenticationCode::hash(record.left(30954), sha(p.master + p.macSalt), QCryptographicHash::Sha256));
    return record;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

void Unlock(SecParams& params, const QByteArray& master)
{
    FixedRandom random(master + QByteArray(44, '\x11'));
    params.SetRandomSource(&random);
    const QByteArray pw = Utf16Le(QStringLiteral("password1"));
    (void)params.CreateNew(reinterpret_cast<const std::uint8_t*>(pw.constData()), static_cast<std::size_t>(pw.size()));
    params.SetRandomSource(nullptr);
}

}  // namespace nbr::test
