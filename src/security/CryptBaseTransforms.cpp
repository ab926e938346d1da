// The file and buffer transforms of CryptBase: one read and one write per
// chunk, encrypted in place in one work buffer.

#include "security/CryptBase.h"

#include "platform/CreationPolicy.h"
#include "platform/FileAttributes.h"
#include "platform/NativeFile.h"
#include "platform/NativePath.h"
#include "security/ChunkPipeline.h"
#include "security/EncryptedFileHeader.h"
#include "security/SecurityStatus.h"

#include <QtEndian>

#include <cryptopp/secblock.h>

#include <algorithm>
#include <chrono>
#include <new>
#include <thread>

namespace nbr {
namespace {

constexpr int kDestinationRetries = 5;
// From two chunks on, reading and writing overlap the cipher.
constexpr std::uint64_t kOverlapFrom = 2u * CryptBase::kChunkSize;
constexpr auto kSharingRetryDelay = std::chrono::milliseconds(200);

bool CancelledBy(CryptProgressRoutine progress, void* data, std::uint64_t total, std::uint64_t done)
{
    if (!progress)
        return false;
    const std::uint32_t answer = progress(total, std::min(done, total), kProgressChunk, data);
    return answer == 1 || answer == 2;
}

void Report(CryptProgressRoutine progress, void* data, std::uint64_t total, std::uint64_t done, std::uint32_t reason)
{
    if (progress)
        (void)progress(total, done, reason, data);
}

// The largest chunk a transform needs: small inputs get a small buffer, so
// that many small files do not each pay for half a megabyte. One byte more
// than the input makes its single read short, hence final.
std::uint32_t ChunkFor(std::uint64_t bytes, std::uint32_t limit, std::uint32_t block)
{
    const std::uint64_t wanted = (bytes + 1 + block - 1) / block * block;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(wanted, limit));
}

// Scratch memory that is wiped when released.
Status Allocate(CryptoPP::SecByteBlock& block, std::size_t size)
{
    try {
        block.New(size);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

const std::uint8_t* Bytes(const QByteArray& a)
{
    return reinterpret_cast<const std::uint8_t*>(a.constData());
}

}  // namespace

Status CryptBase::OpenDestination(NativeFile& file, const QString& path, const CreationPolicy* security,
                                  std::uint32_t* remembered)
{
    const Status accessDenied = StatusFromWin32(win32::kAccessDenied);
    const Status sharing = StatusFromWin32(win32::kSharingViolation);
    *remembered = 0;
    Status s = file.CreateAlways(path, security);
    if (s != accessDenied && s != sharing)
        return s;
    if (Failed(FileAttributes::Get(path, remembered)))
        *remembered = FileAttributes::kNormal;
    for (int attempt = 0; attempt < kDestinationRetries; ++attempt) {
        if (s == sharing)
            std::this_thread::sleep_for(kSharingRetryDelay);
        (void)FileAttributes::Set(path, FileAttributes::kNormal);
        s = file.CreateAlways(path, security);
        if (s != sharing)
            break;
    }
    return s;
}

Status CryptBase::BeginWriting(EncryptedFileHeader& header)
{
    std::uint8_t keyBlock[kKeyBlockCapacity];
    std::uint32_t keyLength = 0;
    const Status s = BeginEncryption(keyBlock, &keyLength, sizeof keyBlock);
    if (Succeeded(s)) {
        header.formatId = FormatIdOfAlgorithm();
        header.keyBlock = QByteArray(reinterpret_cast<const char*>(keyBlock), static_cast<qsizetype>(keyLength));
    }
    return s;
}

Status CryptBase::EncryptChunks(const ChunkReader& read, const ChunkWriter& write, std::uint64_t total,
                                CryptProgressRoutine progress, void* progressData)
{
    const std::uint32_t chunk = ChunkFor(total, kChunkSize / blockSize_ * blockSize_, blockSize_);
    const std::uint32_t capacity = chunk + blockSize_;
    // The header already holds `total` as the content's size, and a reader
    // refuses a file whose length disagrees with it: exactly that much goes
    // in. A source that grows meanwhile (a log, a download) is stored as it
    // was when it was opened; one that shrinks cannot be stored at all.
    std::uint64_t left = total;
    return ChunkPipeline::Run(
        capacity, total >= kOverlapFrom,
        [&](std::uint8_t* b, std::uint32_t* length, bool* final) {
            const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, left));
            std::size_t got = 0;
            const Status s = read(b, wanted, &got);
            if (Failed(s))
                return s;
            if (got < wanted)
                return E_SOURCE_SHRANK;
            left -= got;
            *length = static_cast<std::uint32_t>(got);
            *final = left == 0;
            return S_OK;
        },
        [&](std::uint8_t* b, std::uint32_t* length, bool final) {
            return *length != 0 ? EncryptChunk(b, length, capacity, final) : S_OK;
        },
        [&](const std::uint8_t* b, std::uint32_t n) { return write(b, n); },
        [&](std::uint64_t done) { return !CancelledBy(progress, progressData, total, done); });
}

Status CryptBase::DecryptChunks(NativeFile& in, const EncryptedFileHeader& header, std::uint64_t content,
                                const ChunkWriter& write, std::uint64_t total, CryptProgressRoutine progress,
                                void* progressData)
{
    // The name opens the CBC stream: it must be decrypted to reach the content.
    Status s = S_OK;
    if (!header.encryptedName.isEmpty()) {
        CryptoPP::SecByteBlock name(Bytes(header.encryptedName), static_cast<std::size_t>(header.encryptedName.size()));
        if (Failed(s = DecryptChunk(name.data(), static_cast<std::uint32_t>(name.size()), false)))
            return s;
    }

    const std::uint32_t chunk = ChunkFor(content, kChunkSize / blockSize_ * blockSize_, blockSize_);
    std::uint64_t left = content;  // the reader's
    std::uint64_t plain = 0;       // the transform's
    return ChunkPipeline::Run(
        chunk + blockSize_, content >= kOverlapFrom,
        [&](std::uint8_t* b, std::uint32_t* length, bool* final) {
            const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, left));
            std::size_t got = 0;
            Status r = in.Read(b, wanted, &got);
            if (Failed(r))
                return r;
            if (got < wanted)
                return E_FILE_DAMAGED;  // cut while it was being read
            left -= got;
            *length = static_cast<std::uint32_t>(got);
            *final = left == 0;
            if (*final) {
                // Bytes beyond the content were added while it was being read.
                std::uint8_t extra = 0;
                std::size_t more = 0;
                if (Failed(r = in.Read(&extra, 1, &more)))
                    return r;
                if (more != 0)
                    return E_FILE_DAMAGED;
            }
            return S_OK;
        },
        [&](std::uint8_t* b, std::uint32_t* length, bool final) {
            if (*length == 0)
                return S_OK;
            const Status d = DecryptChunk(b, *length, final);
            if (Failed(d))
                return d;
            plain += *length;
            if (plain > header.size) {
                *length -= static_cast<std::uint32_t>(plain - header.size);
                plain = header.size;
            }
            return S_OK;
        },
        [&](const std::uint8_t* b, std::uint32_t n) { return write(b, n); },
        [&](std::uint64_t done) { return !CancelledBy(progress, progressData, total, done); });
}

Status CryptBase::EncryptFile(NativeFile& in, NativeFile& out, const QString& sourcePath, std::uint64_t total,
                              CryptProgressRoutine progress, void* progressData)
{
    EncryptedFileHeader header;
    Status s = BeginWriting(header);
    if (Failed(s))
        return s;

    const QString name = NativePath::LastComponent(sourcePath);
    const auto units = static_cast<std::uint32_t>(name.size());
    CryptoPP::SecByteBlock nameBlock(kKeyBlockCapacity);
    std::fill(nameBlock.begin(), nameBlock.end(), 0);
    std::uint32_t nameBytes = std::min<std::uint32_t>(2 * units, EncryptedFileHeader::kMaxNameBytes);
    for (std::uint32_t i = 0; i < nameBytes / 2; ++i)
        qToLittleEndian<char16_t>(name.at(i).unicode(), nameBlock.data() + 2 * i);
    s = EncryptChunk(nameBlock.data(), &nameBytes, EncryptedFileHeader::kMaxNameBytes, true);

    if (Succeeded(s)) {
        header.size = total;
        if (Failed(FileAttributes::GetOpen(in.Handle(), &header.attributes)))
            header.attributes = FileAttributes::kNormal;
        s = in.GetTimes(&header.creation, &header.lastAccess, &header.lastWrite);
    }
    if (Succeeded(s)) {
        header.nameCount = units;
        header.encryptedName = QByteArray(reinterpret_cast<const char*>(nameBlock.data()), nameBytes);
        s = WriteHeader(out, header);
    }
    if (Succeeded(s)) {
        s = EncryptChunks([&](std::uint8_t* b, std::size_t n, std::size_t* got) { return in.Read(b, n, got); },
                          [&](const std::uint8_t* b, std::size_t n) { return out.Write(b, n); }, total, progress,
                          progressData);
    }
    (void)EndEncryption();
    return s;
}

Status CryptBase::DecryptFile(NativeFile& in, NativeFile& out, std::uint64_t total, CryptProgressRoutine progress,
                              void* progressData)
{
    EncryptedFileHeader header;
    std::uint64_t content = 0;
    Status s = BeginReading(in, header, &content);
    if (Failed(s))
        return s;
    s = DecryptChunks(in, header, content, [&](const std::uint8_t* b, std::size_t n) { return out.Write(b, n); },
                      total, progress, progressData);
    (void)EndDecryption();
    if (Succeeded(s))
        s = out.SetTimes(header.lastAccess, header.lastWrite);
    // The plain file gets back its read-only, hidden and archive bits where
    // this file system keeps them (on the open file: no second lookup).
    if (Succeeded(s))
        (void)FileAttributes::SetOpen(out.Handle(), header.attributes & ~FileAttributes::kDirectory);
    if (Succeeded(s))
        s = out.Close();
    return s;
}

Status CryptBase::RunFileTransform(bool encrypt, const QString& source, const QString& destination,
                                   CryptProgressRoutine progress, void* progressData, const CreationPolicy* security)
{
    NativeFile in;
    NativeFile out;
    std::uint64_t total = 0;
    std::uint32_t remembered = 0;
    Status s = in.OpenRead(source);
    if (Succeeded(s))
        s = in.Size(&total);
    if (Succeeded(s))
        s = OpenDestination(out, destination, security, &remembered);
    const bool created = out.IsOpen();

    Report(progress, progressData, total, 0, kProgressStart);
    if (Succeeded(s)) {
        s = encrypt ? EncryptFile(in, out, source, total, progress, progressData)
                    : DecryptFile(in, out, total, progress, progressData);
    }
    // An encrypted file is on the device before anyone lists it: a list that
    // outlives the file's data after a power loss would name an empty file.
    if (Succeeded(s) && encrypt && CreationPolicy::OrDefault(security).SyncEachFile())
        s = out.Flush();
    if (Succeeded(s) && encrypt) {
        const std::uint32_t base = remembered ? remembered : FileAttributes::kNormal;
        (void)FileAttributes::SetOpen(out.Handle(), (base & ~FileAttributes::kNormal) | FileAttributes::kHidden);
    }
    (void)in.Close();
    const Status closed = out.Close();
    if (Succeeded(s))
        s = closed;

    if (Failed(s) && created) {
        (void)NativeFile::Remove(destination);
    }
    Report(progress, progressData, total, total, kProgressEnd);
    return s;
}

Status CryptBase::EncryptFileToFile(const QString& source, const QString& destination, CryptProgressRoutine progress,
                                    void* progressData, const CreationPolicy* security)
{
    return RunFileTransform(true, source, destination, progress, progressData, security);
}

Status CryptBase::DecryptFileToFile(const QString& source, const QString& destination, CryptProgressRoutine progress,
                                    void* progressData, const CreationPolicy* security)
{
    return RunFileTransform(false, source, destination, progress, progressData, security);
}

Status CryptBase::EncryptBufferToFile(const void* buffer, std::size_t length, const QString& destination,
                                      const CreationPolicy* security)
{
    if (!buffer && length != 0)
        return E_INVALIDARG;
    NativeFile out;
    std::uint32_t remembered = 0;
    Status s = OpenDestination(out, destination, security, &remembered);
    if (Failed(s))
        return s;

    EncryptedFileHeader header;
    s = BeginWriting(header);
    if (Succeeded(s)) {
        header.size = length;
        s = WriteHeader(out, header);
        const auto* in = static_cast<const std::uint8_t*>(buffer);
        std::size_t taken = 0;
        if (Succeeded(s)) {
            s = EncryptChunks(
                [&](std::uint8_t* b, std::size_t n, std::size_t* got) {
                    *got = std::min(n, length - taken);
                    if (*got != 0)
                        std::copy_n(in + taken, *got, b);
                    taken += *got;
                    return S_OK;
                },
                [&](const std::uint8_t* b, std::size_t n) { return out.Write(b, n); }, length, nullptr, nullptr);
        }
        (void)EndEncryption();
    }
    const Status closed = out.Close();
    if (Succeeded(s))
        s = closed;
    const std::uint32_t base = remembered ? remembered : FileAttributes::kNormal;
    (void)FileAttributes::Set(destination, (base & ~FileAttributes::kNormal) | FileAttributes::kHidden);
    return s;
}

Status CryptBase::DecryptFileToSink(const QString& source,
                                    const std::function<Status(const std::uint8_t*, std::size_t)>& write)
{
    NativeFile in;
    Status s = in.OpenRead(source);
    EncryptedFileHeader header;
    std::uint64_t total = 0;
    std::uint64_t content = 0;
    if (Succeeded(s))
        s = in.Size(&total);
    if (Succeeded(s))
        s = BeginReading(in, header, &content);
    if (Failed(s))
        return s;
    s = DecryptChunks(in, header, content, write, total, nullptr, nullptr);
    (void)EndDecryption();
    return s;
}

Status CryptBase::DecryptFileToBuffer(const QString& path, QByteArray* out)
{
    if (!out)
        return E_INVALIDARG;
    out->clear();
    NativeFile in;
    Status s = in.OpenRead(path);
    if (Failed(s))
        return s;
    EncryptedFileHeader header;
    std::uint64_t content = 0;
    if (Failed(s = BeginReading(in, header, &content)))
        return s;

    std::uint64_t fileSize = 0;
    s = in.Size(&fileSize);
    if (Succeeded(s) && (header.size >> 32) != 0)
        s = E_OUTOFMEMORY;
    if (Succeeded(s)) {
        try {
            out->reserve(static_cast<qsizetype>(header.size));
            s = DecryptChunks(in, header, content,
                              [&](const std::uint8_t* b, std::size_t n) {
                                  out->append(reinterpret_cast<const char*>(b), static_cast<qsizetype>(n));
                                  return S_OK;
                              },
                              fileSize, nullptr, nullptr);
        } catch (const std::bad_alloc&) {
            s = E_OUTOFMEMORY;
        }
    }
    (void)EndDecryption();
    if (Failed(s))
        out->clear();
    return s;
}

}  // namespace nbr
