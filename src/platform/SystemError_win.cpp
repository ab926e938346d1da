#include "platform/SystemError.h"

#include <windows.h>

// On Windows the error numbers the program reasons about are the system's
// own; errno values only come from the C runtime (and the fault seam).
namespace nbr {

bool SystemError::ParentMissing(const QString& /*path*/)
{
    // The system's own calls tell a missing folder on the way apart
    // (ERROR_PATH_NOT_FOUND); the C runtime's ENOENT stays "file not found".
    return false;
}

QString SystemError::Message(std::uint32_t error)
{
    // US English first: the program's own packs carry the translations.
    wchar_t* text = nullptr;
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
    DWORD n = ::FormatMessageW(flags, nullptr, error, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                               reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (n == 0)
        n = ::FormatMessageW(flags, nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (n == 0 || text == nullptr)
        return {};
    QString message = QString::fromWCharArray(text, static_cast<qsizetype>(n)).trimmed();
    ::LocalFree(text);
    // The system's sentences end in a full stop; the program's lines do not.
    if (message.endsWith(QLatin1Char('.')))
        message.chop(1);
    return message;
}

}  // namespace nbr
