#pragma once
// The key block: one file key, wrapped under the master key, with the IV that
// starts the file's CBC stream and an HMAC over the block. Little-endian.

#include <cstdint>

namespace nbr::CryptKeyBlock {

inline constexpr std::uint32_t kFixedPart = 16;   // length and the six size fields
inline constexpr std::uint16_t kFormat = 2;
inline constexpr std::uint16_t kCipherBlock = 16;
inline constexpr std::uint16_t kIvLength = 16;
inline constexpr std::uint16_t kSaltLength = 4;
inline constexpr std::uint16_t kMacLength = 32;

constexpr std::uint32_t TotalLength(std::uint32_t keyLength) { return 48 + 16 + keyLength + 4; }
constexpr std::uint32_t IvOffset() { return kFixedPart; }
constexpr std::uint32_t KeyOffset() { return kFixedPart + kIvLength; }
constexpr std::uint32_t SaltOffset(std::uint32_t keyLength) { return KeyOffset() + keyLength; }
constexpr std::uint32_t MacOffset(std::uint32_t keyLength) { return SaltOffset(keyLength) + kSaltLength; }

}  // namespace nbr::CryptKeyBlock
