#include "security/CryptoPP_AES256.h"

#include "security/CryptKeyBlock.h"
#include "security/CryptoGuard.h"
#include "security/LockedCipher.h"
#include "security/RandomSource.h"
#include "security/SecurityStatus.h"

#include <QtEndian>

#include <cryptopp/hmac.h>
#include <cryptopp/sha.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace nbr {
namespace {

constexpr std::size_t kMinKey = 6;
constexpr std::size_t kMaxKey = 256;

using namespace CryptKeyBlock;

// SHA-256(salt || key): the MAC key of a key block. The hash's buffer takes
// the file key, so the hash lives in the arena too.
void MacKey(const std::uint8_t* salt, const std::uint8_t* key, std::size_t keyLength, LockedByteBlock& out)
{
    const Locked<CryptoPP::SHA256> sha;
    sha->Update(salt, kSaltLength);
    sha->Update(key, keyLength);
    out.New(CryptoPP::SHA256::DIGESTSIZE);
    sha->Final(out.data());
}


}  // namespace

CryptoPP_AES256::CryptoPP_AES256()
{
    blockSize_ = 16;
}

CryptoPP_AES256::~CryptoPP_AES256()
{
    (void)EndEncryption();
    (void)EndDecryption();
    key_.CleanNew(0);
    ClearAlgorithmTable();
}

Status CryptoPP_AES256::SetAlgorithm(std::int32_t algorithm)
{
    algorithm_ = algorithm;
    keyLength_ = algorithm == CryptAlgorithmAes128 ? 16 : 32;
    return S_OK;
}

std::int32_t CryptoPP_AES256::GetAlgorithm() const
{
    return algorithm_;
}

Status CryptoPP_AES256::SetMasterKey(const std::uint8_t* key, std::size_t count)
{
    if (count < kMinKey)
        return E_KEY_TOO_SHORT;
    if (count > kMaxKey)
        return E_KEY_TOO_LONG;
    if (!key)
        return E_INVALIDARG;
    return CryptoGuarded([&] {
        key_.Assign(key, count);
        return S_OK;
    });
}

Status CryptoPP_AES256::CheckStoredKey() const
{
    if (key_.size() < kMinKey)
        return E_KEY_TOO_SHORT;
    if (key_.size() > kMaxKey)
        return E_KEY_TOO_LONG;
    if (key_.size() < keyLength_)
        return E_KEY_TOO_SHORT;
    return S_OK;
}

Status CryptoPP_AES256::BeginEncryption(std::uint8_t* keyBlock, std::uint32_t* length, std::uint32_t capacity)
{
    if (encrypting_ || encryptor_)
        return E_BAD_STATE;
    if (!keyBlock || !length)
        return E_INVALIDARG;
    Status s = CheckStoredKey();
    if (Failed(s))
        return s;

    return CryptoGuarded([&]() -> Status {
        const std::uint32_t k = keyLength_;
        CryptoPP::SecByteBlock iv(kIvLength);
        LockedByteBlock fileKey(k);
        CryptoPP::SecByteBlock salt(kSaltLength);
        if (!randomSource_ && !ownRandom_)
            ownRandom_ = std::make_unique<X917RandomSource>();
        IRandomSource& random = randomSource_ ? *randomSource_ : *ownRandom_;
        if (!random.Generate(iv.data(), iv.size()) || !random.Generate(fileKey.data(), k)
            || !random.Generate(salt.data(), salt.size()))
            return E_FAIL;

        LockedByteBlock macKey;
        MacKey(salt.data(), fileKey.data(), k, macKey);

        const std::uint32_t total = TotalLength(k);
        *length = total;
        if (capacity < total)
            return E_BUFFER_TOO_SMALL;

        qToLittleEndian<std::uint32_t>(total, keyBlock);
        qToLittleEndian<std::uint16_t>(kFormat, keyBlock + 4);
        qToLittleEndian<std::uint16_t>(kCipherBlock, keyBlock + 6);
        qToLittleEndian<std::uint16_t>(static_cast<std::uint16_t>(k), keyBlock + 8);
        qToLittleEndian<std::uint16_t>(kIvLength, keyBlock + 10);
        qToLittleEndian<std::uint16_t>(kSaltLength, keyBlock + 12);
        qToLittleEndian<std::uint16_t>(kMacLength, keyBlock + 14);
        std::memcpy(keyBlock + IvOffset(), iv.data(), kIvLength);
        LockedCbcEncryption wrap(key_.data(), k, iv.data());
        wrap.ProcessData(keyBlock + KeyOffset(), fileKey.data(), k);
        std::memcpy(keyBlock + SaltOffset(k), salt.data(), kSaltLength);
        CryptoPP::HMAC<CryptoPP::SHA256> mac(macKey.data(), macKey.size());
        mac.CalculateDigest(keyBlock + MacOffset(k), keyBlock, MacOffset(k));

        encryptor_ = std::make_unique<LockedCbcEncryption>(fileKey.data(), k, iv.data());
        encrypting_ = true;
        return S_OK;
    });
}

Status CryptoPP_AES256::BeginDecryption(const std::uint8_t* keyBlock, std::uint32_t length)
{
    if (decrypting_ || decryptor_)
        return E_BAD_STATE;
    const std::uint32_t k = keyLength_;
    const std::uint32_t total = TotalLength(k);
    if (!keyBlock || length == 0 || length != total || qFromLittleEndian<std::uint32_t>(keyBlock) != total
        || qFromLittleEndian<std::uint16_t>(keyBlock + 4) != kFormat
        || qFromLittleEndian<std::uint16_t>(keyBlock + 6) != kCipherBlock
        || qFromLittleEndian<std::uint16_t>(keyBlock + 8) != k
        || qFromLittleEndian<std::uint16_t>(keyBlock + 10) != kIvLength
        || qFromLittleEndian<std::uint16_t>(keyBlock + 12) != kSaltLength
        || qFromLittleEndian<std::uint16_t>(keyBlock + 14) != kMacLength)
        return E_INVALIDARG;
    Status s = CheckStoredKey();
    if (Failed(s))
        return s;

    return CryptoGuarded([&]() -> Status {
        const std::uint8_t* iv = keyBlock + IvOffset();
        LockedByteBlock fileKey(k);
        LockedCbcDecryption unwrap(key_.data(), k, iv);
        unwrap.ProcessData(fileKey.data(), keyBlock + KeyOffset(), k);

        LockedByteBlock macKey;
        MacKey(keyBlock + SaltOffset(k), fileKey.data(), k, macKey);
        CryptoPP::HMAC<CryptoPP::SHA256> mac(macKey.data(), macKey.size());
        if (!mac.VerifyDigest(keyBlock + MacOffset(k), keyBlock, MacOffset(k)))
            return E_INTEGRITY;

        decryptor_ = std::make_unique<LockedCbcDecryption>(fileKey.data(), k, iv);
        decrypting_ = true;
        return S_OK;
    });
}

Status CryptoPP_AES256::EncryptChunk(std::uint8_t* buffer, std::uint32_t* length, std::uint32_t capacity, bool final)
{
    if (!encrypting_)
        return E_NOT_ENCRYPTING;
    if (!encryptor_)
        return E_BAD_STATE;
    if (!length || (!buffer && *length != 0))
        return E_INVALIDARG;
    std::uint32_t n = *length;
    if (n % blockSize_ != 0) {
        if (!final)
            return E_BUFFER_TOO_SMALL;
        const std::uint32_t padded = (n / blockSize_ + 1) * blockSize_;
        if (capacity < padded)
            return E_BUFFER_TOO_SMALL;
        std::fill(buffer + n, buffer + padded, 0);
        n = padded;
    }
    return CryptoGuarded([&] {
        if (n != 0)
            encryptor_->ProcessData(buffer, buffer, n);
        *length = n;
        return S_OK;
    });
}

Status CryptoPP_AES256::DecryptChunk(std::uint8_t* buffer, std::uint32_t length, bool)
{
    if (!decrypting_)
        return E_NOT_DECRYPTING;
    if (!decryptor_)
        return E_BAD_STATE;
    if (length % blockSize_ != 0)
        return E_BUFFER_TOO_SMALL;
    if (!buffer && length != 0)
        return E_INVALIDARG;
    return CryptoGuarded([&] {
        if (length != 0)
            decryptor_->ProcessData(buffer, buffer, length);
        return S_OK;
    });
}

Status CryptoPP_AES256::EndEncryption()
{
    if (encrypting_) {
        encryptor_.reset();
        encrypting_ = false;
    }
    return S_OK;
}

std::vector<CryptoPP_AES256::KeySpan> CryptoPP_AES256::KeyMaterialForTesting() const
{
    std::vector<KeySpan> spans;
    if (key_.size() != 0)
        spans.push_back({key_.data(), key_.size()});
    if (encryptor_) {
        const auto& cipher = static_cast<const LockedCbcEncryption&>(*encryptor_).BlockCipher();
        spans.push_back({cipher.ScheduleData(), cipher.ScheduleSize()});
    }
    if (decryptor_) {
        const auto& cipher = static_cast<const LockedCbcDecryption&>(*decryptor_).BlockCipher();
        spans.push_back({cipher.ScheduleData(), cipher.ScheduleSize()});
    }
    return spans;
}

Status CryptoPP_AES256::EndDecryption()
{
    if (decrypting_) {
        decryptor_.reset();
        decrypting_ = false;
    }
    return S_OK;
}

}  // namespace nbr
