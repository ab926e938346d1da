#pragma once
// The AES engine: per-file random keys wrapped under the master key in a key
// block with an HMAC, and chunk-wise AES-CBC whose chain runs on across
// chunks. Key material (the master key, file keys, key schedules) lives only
// in the locked arena (LockedMemory.h, LockedCipher.h).

#include "security/CryptBase.h"
#include "security/LockedMemory.h"

#include <memory>
#include <vector>

namespace CryptoPP {
class StreamTransformation;
}

namespace nbr {

class IRandomSource;

class CryptoPP_AES256 : public CryptBase {
public:
    CryptoPP_AES256();

    [[nodiscard]] Status SetAlgorithm(std::int32_t algorithm) override;
    [[nodiscard]] std::int32_t GetAlgorithm() const override;
    [[nodiscard]] Status SetMasterKey(const std::uint8_t* key, std::size_t count) override;

    [[nodiscard]] Status EncryptChunk(std::uint8_t* buffer, std::uint32_t* length, std::uint32_t capacity,
                                      bool final) override;
    [[nodiscard]] Status DecryptChunk(std::uint8_t* buffer, std::uint32_t length, bool final) override;
    [[nodiscard]] Status BeginEncryption(std::uint8_t* keyBlock, std::uint32_t* length,
                                         std::uint32_t capacity) override;
    [[nodiscard]] Status BeginDecryption(const std::uint8_t* keyBlock, std::uint32_t length) override;
    Status EndEncryption() override;
    Status EndDecryption() override;

    [[nodiscard]] std::uint32_t KeyLength() const { return keyLength_; }
    [[nodiscard]] std::uint32_t KeyBlockLength() const { return 48 + 16 + keyLength_ + 4; }
    // Test seam: draw IVs, file keys and salts from `source` (not owned)
    // instead of a fresh X9.17 generator.
    void SetRandomSource(IRandomSource* source) { randomSource_ = source; }
    // Test seam: every byte range of key material the engine holds now (the
    // master key, and the key schedules of a begun encryption or decryption).
    struct KeySpan {
        const void* data = nullptr;
        std::size_t size = 0;
    };
    [[nodiscard]] std::vector<KeySpan> KeyMaterialForTesting() const;

protected:
    ~CryptoPP_AES256() override;

private:
    [[nodiscard]] Status CheckStoredKey() const;

    bool encrypting_ = false;
    bool decrypting_ = false;
    LockedByteBlock key_;
    // LockedCbcEncryption and LockedCbcDecryption (LockedCipher.h).
    std::unique_ptr<CryptoPP::StreamTransformation> encryptor_;
    std::unique_ptr<CryptoPP::StreamTransformation> decryptor_;
    std::int32_t algorithm_ = CryptAlgorithmAes256;
    std::uint32_t keyLength_ = 32;
    IRandomSource* randomSource_ = nullptr;
    // Seeded from the system once per engine, on its first file: seeding
    // (a triple-DES key schedule) cost more than the rest of a small file.
    std::unique_ptr<IRandomSource> ownRandom_;
};

}  // namespace nbr
