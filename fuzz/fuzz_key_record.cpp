// The start of the key file: the magic and the key record, checked against a
// password. No failure may hand out key material, and a record that opens
// must give a whole master key.

#include "FuzzScratchFile.h"
#include "security/KeyFileLayout.h"
#include "security/SecParams.h"

#include <cryptopp/secblock.h>

#include <cstring>

using nbr::KeyFileLayout;
using nbr::SecParams;

namespace {

// The password of the generated seeds, as UTF-16LE code units.
const char16_t kPassword[] = u"fuzz-password";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray file(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const bool magic = KeyFileLayout::HasMagic(file);
    FUZZ_CHECK(magic == (size >= 8 && std::memcmp(data, KeyFileLayout::kMagic.data(), 8) == 0));
    if (size < KeyFileLayout::kRecordOffset)
        return 0;
    // Exactly the record's bytes, so reads past it are caught.
    std::vector<std::uint8_t> record(data + KeyFileLayout::kRecordOffset, data + size);

    const auto* password = reinterpret_cast<const std::uint8_t*>(kPassword);
    const std::size_t count = sizeof kPassword - sizeof(char16_t);
    nbr::LockedByteBlock key;
    const nbr::Status s = SecParams::VerifyRecord(password, count, record.data(), record.size(), &key);
    if (nbr::Succeeded(s)) {
        FUZZ_CHECK(record.size() >= KeyFileLayout::kRecordLength);
        FUZZ_CHECK(key.size() == SecParams::kMasterKeyLength);
    } else {
        FUZZ_CHECK(key.size() == 0);
    }

    // A different password never opens a record that this one opens: the
    // verifier covers every code unit.
    if (nbr::Succeeded(s)) {
        const char16_t other[] = u"fuzz-passwore";
        nbr::LockedByteBlock otherKey;
        FUZZ_CHECK(nbr::Failed(SecParams::VerifyRecord(reinterpret_cast<const std::uint8_t*>(other), count,
                                                       record.data(), record.size(), &otherKey)));
        FUZZ_CHECK(otherKey.size() == 0);
    }
    return 0;
}
