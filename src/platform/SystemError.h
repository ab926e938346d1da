#pragma once
// Maps operating-system errors to the Windows error numbers that the rest of
// the program reasons about, and back to the system's own message text.

#include "platform/Status.h"

#include <QString>

namespace nbr {

class SystemError {
public:
    // `path` (optional) lets ENOENT be told apart: 3 when the parent folder is
    // missing, 2 when only the file is.
    [[nodiscard]] static std::uint32_t Win32FromErrno(int err, const QString& path = {});
    [[nodiscard]] static Status StatusFromErrno(int err, const QString& path = {});
    // The current errno as a status.
    [[nodiscard]] static Status Last(const QString& path = {});
    // The closest errno for a Windows error number, 0 when none fits.
    [[nodiscard]] static int ErrnoFromWin32(std::uint32_t error);
    // The operating system's own message for a Windows error number, always
    // the untranslated (English) one; empty when the system has none for it.
    [[nodiscard]] static QString Message(std::uint32_t error);

private:
    // Whether the folder that would hold `path` is missing (false where the
    // system's own numbers tell the two cases apart already).
    [[nodiscard]] static bool ParentMissing(const QString& path);
};

}  // namespace nbr
