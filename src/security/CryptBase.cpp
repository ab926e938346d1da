#include "security/CryptBase.h"

#include "platform/NativeFile.h"
#include "platform/NativePath.h"
#include "security/EncryptedFileHeader.h"
#include "security/SecurityStatus.h"

#include <QtEndian>

#include <cryptopp/secblock.h>

#include <algorithm>

namespace nbr {
namespace {

// Runs `work` with the file at position 0 and puts the position back when it
// was elsewhere; at 0 the position stays where `work` left it.
template <typename Work>
Status AtStartOfFile(NativeFile& file, Work work)
{
    std::uint64_t position = 0;
    Status s = file.Tell(&position);
    if (Failed(s))
        return s;
    if (position != 0 && Failed(s = file.Seek(0)))
        return s;
    const Status result = work();
    if (position != 0 && Failed(s = file.Seek(position)))
        return Failed(result) ? result : s;
    return result;
}

// Store files are named by number: the last component starts with a decimal
// number other than 0.
bool HasStoredName(const QString& path)
{
    if (!NativePath::HasSeparator(path))
        return false;
    const QString name = NativePath::LastComponent(path);
    qsizetype digits = 0;
    bool nonZero = false;
    while (digits < name.size() && name.at(digits) >= u'0' && name.at(digits) <= u'9') {
        nonZero = nonZero || name.at(digits) != u'0';
        ++digits;
    }
    return digits > 0 && nonZero;
}

}  // namespace

CryptBase::CryptBase() : algorithms_ {{CryptAlgorithmAes256, 4}, {CryptAlgorithmAes128, 5}} {}

CryptBase::~CryptBase() = default;

std::int32_t CryptBase::AddRef()
{
    return ++refCount_;
}

std::int32_t CryptBase::Release()
{
    const std::int32_t count = --refCount_;
    if (count == 0)
        delete this;
    return count;
}

std::uint16_t CryptBase::FormatIdOfAlgorithm() const
{
    const auto found = algorithms_.find(GetAlgorithm());
    return found == algorithms_.end() ? 0 : found->second;
}

bool CryptBase::IsHeaderValid(const EncryptedFileHeader& header) const
{
    return header.valid;
}

Status CryptBase::ReadHeader(NativeFile& file, EncryptedFileHeader& header)
{
    header.valid = false;
    return AtStartOfFile(file, [&] { return EncryptedFileHeader::Read(file, &header); });
}

Status CryptBase::WriteHeader(NativeFile& file, const EncryptedFileHeader& header)
{
    QByteArray bytes;
    Status s = header.Serialize(&bytes);
    if (Failed(s))
        return s;
    return AtStartOfFile(file, [&] { return file.Write(bytes.constData(), static_cast<std::size_t>(bytes.size())); });
}

Status CryptBase::IsEncryptedFile(const QString& path, bool* encrypted)
{
    if (!encrypted)
        return E_INVALIDARG;
    *encrypted = false;
    NativeFile file;
    Status s = file.OpenRead(path);
    if (Failed(s))
        return s;
    EncryptedFileHeader header;
    s = ReadHeader(file, header);
    // A header that does not parse simply means "not one of ours"; only a
    // failure of the system is reported as such.
    if (Failed(s) && IsWin32Status(s))
        return s;
    *encrypted = IsHeaderValid(header);
    return S_OK;
}

Status CryptBase::GetFileAlgorithm(const QString& path, std::int32_t* algorithm)
{
    if (path.isEmpty() || !algorithm)
        return E_INVALIDARG;
    NativeFile file;
    Status s = file.OpenRead(path);
    if (Failed(s))
        return s;
    EncryptedFileHeader header;
    if (Failed(s = ReadHeader(file, header)))
        return s;
    for (const auto& [number, formatId] : algorithms_) {
        if (formatId == header.formatId) {
            *algorithm = number;
            return S_OK;
        }
    }
    return E_INVALIDARG;
}

Status CryptBase::BeginReading(NativeFile& file, EncryptedFileHeader& header, std::uint64_t* content)
{
    Status s = ReadHeader(file, header);
    if (Failed(s))
        return s;
    if (header.formatId != FormatIdOfAlgorithm())
        return E_ALGORITHM_MISMATCH;
    s = BeginDecryption(reinterpret_cast<const std::uint8_t*>(header.keyBlock.constData()),
                        static_cast<std::uint32_t>(header.keyBlock.size()));
    if (Succeeded(s)) {
        s = ContentLength(file, header, content);
        if (Failed(s))
            (void)EndDecryption();
    }
    return s;
}

Status CryptBase::ContentLength(const NativeFile& file, const EncryptedFileHeader& header,
                                std::uint64_t* content) const
{
    std::uint64_t start = 0;
    std::uint64_t fileSize = 0;
    Status s = file.Tell(&start);
    if (Succeeded(s))
        s = file.Size(&fileSize);
    if (Failed(s))
        return s;
    const std::uint64_t block = blockSize_;
    if (header.size > ~0ull - block)
        return E_FILE_DAMAGED;
    const std::uint64_t padded = (header.size + block - 1) / block * block;
    if (fileSize < start || fileSize - start != padded)
        return E_FILE_DAMAGED;
    *content = padded;
    return S_OK;
}

Status CryptBase::VerifyFile(const QString& path)
{
    NativeFile file;
    EncryptedFileHeader header;
    std::uint64_t content = 0;
    Status s = file.OpenRead(path);
    if (Succeeded(s))
        s = BeginReading(file, header, &content);
    if (Succeeded(s))
        (void)EndDecryption();
    return s;
}

bool CryptBase::GetStoredFileName(const QString& path, char16_t* out, std::uint32_t capacity)
{
    if (capacity == 0 || !out)
        return false;
    std::fill(out, out + capacity, u'\0');
    if (!HasStoredName(path))
        return false;

    NativeFile file;
    EncryptedFileHeader header;
    if (Failed(file.OpenRead(path)) || Failed(ReadHeader(file, header)) || !IsHeaderValid(header))
        return false;
    if (Failed(BeginDecryption(reinterpret_cast<const std::uint8_t*>(header.keyBlock.constData()),
                               static_cast<std::uint32_t>(header.keyBlock.size()))))
        return false;
    bool ok = false;
    const auto nameBytes = static_cast<std::uint32_t>(
        std::min<qsizetype>(header.encryptedName.size(), EncryptedFileHeader::kMaxNameBytes));
    if (nameBytes != 0) {
        CryptoPP::SecByteBlock name(reinterpret_cast<const CryptoPP::byte*>(header.encryptedName.constData()),
                                    nameBytes);
        if (Succeeded(DecryptChunk(name.data(), nameBytes, true))) {
            const std::uint32_t units = std::min({nameBytes / 2, capacity - 1, header.nameCount});
            for (std::uint32_t i = 0; i < units; ++i)
                out[i] = qFromLittleEndian<char16_t>(name.data() + 2 * i);
            ok = true;
        }
    }
    (void)EndDecryption();
    return ok;
}

Status CryptBase::BeginEncryption(std::uint8_t*, std::uint32_t* length, std::uint32_t)
{
    if (length)
        *length = 0;
    return S_OK;
}

Status CryptBase::BeginDecryption(const std::uint8_t*, std::uint32_t)
{
    return S_OK;
}

Status CryptBase::EndEncryption()
{
    return S_OK;
}

Status CryptBase::EndDecryption()
{
    return S_OK;
}

}  // namespace nbr
