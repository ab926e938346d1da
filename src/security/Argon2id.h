#pragma once
// Argon2id (RFC 9106) over the library the system provides: the memory-hard
// function that stretches a password before the key file's own hashes see
// it. Its lanes run on threads of their own, as many as the lanes and this
// machine's cores allow, so a cost tuned on one computer opens on another.

#include "platform/Status.h"

#include <cstddef>
#include <cstdint>

namespace nbr {

class Argon2id {
public:
    // Version 1.3 of the algorithm, the one RFC 9106 fixes.
    static constexpr std::uint32_t kVersion = 0x13;

    struct Cost {
        std::uint32_t memoryKiB = 0;
        std::uint32_t passes = 0;
        std::uint32_t lanes = 0;
        friend bool operator==(const Cost&, const Cost&) = default;
    };

    // What one run needs besides the inputs; none of it is secret.
    struct Extra {
        const std::uint8_t* secret = nullptr;
        std::size_t secretLength = 0;
        const std::uint8_t* associated = nullptr;
        std::size_t associatedLength = 0;
    };

    // `outLength` bytes of tag into `out`. E_OUTOFMEMORY when the memory
    // cannot be had, E_STRETCH_FAILED for anything else the library refuses
    // (a cost below its minimum, a salt under 8 bytes).
    [[nodiscard]] static Status Hash(const Cost& cost, const std::uint8_t* password, std::size_t count,
                                     const std::uint8_t* salt, std::size_t saltLength, std::uint8_t* out,
                                     std::size_t outLength, const Extra* extra = nullptr);
    // The threads a run of `lanes` lanes uses on this machine.
    [[nodiscard]] static std::uint32_t ThreadsFor(std::uint32_t lanes);
};

}  // namespace nbr
