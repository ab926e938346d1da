#include "TestSupport.h"

#include "panes/HostFolderReader.h"
#include "security/CryptoPP_AES256.h"

#include <QCryptographicHash>
#include <QFile>
#include <QMessageAuthenticationCode>
#include <QtEndian>
#include <QProcess>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <cstring>
#ifdef _WIN32
#include <windows.h>
#include <bcrypt.h>
#else
#include <csignal>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

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

#ifdef _WIN32
// The system's own AES (CNG), which shares no code with the engine: a
// Windows program cannot start the host's openssl under Wine.
QByteArray ReferenceCbc(bool encrypt, const QByteArray& key, const QByteArray& iv, const QByteArray& data)
{
    if (data.isEmpty())
        return {};
    BCRYPT_ALG_HANDLE alg = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&alg, BCRYPT_AES_ALGORITHM, nullptr, 0)))
        return {};
    QByteArray out;
    BCRYPT_KEY_HANDLE handle = nullptr;
    auto mode = const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_CBC);
    if (BCRYPT_SUCCESS(BCryptSetProperty(alg, BCRYPT_CHAINING_MODE, reinterpret_cast<PUCHAR>(mode),
                                         static_cast<ULONG>((wcslen(mode) + 1) * sizeof(wchar_t)), 0))
        && BCRYPT_SUCCESS(BCryptGenerateSymmetricKey(alg, &handle, nullptr, 0,
                                                     reinterpret_cast<PUCHAR>(const_cast<char*>(key.constData())),
                                                     static_cast<ULONG>(key.size()), 0))) {
        QByteArray chain = iv;
        QByteArray input = data;
        out.resize(data.size());
        ULONG written = 0;
        const auto run = encrypt ? BCryptEncrypt : BCryptDecrypt;
        if (!BCRYPT_SUCCESS(run(handle, reinterpret_cast<PUCHAR>(input.data()), static_cast<ULONG>(input.size()),
                                nullptr, reinterpret_cast<PUCHAR>(chain.data()), static_cast<ULONG>(chain.size()),
                                reinterpret_cast<PUCHAR>(out.data()), static_cast<ULONG>(out.size()), &written, 0))
            || written != static_cast<ULONG>(data.size()))
            out.clear();
        BCryptDestroyKey(handle);
    }
    BCryptCloseAlgorithmProvider(alg, 0);
    return out;
}
#else
QByteArray ReferenceCbc(bool encrypt, const QByteArray& key, const QByteArray& iv, const QByteArray& data)
{
    if (data.isEmpty())
        return {};
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("enc"), encrypt ? QStringLiteral("-e") : QStringLiteral("-d"),
                   key.size() == 16 ? QStringLiteral("-aes-128-cbc") : QStringLiteral("-aes-256-cbc"),
                   QStringLiteral("-nopad"), QStringLiteral("-K"), QString::fromLatin1(key.toHex()),
                   QStringLiteral("-iv"), QString::fromLatin1(iv.toHex())});
    if (!openssl.waitForStarted())
        return {};
    openssl.write(data);
    openssl.closeWriteChannel();
    if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0)
        return {};
    return openssl.readAllStandardOutput();
}
#endif

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
    block += ReferenceCbc(true, master.left(k), iv, fileKey);
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
    put(62, ReferenceCbc(true, sha(p.password + p.wrapSalt), p.wrapIv, p.master));
    put(94, p.creationRandom);
    put(30950, p.macSalt);
    put(30954, QMessageAuthenticationCode::hash(record.left(30954), sha(p.master + p.macSalt), QCryptographicHash::Sha256));
    return record;
}

bool CopyTree(const QString& source, const QString& target)
{
    const QFileInfo info(source);
    if (info.isSymLink() || !(info.isFile() || info.isDir()))
        return false;
    if (info.isFile())
        return QFile::copy(source, target);
    if (!QDir().mkpath(target))
        return false;
    QDirIterator it(source, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    bool ok = true;
    while (it.hasNext()) {
        const QString child = it.next();
        ok = CopyTree(child, target + u'/' + it.fileName()) && ok;
    }
    return ok;
}

SmallVolume::SmallVolume(const QString& folder, const char* size)
{
#ifdef _WIN32
    (void)folder;
    (void)size;
#else
    where_ = QFile::encodeName(folder);
    const QByteArray options = QByteArray("size=") + size;
    mounted_ = QDir().mkpath(folder) && ::geteuid() == 0
               && ::mount("tmpfs", where_.constData(), "tmpfs", 0, options.constData()) == 0;
#endif
}

void SmallVolume::Unmount()
{
#ifndef _WIN32
    if (mounted_)
        (void)::umount(where_.constData());
#endif
    mounted_ = false;
}

#ifndef _WIN32
bool KilledMidway(const std::function<bool()>& work, std::uint32_t delayUs)
{
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0)
        ::_exit(work() ? 0 : 2);
    ::usleep(delayUs);
    ::kill(child, SIGKILL);
    int status = 0;
    if (::waitpid(child, &status, 0) != child)
        return false;
    return !WIFEXITED(status) || WEXITSTATUS(status) == 0;
}
#endif

QStringList TreeOf(const QString& folder)
{
    QStringList paths;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        paths << it.next();
    paths.sort();
    return paths;
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
