#include "security/Password.h"

#include <QtEndian>

#include <algorithm>

namespace nbr {

Password::Password(const QString& text)
    : units_(static_cast<std::size_t>(text.size())), length_(static_cast<std::size_t>(text.size()))
{
    std::copy_n(reinterpret_cast<const char16_t*>(text.utf16()), length_, units_.data());
}

bool Password::FromUtf8(const std::uint8_t* bytes, std::size_t count, Password* out)
{
    // At most one UTF-16 unit per byte.
    CryptoPP::SecBlock<char16_t, LockedAllocator<char16_t>> units(count);
    std::size_t n = 0;
    for (std::size_t i = 0; i < count;) {
        const std::uint8_t lead = bytes[i];
        std::uint32_t code = 0;
        std::size_t extra = 0;
        if (lead < 0x80) {
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            code = lead & 0x1F;
            extra = 1;
        } else if ((lead & 0xF0) == 0xE0) {
            code = lead & 0x0F;
            extra = 2;
        } else if ((lead & 0xF8) == 0xF0) {
            code = lead & 0x07;
            extra = 3;
        } else {
            return false;
        }
        if (extra != 0 && i + extra >= count)
            return false;  // cut off inside a character
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (bytes[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past Unicode are not text.
        static constexpr std::uint32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
        if (code < kMinimum[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        if (code >= 0x10000) {
            code -= 0x10000;
            units[n++] = static_cast<char16_t>(0xD800 + (code >> 10));
            units[n++] = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            units[n++] = static_cast<char16_t>(code);
        }
        i += extra + 1;
    }
    out->units_.swap(units);
    out->length_ = n;
    return true;
}

LockedByteBlock Password::Bytes() const
{
    LockedByteBlock bytes(2 * length_);
    for (std::size_t i = 0; i < length_; ++i)
        qToLittleEndian<char16_t>(units_[i], bytes.data() + 2 * i);
    return bytes;
}

void Password::Truncate(std::size_t units)
{
    length_ = std::min(length_, units);
}

}  // namespace nbr
