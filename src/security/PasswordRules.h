#pragma once
// Which passwords the setup and settings pages accept, with the one status
// text each page shows. Pure functions: the pages call them on every change.

#include <QString>

#include <cstddef>
#include <string_view>

namespace nbr {

// The UTF-16 of a text as the rules take it, without a copy; valid while
// `text` lives unchanged.
inline std::u16string_view Utf16View(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

struct PasswordVerdict {
    bool valid = true;
    int messageId = 0;   // the text to show, 0 for none
    int argument = -1;   // its number, -1 when it takes none
};

class PasswordRules {
public:
    static constexpr std::size_t kMinLength = 6;
    static constexpr std::size_t kMaxLength = 256;
    static constexpr std::size_t kHintCompared = 126;
    static constexpr std::size_t kLoginMaxLength = 511;
    // What a property record holds: 500 bytes of UTF-16 with the terminator.
    static constexpr std::size_t kMaxHintLength = 249;

    // A new password with its confirmation and hint. The text is the one of
    // the last rule that applies.
    [[nodiscard]] static PasswordVerdict CheckNew(std::u16string_view password, std::u16string_view confirmation,
                                                  std::u16string_view hint);
    // The hint alone, so that a front end can refuse it before it asks for
    // anything or changes anything.
    [[nodiscard]] static PasswordVerdict CheckHint(std::u16string_view hint);
    // The settings page: the current password first, then the new one.
    [[nodiscard]] static PasswordVerdict CheckChange(std::u16string_view current, std::u16string_view password,
                                                     std::u16string_view confirmation, std::u16string_view hint);
};

}  // namespace nbr
