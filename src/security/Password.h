#pragma once
// A password as UTF-16 code units in the locked arena (LockedMemory.h),
// zeroed when freed. The key file takes its UTF-16LE bytes.

#include "security/LockedMemory.h"

#include <QString>

#include <cstdint>
#include <string_view>

namespace nbr {

class Password {
public:
    Password() = default;
    // From a text field: the caller clears its own copy.
    explicit Password(const QString& text);
    // False when the bytes are not valid UTF-8.
    [[nodiscard]] static bool FromUtf8(const std::uint8_t* bytes, std::size_t count, Password* out);

    [[nodiscard]] std::u16string_view View() const { return {units_.data(), length_}; }
    [[nodiscard]] std::size_t Length() const { return length_; }
    [[nodiscard]] bool IsEmpty() const { return length_ == 0; }
    // UTF-16LE bytes without terminator, for the key file.
    [[nodiscard]] LockedByteBlock Bytes() const;
    void Truncate(std::size_t units);

private:
    CryptoPP::SecBlock<char16_t, LockedAllocator<char16_t>> units_;
    std::size_t length_ = 0;
};

}  // namespace nbr
