#include "security/EncryptedFileHeader.h"

#include "platform/NativeFile.h"
#include "security/SecurityStatus.h"

#include <QtEndian>

#include <cstring>

namespace nbr {
namespace {

template <typename T>
void Put(QByteArray& out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

// Reads fields front to back; any shortfall marks the reader failed.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t length) : data_(data), left_(length) {}

    template <typename T>
    bool Take(T* value)
    {
        if (left_ < sizeof(T))
            return false;
        *value = qFromLittleEndian<T>(data_);
        Skip(sizeof(T));
        return true;
    }
    bool TakeBytes(std::size_t count, QByteArray* out)
    {
        if (left_ < count)
            return false;
        *out = QByteArray(reinterpret_cast<const char*>(data_), static_cast<qsizetype>(count));
        Skip(count);
        return true;
    }
    [[nodiscard]] std::size_t Left() const { return left_; }
    [[nodiscard]] const std::uint8_t* Here() const { return data_; }

private:
    void Skip(std::size_t count)
    {
        data_ += count;
        left_ -= count;
    }
    const std::uint8_t* data_;
    std::size_t left_;
};

}  // namespace

std::uint32_t EncryptedFileHeader::Length() const
{
    if (IsLegacy())
        return kLegacyLength;
    return kFixedLength + static_cast<std::uint32_t>(keyBlock.size()) + static_cast<std::uint32_t>(encryptedName.size());
}

Status EncryptedFileHeader::Serialize(QByteArray* out) const
{
    const std::uint32_t length = Length();
    if (formatId < 2 || formatId > 5 || length > kMaxLength)
        return E_INVALIDARG;
    out->clear();
    out->reserve(static_cast<qsizetype>(length));
    Put<std::uint16_t>(*out, static_cast<std::uint16_t>(length));
    Put<std::uint16_t>(*out, formatId);
    if (!IsLegacy())
        Put<std::uint32_t>(*out, static_cast<std::uint32_t>(size >> 32));
    Put<std::uint32_t>(*out, static_cast<std::uint32_t>(size));
    Put<std::uint32_t>(*out, attributes);
    Put<std::uint64_t>(*out, creation.ticks);
    Put<std::uint64_t>(*out, lastAccess.ticks);
    Put<std::uint64_t>(*out, lastWrite.ticks);
    if (!IsLegacy()) {
        Put<std::uint32_t>(*out, static_cast<std::uint32_t>(keyBlock.size()));
        out->append(keyBlock);
        Put<std::uint32_t>(*out, static_cast<std::uint32_t>(encryptedName.size()));
        Put<std::uint32_t>(*out, nameCount);
        out->append(encryptedName);
    }
    out->append(reinterpret_cast<const char*>(trailer.data()), static_cast<qsizetype>(trailer.size()));
    return S_OK;
}

Status EncryptedFileHeader::Parse(const std::uint8_t* data, std::size_t length, EncryptedFileHeader* out)
{
    EncryptedFileHeader h;
    h.valid = false;
    Reader r(data, length);
    if (!r.Take(&h.formatId) || h.formatId < 2 || h.formatId > 5)
        return E_BAD_HEADER;
    std::uint32_t high = 0;
    std::uint32_t low = 0;
    if (!h.IsLegacy() && !r.Take(&high))
        return E_BAD_HEADER;
    if (!r.Take(&low) || !r.Take(&h.attributes) || !r.Take(&h.creation.ticks) || !r.Take(&h.lastAccess.ticks)
        || !r.Take(&h.lastWrite.ticks))
        return E_BAD_HEADER;
    h.size = (static_cast<std::uint64_t>(high) << 32) | low;
    if (!h.IsLegacy()) {
        std::uint32_t keyLength = 0;
        std::uint32_t nameLength = 0;
        if (!r.Take(&keyLength) || keyLength >= kMaxLength || !r.TakeBytes(keyLength, &h.keyBlock))
            return E_BAD_HEADER;
        if (!r.Take(&nameLength) || !r.Take(&h.nameCount) || !r.TakeBytes(nameLength, &h.encryptedName))
            return E_BAD_HEADER;
    }
    if (r.Left() < kTrailer.size() || std::memcmp(r.Here(), kTrailer.data(), kTrailer.size()) != 0)
        return E_BAD_HEADER;
    h.valid = true;
    *out = std::move(h);
    return S_OK;
}

Status EncryptedFileHeader::Read(NativeFile& file, EncryptedFileHeader* out)
{
    out->valid = false;
    std::uint8_t lengthBytes[2];
    std::size_t got = 0;
    Status s = file.Read(lengthBytes, sizeof lengthBytes, &got);
    if (Failed(s))
        return s;
    if (got < sizeof lengthBytes)
        return E_HEADER_READ;
    const std::uint16_t length = qFromLittleEndian<std::uint16_t>(lengthBytes);
    if (length > kMaxLength || length < 2)
        return E_BAD_HEADER;
    std::uint8_t rest[kMaxLength];
    if (Failed(file.Read(rest, length - 2u, &got)) || got < length - 2u)
        return E_HEADER_READ;
    return Parse(rest, got, out);
}

Status EncryptedFileHeader::ContentSizeOf(const QString& path, std::uint64_t* size)
{
    NativeFile file;
    Status s = file.OpenRead(path);
    EncryptedFileHeader header;
    if (Succeeded(s))
        s = Read(file, &header);
    if (Succeeded(s))
        *size = header.size;
    return s;
}

}  // namespace nbr
