#include "security/SecParams.h"

#include "platform/ProcessHardening.h"
#include "security/CryptoGuard.h"
#include "security/FileStream.h"
#include "security/KeyFileLayout.h"
#include "security/KeyStretch.h"
#include "security/LockedCipher.h"
#include "security/PropertyStore.h"
#include "security/RandomSource.h"
#include "security/SecurityStatus.h"

#include <QtEndian>

#include <cryptopp/hmac.h>
#include <cryptopp/misc.h>
#include <cryptopp/sha.h>

#include <algorithm>

namespace nbr {
namespace {

using L = KeyFileLayout;

// SHA-256(first || second). `first` is a password or the master key, which
// the hash's buffer takes: the hash lives in the arena.
void Hash(const std::uint8_t* first, std::size_t firstLength, const std::uint8_t* second, std::size_t secondLength,
          std::uint8_t* out)
{
    const Locked<CryptoPP::SHA256> sha;
    sha->Update(first, firstLength);
    sha->Update(second, secondLength);
    sha->Final(out);
}

void Mac(const std::uint8_t* record, const std::uint8_t* masterKey, std::uint8_t* out)
{
    LockedByteBlock macKey(CryptoPP::SHA256::DIGESTSIZE);
    Hash(masterKey, SecParams::kMasterKeyLength, record + L::kMacSalt, L::kSaltLength, macKey.data());
    CryptoPP::HMAC<CryptoPP::SHA256> hmac(macKey.data(), macKey.size());
    hmac.CalculateDigest(out, record, L::kMacSalt + L::kSaltLength);
}

// A record this code can open: the plain one and the hardened one.
bool KnownRecord(const std::uint8_t* record)
{
    const auto version = qFromLittleEndian<std::uint16_t>(record + L::kVersion);
    return qFromLittleEndian<std::uint32_t>(record) == L::kRecordLength
           && (version == L::kPlainVersion || version == L::kHardenedVersion);
}

// What the record's hashes take for the password: the password itself in a
// plain record, its stretching in a hardened one.
Status PasswordSecret(const std::uint8_t* password, std::size_t count, const std::uint8_t* record,
                      LockedByteBlock* secret)
{
    if (qFromLittleEndian<std::uint16_t>(record + L::kVersion) == L::kPlainVersion) {
        secret->Assign(password, count);
        return S_OK;
    }
    KeyStretch stretch;
    const Status s = KeyStretch::FromRecord(record, &stretch);
    return Failed(s) ? s : stretch.Apply(password, count, secret);
}

}  // namespace

SecParams::SecParams() : record_(L::kRecordLength), masterKey_(kMasterKeyLength)
{
    std::fill(record_.begin(), record_.end(), 0);
    std::fill(masterKey_.begin(), masterKey_.end(), 0);
}

SecParams::~SecParams()
{
    ClearMemory();
}

void SecParams::ClearMemory()
{
    CryptoPP::SecureWipeBuffer(record_.data(), record_.size());
    CryptoPP::SecureWipeBuffer(masterKey_.data(), masterKey_.size());
    unlocked_ = false;
}

Status SecParams::Draw(std::uint8_t* out, std::size_t count)
{
    X917RandomSource fresh;
    IRandomSource& source = random_ ? *random_ : static_cast<IRandomSource&>(fresh);
    return source.Generate(out, count) ? S_OK : E_FAIL;
}

Status SecParams::HasKeyFile(bool* has)
{
    *has = false;
    if (!stream_)
        return E_NO_KEY_STREAM;
    std::uint8_t magic[8] = {};
    std::uint32_t got = 0;
    Status s = stream_->Seek(0, FileStream::kSeekSet, nullptr);
    if (Succeeded(s))
        s = stream_->Read(magic, sizeof magic, &got);
    if (Failed(s))
        return s;
    if (got < sizeof magic)
        return E_KEY_FILE_SHORT;
    *has = std::equal(std::begin(magic), std::end(magic), L::kMagic.begin());
    return S_OK;
}

Status SecParams::ReadKeyArea(KeyArea* area)
{
    *area = KeyArea::Foreign;
    if (!stream_)
        return E_NO_KEY_STREAM;
    std::array<std::uint8_t, L::kKeyAreaLength> bytes {};
    std::uint32_t got = 0;
    Status s = stream_->Seek(0, FileStream::kSeekSet, nullptr);
    if (Succeeded(s))
        s = stream_->Read(bytes.data(), L::kKeyAreaLength, &got);
    if (Failed(s))
        return s;
    if (got >= L::kMagic.size() && std::equal(L::kMagic.begin(), L::kMagic.end(), bytes.begin()))
        *area = KeyArea::Key;
    else if (std::all_of(bytes.begin(), bytes.begin() + got, [](std::uint8_t b) { return b == 0; }))
        *area = KeyArea::Blank;
    return S_OK;
}

Status SecParams::WrapUnder(const std::uint8_t* password, std::size_t count, const Argon2id::Cost* harden,
                            std::uint8_t* r)
{
    return CryptoGuarded([&]() -> Status {
        LockedByteBlock secret;
        Status s = S_OK;
        if (harden) {
            KeyStretch stretch;
            stretch.cost = *harden;
            if (!KeyStretch::WithinBounds(stretch.cost))
                return E_STRETCH_COST;
            if (Failed(s = Draw(stretch.salt.data(), stretch.salt.size())))
                return s;
            qToLittleEndian<std::uint16_t>(L::kHardenedVersion, r + L::kVersion);
            stretch.ToRecord(r);
            if (Failed(s = stretch.Apply(password, count, &secret)))
                return s;
        } else {
            qToLittleEndian<std::uint16_t>(L::kPlainVersion, r + L::kVersion);
            KeyStretch::ClearRecord(r);
            secret.Assign(password, count);
        }
        if (Failed(s = Draw(r + L::kVerifierSalt, L::kSaltLength)))
            return s;
        Hash(secret.data(), secret.size(), r + L::kVerifierSalt, L::kSaltLength, r + L::kVerifier);
        if (Failed(s = Draw(r + L::kWrapSalt, L::kSaltLength)) || Failed(s = Draw(r + L::kWrapIv, 16)))
            return s;
        LockedByteBlock wrapKey(CryptoPP::SHA256::DIGESTSIZE);
        Hash(secret.data(), secret.size(), r + L::kWrapSalt, L::kSaltLength, wrapKey.data());
        LockedCbcEncryption wrap(wrapKey.data(), wrapKey.size(), r + L::kWrapIv);
        wrap.ProcessData(r + L::kWrappedKey, masterKey_.data(), kMasterKeyLength);
        return S_OK;
    });
}

Status SecParams::Seal()
{
    return CryptoGuarded([&]() -> Status {
        const Status s = Draw(record_.data() + L::kMacSalt, L::kSaltLength);
        if (Succeeded(s))
            Mac(record_.data(), masterKey_.data(), record_.data() + L::kMac);
        return s;
    });
}

Status SecParams::CreateNew(const std::uint8_t* password, std::size_t count, const Argon2id::Cost* harden)
{
    unlocked_ = false;
    if (!password || count == 0 || count > kMaxPasswordBytes)
        return E_WRONG_PASSWORD;
    std::fill(record_.begin(), record_.end(), 0);
    Status s = Draw(masterKey_.data(), kMasterKeyLength);
    if (Succeeded(s)) {
        qToLittleEndian<std::uint32_t>(L::kRecordLength, record_.data());
        qToLittleEndian<std::uint16_t>(L::kPlainVersion, record_.data() + L::kVersion);
        s = WrapUnder(password, count, harden, record_.data());
    }
    if (Succeeded(s))
        s = Draw(record_.data() + L::kCreationRandom, 16);
    if (Succeeded(s))
        s = Seal();
    if (Failed(s)) {
        ClearMemory();
        return s;
    }
    unlocked_ = true;
    return S_OK;
}

Status SecParams::VerifyRecord(const std::uint8_t* password, std::size_t count, const std::uint8_t* record,
                               std::size_t size, LockedByteBlock* masterKey)
{
    if (!password || count == 0 || count > kMaxPasswordBytes)
        return E_WRONG_PASSWORD;
    if (!record || size < L::kRecordLength)
        return E_BUFFER_TOO_SMALL;
    if (!KnownRecord(record))
        return E_INVALIDARG;
    return CryptoGuarded([&]() -> Status {
        LockedByteBlock secret;
        const Status s = PasswordSecret(password, count, record, &secret);
        if (Failed(s))
            return s;
        std::uint8_t verifier[CryptoPP::SHA256::DIGESTSIZE];
        Hash(secret.data(), secret.size(), record + L::kVerifierSalt, L::kSaltLength, verifier);
        if (!CryptoPP::VerifyBufsEqual(verifier, record + L::kVerifier, sizeof verifier))
            return E_WRONG_PASSWORD;
        LockedByteBlock wrapKey(CryptoPP::SHA256::DIGESTSIZE);
        Hash(secret.data(), secret.size(), record + L::kWrapSalt, L::kSaltLength, wrapKey.data());
        masterKey->New(kMasterKeyLength);
        LockedCbcDecryption unwrap(wrapKey.data(), wrapKey.size(), record + L::kWrapIv);
        unwrap.ProcessData(masterKey->data(), record + L::kWrappedKey, kMasterKeyLength);
        std::uint8_t mac[CryptoPP::SHA256::DIGESTSIZE];
        Mac(record, masterKey->data(), mac);
        if (!CryptoPP::VerifyBufsEqual(mac, record + L::kMac, sizeof mac)) {
            masterKey->CleanNew(0);
            return E_INTEGRITY;
        }
        return S_OK;
    });
}

Status SecParams::VerifyRecoveryKey(const std::uint8_t* key, std::size_t length, const std::uint8_t* record,
                                    std::size_t size, LockedByteBlock* masterKey)
{
    if (!key || length != kMasterKeyLength)
        return E_WRONG_RECOVERY_KEY;
    if (!record || size < L::kRecordLength)
        return E_BUFFER_TOO_SMALL;
    if (!KnownRecord(record))
        return E_INVALIDARG;
    // The integrity code is keyed by the master key alone: only the right
    // key reproduces it, whatever wraps the key in the record.
    return CryptoGuarded([&]() -> Status {
        std::uint8_t mac[CryptoPP::SHA256::DIGESTSIZE];
        Mac(record, key, mac);
        if (!CryptoPP::VerifyBufsEqual(mac, record + L::kMac, sizeof mac))
            return E_WRONG_RECOVERY_KEY;
        masterKey->Assign(key, length);
        return S_OK;
    });
}

Status SecParams::ReadRecord(LockedByteBlock* bytes)
{
    bool has = false;
    if (Failed(HasKeyFile(&has)) || !has)
        return E_BAD_STATE;
    return CryptoGuarded([&]() -> Status {
        bytes->New(L::kRecordLength);
        std::uint32_t got = 0;
        if (Failed(stream_->Read(bytes->data(), L::kRecordLength, &got)) || got != L::kRecordLength)
            return E_BAD_STATE;
        return S_OK;
    });
}

Status SecParams::ReadHardened(bool* hardened)
{
    *hardened = false;
    if (!stream_)
        return E_NO_KEY_STREAM;
    LockedByteBlock bytes;
    const Status s = ReadRecord(&bytes);
    if (Succeeded(s))
        *hardened = qFromLittleEndian<std::uint16_t>(bytes.data() + L::kVersion) == L::kHardenedVersion;
    return s;
}

void SecParams::Take(const LockedByteBlock& bytes, const LockedByteBlock& key)
{
    std::copy(bytes.begin(), bytes.end(), record_.begin());
    std::copy(key.begin(), key.end(), masterKey_.begin());
    ProcessHardening::ClearVectorRegisters();  // the copies went through them
    unlocked_ = true;
}

Status SecParams::OpenWith(const RecordCheck& verify)
{
    LockedByteBlock bytes;
    Status s = ReadRecord(&bytes);
    if (Failed(s))
        return s;
    unlocked_ = false;
    LockedByteBlock key;
    s = verify(bytes.data(), bytes.size(), &key);
    if (Failed(s)) {
        ClearMemory();
        return s;
    }
    Take(bytes, key);
    return S_OK;
}

Status SecParams::Unlock(const std::uint8_t* password, std::size_t count)
{
    if (!stream_ || !password || count == 0)
        return E_INVALIDARG;
    return OpenWith([&](const std::uint8_t* record, std::size_t size, LockedByteBlock* key) {
        return VerifyRecord(password, count, record, size, key);
    });
}

Status SecParams::Recover(const std::uint8_t* key, std::size_t length)
{
    if (!stream_ || !key || length == 0)
        return E_INVALIDARG;
    return OpenWith([&](const std::uint8_t* record, std::size_t size, LockedByteBlock* master) {
        return VerifyRecoveryKey(key, length, record, size, master);
    });
}

bool SecParams::VerifyPassword(const std::uint8_t* password, std::size_t count) const
{
    if (!unlocked_ || !password || count == 0 || count > kMaxPasswordBytes)
        return false;
    const Status s = CryptoGuarded([&]() -> Status {
        LockedByteBlock secret;
        if (Failed(PasswordSecret(password, count, record_.data(), &secret)))
            return E_FAIL;
        std::uint8_t verifier[CryptoPP::SHA256::DIGESTSIZE];
        Hash(secret.data(), secret.size(), record_.data() + L::kVerifierSalt, L::kSaltLength, verifier);
        return CryptoPP::VerifyBufsEqual(verifier, record_.data() + L::kVerifier, sizeof verifier) ? S_OK
                                                                                                 : E_WRONG_PASSWORD;
    });
    return Succeeded(s);
}

bool SecParams::IsHardened(Argon2id::Cost* cost) const
{
    if (!unlocked_ || qFromLittleEndian<std::uint16_t>(record_.data() + L::kVersion) != L::kHardenedVersion)
        return false;
    KeyStretch stretch;
    if (Failed(KeyStretch::FromRecord(record_.data(), &stretch)))
        return false;
    if (cost)
        *cost = stretch.cost;
    return true;
}

Status SecParams::ChangePassword(const std::uint8_t* password, std::size_t count)
{
    Argon2id::Cost cost;
    const bool hardened = IsHardened(&cost);
    return Rewrap(password, count, hardened ? &cost : nullptr);
}

Status SecParams::Rewrap(const std::uint8_t* password, std::size_t count, const Argon2id::Cost* harden)
{
    if (!password || count == 0 || count > kMaxPasswordBytes)
        return E_INVALIDARG;
    if (!unlocked_)
        return E_BAD_STATE;
    // Built aside: a draw that fails halfway must not leave a record with the
    // new verifier over the old wrapping, which no password would open.
    LockedByteBlock next(record_);
    const Status s = WrapUnder(password, count, harden, next.data());
    if (Succeeded(s))
        std::copy(next.begin(), next.end(), record_.begin());  // record_ keeps its locked pages
    return s;
}

Status SecParams::Save(PropertyStore* staged)
{
    if (!unlocked_)
        return E_BAD_STATE;
    if (Failed(Seal()))
        return E_SAVE_FAILED;
    if (!stream_)
        return E_SAVE_FAILED;
    // The whole file anew, its property records as they are now: a record
    // written over the only copy would be lost to a torn write.
    CryptoPP::SecByteBlock image(L::kFileLength);
    std::fill(image.begin(), image.end(), 0);
    // A read cut short by an error would look like the end of the file and
    // save the property records as absent: the counter among them.
    std::uint64_t length = 0;
    std::uint32_t got = 0;
    if (Failed(stream_->Seek(0, FileStream::kSeekEnd, &length)) || Failed(stream_->Seek(0, FileStream::kSeekSet, nullptr))
        || Failed(stream_->Read(image.data(), L::kFileLength, &got))
        || got != std::min<std::uint64_t>(length, L::kFileLength))
        return E_SAVE_FAILED;
    std::copy(L::kMagic.begin(), L::kMagic.end(), image.begin());
    std::copy(record_.begin(), record_.end(), image.begin() + L::kRecordOffset);
    if (staged)
        staged->ApplyStaged(image.data(), image.size());
    if (Failed(stream_->Replace(image.data(), L::kFileLength)))
        return E_SAVE_FAILED;
    if (staged)
        staged->DropStaged();
    return S_OK;
}

bool SecParams::Erase()
{
    if (!stream_)
        return false;
    CryptoPP::SecByteBlock zeros(L::kKeyAreaLength);
    std::fill(zeros.begin(), zeros.end(), 0);
    std::uint32_t done = 0;
    return Succeeded(stream_->Seek(0, FileStream::kSeekSet, nullptr))
           && Succeeded(stream_->Write(zeros.data(), L::kKeyAreaLength, &done)) && done == L::kKeyAreaLength
           && Succeeded(stream_->Commit());
}

const std::uint8_t* SecParams::GetMasterKey() const
{
    return unlocked_ ? masterKey_.data() : nullptr;
}

std::size_t SecParams::GetMasterKeyLength() const
{
    return unlocked_ ? kMasterKeyLength : 0;
}

}  // namespace nbr
