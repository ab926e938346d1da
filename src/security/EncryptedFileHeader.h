#pragma once
// The header at the start of every encrypted file: plain size, attributes,
// times, the key block and the encrypted name. Little-endian throughout; the
// size is kept as two 32-bit halves, high half first.

#include "platform/FileTime.h"
#include "platform/Status.h"

#include <QByteArray>

#include <array>
#include <cstdint>

namespace nbr {

class NativeFile;

struct EncryptedFileHeader {
    static constexpr std::uint32_t kMaxLength = 10240;
    static constexpr std::uint32_t kMaxNameBytes = 1024;
    static constexpr std::uint32_t kFixedLength = 57;    // with key block and name
    static constexpr std::uint32_t kLegacyLength = 41;   // format ids 2 and 3
    static constexpr std::array<std::uint8_t, 5> kTrailer = {'-', '-', '-', '-', 0};

    std::uint16_t formatId = 4;
    std::uint64_t size = 0;
    std::uint32_t attributes = 0x80;
    FileTime creation;
    FileTime lastAccess;
    FileTime lastWrite;
    QByteArray keyBlock;
    std::uint32_t nameCount = 0;      // UTF-16 code units of the plain name
    QByteArray encryptedName;
    std::array<std::uint8_t, 5> trailer = kTrailer;
    bool valid = true;

    [[nodiscard]] bool IsLegacy() const { return formatId <= 3; }
    [[nodiscard]] std::uint32_t Length() const;
    // The header's bytes; E_INVALIDARG when the fields do not fit the format.
    [[nodiscard]] Status Serialize(QByteArray* out) const;
    // Parses the bytes after the 2-byte length field (`length` is H - 2).
    [[nodiscard]] static Status Parse(const std::uint8_t* data, std::size_t length, EncryptedFileHeader* out);
    // Reads and parses the header at the file's current position.
    [[nodiscard]] static Status Read(NativeFile& file, EncryptedFileHeader* out);
    // The plain content's size of the encrypted file at `path`, from its
    // header alone (no key needed, nothing decrypted).
    [[nodiscard]] static Status ContentSizeOf(const QString& path, std::uint64_t* size);
};

}  // namespace nbr
