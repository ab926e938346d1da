#pragma once
// One question or notice for the user, as every worker asks it: the
// arguments of ShowMessageBox. The answer is the identifier of the pressed
// button, with kCheckTicked added when the check box was ticked.

#include <QString>

#include <cstdint>

namespace nbr {

namespace mb {
// Button mask bits and the identifiers of their buttons.
inline constexpr std::uint32_t kAbort = 1;
inline constexpr std::uint32_t kOk = 2;
inline constexpr std::uint32_t kCancel = 4;
inline constexpr std::uint32_t kRetry = 8;
inline constexpr std::uint32_t kYes = 16;
inline constexpr std::uint32_t kNo = 32;
inline constexpr std::uint32_t kIgnore = 64;

inline constexpr std::uint32_t kIdAbort = 0xD001;
inline constexpr std::uint32_t kIdOk = 0xD002;
inline constexpr std::uint32_t kIdCancel = 0xD004;
inline constexpr std::uint32_t kIdYes = 0xD008;
inline constexpr std::uint32_t kIdNo = 0xD010;
inline constexpr std::uint32_t kIdRetry = 0xD020;
inline constexpr std::uint32_t kIdIgnore = 0xD040;
inline constexpr std::uint32_t kCheckTicked = 0xD100;

// Icon bitmaps.
inline constexpr int kIconWarning = 207;
inline constexpr int kIconError = 208;
inline constexpr int kIconInformation = 209;
}  // namespace mb

struct MessageBoxRequest {
    const void* owner = nullptr;  // the window it belongs to, if any
    QString title;
    QString text;
    std::uint32_t buttons = 0;
    int icon = 0;
    int banner = 0;
    QString checkText;
};

}  // namespace nbr
