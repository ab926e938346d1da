#pragma once
// How a hardened key record stretches its password: the Argon2id cost and
// salt kept in the record, the bounds any record must keep to be opened at
// all, and the stretching itself. The stretched bytes take the password's
// place in the record's own hashes (verifier and wrapping key).

#include "platform/Status.h"
#include "security/Argon2id.h"
#include "security/LockedMemory.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace nbr {

class KeyStretch {
public:
    static constexpr std::uint32_t kAlgorithmArgon2id = 2;
    static constexpr std::uint32_t kOutputLength = 32;
    static constexpr std::size_t kSaltLength = 16;
    // What a setup never goes below.
    static constexpr std::uint32_t kMinMemoryKiB = 64 * 1024;
    static constexpr std::uint32_t kMinPasses = 3;
    // What a record may ask of the computer that opens it: a small laptop
    // with 2 GiB of memory still opens a stick hardened on the fastest one.
    // A record that asks more is refused before any memory is taken.
    static constexpr std::uint32_t kMaxMemoryKiB = 1024 * 1024;
    static constexpr std::uint32_t kMaxPasses = 16;
    static constexpr std::uint32_t kMaxLanes = 16;

    Argon2id::Cost cost;
    std::array<std::uint8_t, kSaltLength> salt {};

    // E_INVALIDARG when the words are not a stretching we know (another
    // algorithm, version or length), E_STRETCH_COST when the cost is out of
    // bounds.
    [[nodiscard]] static Status FromRecord(const std::uint8_t* record, KeyStretch* out);
    void ToRecord(std::uint8_t* record) const;
    // Zeroes the words, as a plain record has them.
    static void ClearRecord(std::uint8_t* record);
    [[nodiscard]] static bool WithinBounds(const Argon2id::Cost& cost);
    // The stretched password, kOutputLength bytes.
    [[nodiscard]] Status Apply(const std::uint8_t* password, std::size_t count, LockedByteBlock* out) const;
};

}  // namespace nbr
