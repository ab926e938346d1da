#pragma once
// The engine-independent half of every cipher: reference counting, the table
// that ties an algorithm to the format id written into each file, the header
// I/O and the file and buffer transforms. The cryptography proper comes from
// the chunk and key-block operations of a derived engine.

#include "security/ICrypt.h"

#include <functional>
#include <map>

namespace nbr {

class CryptBase : public ICrypt {
public:
    static constexpr std::uint32_t kChunkSize = 524288;  // 512 KiB per read and write
    static constexpr std::uint32_t kKeyBlockCapacity = 1024;

    CryptBase();

    std::int32_t AddRef() override;
    std::int32_t Release() override;

    [[nodiscard]] Status EncryptFileToFile(const QString& source, const QString& destination,
                                           CryptProgressRoutine progress, void* progressData,
                                           const CreationPolicy* security) override;
    [[nodiscard]] Status DecryptFileToFile(const QString& source, const QString& destination,
                                           CryptProgressRoutine progress, void* progressData,
                                           const CreationPolicy* security) override;
    [[nodiscard]] Status IsEncryptedFile(const QString& path, bool* encrypted) override;
    [[nodiscard]] bool GetStoredFileName(const QString& path, char16_t* out, std::uint32_t capacity) override;
    [[nodiscard]] Status EncryptBufferToFile(const void* buffer, std::size_t length, const QString& destination,
                                             const CreationPolicy* security) override;
    [[nodiscard]] Status DecryptFileToBuffer(const QString& path, QByteArray* out) override;
    [[nodiscard]] bool IsHeaderValid(const EncryptedFileHeader& header) const override;
    [[nodiscard]] Status ReadHeader(NativeFile& file, EncryptedFileHeader& header) override;
    [[nodiscard]] Status WriteHeader(NativeFile& file, const EncryptedFileHeader& header) override;
    [[nodiscard]] Status GetFileAlgorithm(const QString& path, std::int32_t* algorithm) override;

    [[nodiscard]] Status BeginEncryption(std::uint8_t* keyBlock, std::uint32_t* length,
                                         std::uint32_t capacity) override;
    [[nodiscard]] Status BeginDecryption(const std::uint8_t* keyBlock, std::uint32_t length) override;
    Status EndEncryption() override;
    Status EndDecryption() override;

    [[nodiscard]] std::uint32_t BlockSize() const { return blockSize_; }
    // Whether a file would decrypt with this engine: its header reads, its
    // key block verifies and its length matches the header. Reads no content.
    [[nodiscard]] Status VerifyFile(const QString& path);
    // Decrypts a file's content into `write` chunk by chunk (to a pipe, say),
    // without a destination file.
    [[nodiscard]] Status DecryptFileToSink(const QString& source,
                                           const std::function<Status(const std::uint8_t*, std::size_t)>& write);

protected:
    ~CryptBase() override;

    // The format id for this engine's algorithm, 0 when the table has none.
    [[nodiscard]] std::uint16_t FormatIdOfAlgorithm() const;
    void ClearAlgorithmTable() { algorithms_.clear(); }

    std::uint32_t blockSize_ = 1;

private:
    using ChunkReader = std::function<Status(std::uint8_t* buffer, std::size_t size, std::size_t* read)>;
    using ChunkWriter = std::function<Status(const std::uint8_t* data, std::size_t size)>;

    // Creates the destination, retrying one that refuses access or is busy.
    [[nodiscard]] static Status OpenDestination(NativeFile& file, const QString& path,
                                                const CreationPolicy* security, std::uint32_t* remembered);
    // Reads the header, begins decryption of its key block and checks the
    // file's length against the header; `content` gets the cipher bytes
    // that follow the header. On failure nothing is left begun.
    [[nodiscard]] Status BeginReading(NativeFile& file, EncryptedFileHeader& header, std::uint64_t* content);
    // The content's length as the header implies it (the plain size padded
    // to whole blocks); E_FILE_DAMAGED when the file holds any other length
    // after its header. `file` stands just behind the header.
    [[nodiscard]] Status ContentLength(const NativeFile& file, const EncryptedFileHeader& header,
                                       std::uint64_t* content) const;
    // Begins encryption with a fresh key block kept in `header`.
    [[nodiscard]] Status BeginWriting(EncryptedFileHeader& header);
    // The frame shared by the two file transforms: opening, progress, clean-up.
    [[nodiscard]] Status RunFileTransform(bool encrypt, const QString& source, const QString& destination,
                                          CryptProgressRoutine progress, void* progressData,
                                          const CreationPolicy* security);
    [[nodiscard]] Status EncryptFile(NativeFile& in, NativeFile& out, const QString& sourcePath,
                                     std::uint64_t total, CryptProgressRoutine progress, void* progressData);
    [[nodiscard]] Status DecryptFile(NativeFile& in, NativeFile& out, std::uint64_t total,
                                     CryptProgressRoutine progress, void* progressData);
    // Chunk loops; encryption or decryption has begun. `written` counts the
    // bytes handed to `write`, for the progress routine.
    [[nodiscard]] Status EncryptChunks(const ChunkReader& read, const ChunkWriter& write, std::uint64_t total,
                                       CryptProgressRoutine progress, void* progressData);
    // Reads exactly `content` bytes: a file that shrinks or grows meanwhile
    // is damaged, as one that had the wrong length from the start.
    [[nodiscard]] Status DecryptChunks(NativeFile& in, const EncryptedFileHeader& header, std::uint64_t content,
                                       const ChunkWriter& write, std::uint64_t total, CryptProgressRoutine progress,
                                       void* progressData);

    std::int32_t refCount_ = 0;
    std::map<std::int32_t, std::uint16_t> algorithms_;
};

}  // namespace nbr
