#pragma once
// The recovery key: the 256 bits of the master key written for a person,
// as 56 letters and digits in fourteen groups of four (Crockford's base 32:
// no I, L, O or U, so that nothing reads as another sign), the last three
// bytes a checksum that catches a mistyped key before the key file is asked.

#include "platform/Status.h"
#include "security/LockedMemory.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace nbr {

class RecoveryKey {
public:
    static constexpr std::size_t kKeyLength = 32;
    static constexpr std::size_t kChecksumLength = 3;
    static constexpr std::size_t kSymbols = 56;  // (32 + 3) bytes, 5 bits each
    static constexpr std::size_t kGroup = 4;

    // "XXXX-XXXX-..." for the 32 bytes at `key`.
    [[nodiscard]] static Status Format(const std::uint8_t* key, QString* text);
    // Reads what a person typed: any case, spaces and hyphens anywhere, O
    // for 0 and I or L for 1. E_RECOVERY_KEY_TYPO when the signs or the
    // checksum do not add up; the key goes into `key` only when they do.
    [[nodiscard]] static Status Parse(std::u16string_view typed, LockedByteBlock* key);
};

}  // namespace nbr
