// The header at the start of every stored file, as read from the stick: the
// 2-byte length field, then the fields. A header that parses must write back
// to the same bytes' meaning, or a later rewrite of the file would change it.

#include "FuzzScratchFile.h"
#include "security/EncryptedFileHeader.h"

#include <QtEndian>

#include <cstring>

using nbr::EncryptedFileHeader;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    // The reader hands the parser exactly what the length field promises and
    // the file holds; the parser must stay inside that.
    const std::size_t promised = qFromLittleEndian<std::uint16_t>(data);
    const std::size_t length = std::min(size - 2, promised >= 2 ? promised - 2 : 0);
    std::vector<std::uint8_t> fields(data + 2, data + 2 + length);

    EncryptedFileHeader header;
    header.valid = false;
    if (nbr::Failed(EncryptedFileHeader::Parse(fields.data(), fields.size(), &header))) {
        FUZZ_CHECK(!header.valid);
        return 0;
    }
    FUZZ_CHECK(header.valid);
    FUZZ_CHECK(header.formatId >= 2 && header.formatId <= 5);
    FUZZ_CHECK(header.IsLegacy() || header.Length() <= length + 2);
    if (header.IsLegacy()) {
        FUZZ_CHECK(header.keyBlock.isEmpty() && header.encryptedName.isEmpty());
        FUZZ_CHECK((header.size >> 32) == 0);
    }

    QByteArray bytes;
    if (nbr::Failed(header.Serialize(&bytes))) {
        // Only a header too long for its own length field may be refused.
        FUZZ_CHECK(header.Length() > EncryptedFileHeader::kMaxLength);
        return 0;
    }
    FUZZ_CHECK(bytes.size() == static_cast<qsizetype>(header.Length()));
    FUZZ_CHECK(qFromLittleEndian<std::uint16_t>(bytes.constData()) == header.Length());

    EncryptedFileHeader again;
    const auto* raw = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    FUZZ_CHECK(nbr::Succeeded(EncryptedFileHeader::Parse(raw + 2, static_cast<std::size_t>(bytes.size()) - 2, &again)));
    FUZZ_CHECK(again.formatId == header.formatId);
    FUZZ_CHECK(again.size == header.size);
    FUZZ_CHECK(again.attributes == header.attributes);
    FUZZ_CHECK(again.creation.ticks == header.creation.ticks);
    FUZZ_CHECK(again.lastAccess.ticks == header.lastAccess.ticks);
    FUZZ_CHECK(again.lastWrite.ticks == header.lastWrite.ticks);
    FUZZ_CHECK(again.keyBlock == header.keyBlock);
    FUZZ_CHECK(again.encryptedName == header.encryptedName);
    FUZZ_CHECK(again.IsLegacy() || again.nameCount == header.nameCount);
    FUZZ_CHECK(again.trailer == EncryptedFileHeader::kTrailer);
    return 0;
}
