#pragma once
// Windows only: the program's paths (Qt's forward slashes) as the wide,
// backslash-separated strings the Win32 calls take, and Win32 errors as the
// program's status codes.

#include "platform/Status.h"

#include <QString>

#include <string>

namespace nbr {

class WinPath {
public:
    // Backslashes, no trailing separator except after a drive ("C:\"); an
    // absolute path from kLongFrom characters on in the "\\?\" form that
    // lifts the 260-character limit (folders stop at 248 without it).
    [[nodiscard]] static std::wstring Of(const QString& path);
    static constexpr qsizetype kLongFrom = 240;
    [[nodiscard]] static QString FromWide(const wchar_t* text);
    // GetLastError() as a status (a failure even when it says 0).
    [[nodiscard]] static Status LastStatus();
    // The status of a change that the fault seam refused (a full disk).
    [[nodiscard]] static Status RefusedChange();
};

}  // namespace nbr
