#pragma once
// Helpers shared by the tests: a scripted random source, hex, the NIST
// response files, and an AES independent of the engine.

#include "security/CreateCrypt.h"
#include "security/RandomSource.h"
#include "security/SecParams.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace nbr::test {

// Hands out the given bytes in order; fails once they run out.
class FixedRandom final : public IRandomSource {
public:
    explicit FixedRandom(QByteArray bytes) : bytes_(std::move(bytes)) {}
    bool Generate(std::uint8_t* out, std::size_t count) override;

private:
    QByteArray bytes_;
    qsizetype at_ = 0;
};

struct CbcVector {
    bool encrypt = true;
    QByteArray key, iv, plain, cipher;
};

QByteArray Hex(const char* text);

// The key material of the frozen fixtures (make_fixtures.py uses the same).
inline const QByteArray kMaster = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
inline const QByteArray kIv = QByteArray::fromHex("f0e0d0c0b0a090807060504030201000");
inline const QByteArray kFileKey = QByteArray::fromHex("8899aabbccddeeff00112233445566778899aabbccddeeff0011223344556677");
inline const QByteArray kSalt = QByteArray::fromHex("deadbeef");
QByteArray Pattern(qsizetype size, int seed = 1);
// Every vector of a NIST CAVP response file.
QList<CbcVector> ReadCbcVectors(const QString& path);
QString VectorsDir();
// An AES-256 engine keyed with `masterKey`; draws from `random` when given.
CryptPtr MakeEngine(const QByteArray& masterKey, IRandomSource* random = nullptr, std::int32_t algorithm = 0);
// The key block computed independently: ReferenceCbc wraps the file key, Qt
// computes SHA-256 and HMAC-SHA-256.
QByteArray ReferenceKeyBlock(const QByteArray& master, const QByteArray& iv, const QByteArray& fileKey,
                             const QByteArray& salt);
// The key record computed independently from the layout table.
struct KeyRecordParts {
    QByteArray password;  // UTF-16LE bytes (a hardened record: the stretched bytes)
    QByteArray master, verifierSalt, wrapSalt, wrapIv, creationRandom, macSalt;
    QByteArray stretchWords;  // a hardened record's 40 bytes at offset 110; empty: plain
};
QByteArray ReferenceKeyRecord(const KeyRecordParts& parts);
QByteArray Utf16Le(const QString& text);
// AES-CBC without padding from an implementation independent of the engine
// (the openssl command; the system's CNG on Windows); empty on failure.
QByteArray ReferenceCbc(bool encrypt, const QByteArray& key, const QByteArray& iv, const QByteArray& data);
QByteArray ReadAll(const QString& path);
// Every path under `folder`, hidden ones too, sorted: for "nothing was made or moved".
QStringList TreeOf(const QString& folder);
// Copies a file or a whole folder to `target` (links refused); false at the
// first failure.
bool CopyTree(const QString& source, const QString& target);
// A volume of a few kilobytes mounted at `folder` (a tmpfs: Linux, as
// root), for running out of space; unmounted when it goes. Mounted() is
// false where none can be made: such tests skip.
class SmallVolume {
public:
    SmallVolume(const QString& folder, const char* size);
    ~SmallVolume() { Unmount(); }
    SmallVolume(const SmallVolume&) = delete;
    SmallVolume& operator=(const SmallVolume&) = delete;
    [[nodiscard]] bool Mounted() const { return mounted_; }
    void Unmount();

private:
    QByteArray where_;
    bool mounted_ = false;
};
#ifndef _WIN32
// Runs `work` in a forked child and kills it after `delayUs` microseconds;
// false when the child ended on its own with a failure. (Windows has no
// fork: the crash walks there kill nimbra-cli instead.)
bool KilledMidway(const std::function<bool()>& work, std::uint32_t delayUs);
#endif
// Key material whose master key is `master` (a new key with a scripted draw).
void Unlock(SecParams& params, const QByteArray& master);
bool WriteAll(const QString& path, const QByteArray& data);

}  // namespace nbr::test
