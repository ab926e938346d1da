#pragma once
// The cipher interface through which every stored byte passes. The virtual
// operations keep a fixed order; engines are reference counted (AddRef and
// Release, not interlocked: one engine belongs to one thread).

#include "platform/Status.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace nbr {

class CreationPolicy;
class NativeFile;
struct EncryptedFileHeader;

inline constexpr std::int32_t CryptAlgorithmAes256 = 0;
inline constexpr std::int32_t CryptAlgorithmAes128 = 1;

// Progress of a file transform. Reasons: 0 start, 1 a chunk was written, 2 end.
// Answering 1 or 2 to a reason-1 call cancels the transform.
using CryptProgressRoutine = std::uint32_t (*)(std::uint64_t total, std::uint64_t done, std::uint32_t reason,
                                               void* data);

inline constexpr std::uint32_t kProgressStart = 0;
inline constexpr std::uint32_t kProgressChunk = 1;
inline constexpr std::uint32_t kProgressEnd = 2;

class ICrypt {
public:
    virtual std::int32_t AddRef() = 0;
    virtual std::int32_t Release() = 0;
    [[nodiscard]] virtual Status SetAlgorithm(std::int32_t algorithm) = 0;
    [[nodiscard]] virtual std::int32_t GetAlgorithm() const = 0;
    [[nodiscard]] virtual Status SetMasterKey(const std::uint8_t* key, std::size_t count) = 0;
    [[nodiscard]] virtual Status EncryptFileToFile(const QString& source, const QString& destination,
                                                   CryptProgressRoutine progress, void* progressData,
                                                   const CreationPolicy* security) = 0;
    [[nodiscard]] virtual Status DecryptFileToFile(const QString& source, const QString& destination,
                                                   CryptProgressRoutine progress, void* progressData,
                                                   const CreationPolicy* security) = 0;
    [[nodiscard]] virtual Status IsEncryptedFile(const QString& path, bool* encrypted) = 0;
    [[nodiscard]] virtual bool GetStoredFileName(const QString& path, char16_t* out, std::uint32_t capacity) = 0;
    [[nodiscard]] virtual Status EncryptBufferToFile(const void* buffer, std::size_t length,
                                                     const QString& destination, const CreationPolicy* security) = 0;
    // `out` receives the plain bytes; its size is the plain length.
    [[nodiscard]] virtual Status DecryptFileToBuffer(const QString& path, QByteArray* out) = 0;
    [[nodiscard]] virtual bool IsHeaderValid(const EncryptedFileHeader& header) const = 0;
    [[nodiscard]] virtual Status ReadHeader(NativeFile& file, EncryptedFileHeader& header) = 0;
    [[nodiscard]] virtual Status WriteHeader(NativeFile& file, const EncryptedFileHeader& header) = 0;
    [[nodiscard]] virtual Status GetFileAlgorithm(const QString& path, std::int32_t* algorithm) = 0;

protected:
    // Destruction only through Release.
    virtual ~ICrypt() = default;

public:
    [[nodiscard]] virtual Status EncryptChunk(std::uint8_t* buffer, std::uint32_t* length, std::uint32_t capacity,
                                              bool final) = 0;
    [[nodiscard]] virtual Status DecryptChunk(std::uint8_t* buffer, std::uint32_t length, bool final) = 0;
    [[nodiscard]] virtual Status BeginEncryption(std::uint8_t* keyBlock, std::uint32_t* length,
                                                 std::uint32_t capacity) = 0;
    [[nodiscard]] virtual Status BeginDecryption(const std::uint8_t* keyBlock, std::uint32_t length) = 0;
    virtual Status EndEncryption() = 0;
    virtual Status EndDecryption() = 0;
};

}  // namespace nbr
