#include "platform/OpenFiles.h"

#include "platform/WinPath.h"

#include <windows.h>

// Windows answers the question by its sharing rules: a file that another
// program holds open cannot be opened here while denying others what they
// already have.
namespace nbr {
namespace {

// Whether `path`, a regular file (not a link), cannot be opened with
// `share`: someone holds it in a way that sharing mode excludes.
bool Refused(const QString& path, DWORD share)
{
    const std::wstring wide = WinPath::Of(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES
        || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return false;
    HANDLE h = ::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES | GENERIC_READ, share, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        ::CloseHandle(h);
        return false;
    }
    return ::GetLastError() == ERROR_SHARING_VIOLATION;
}

}  // namespace

bool OpenFiles::IsOpenByAnotherProcess(const QString& path)
{
    // No sharing at all: any open handle elsewhere refuses it. This
    // process's own handles count too; callers ask about files it closed.
    return Refused(path, 0);
}

QStringList OpenFiles::OpenForWriting(const QStringList& paths)
{
    QStringList held;
    for (const QString& path : paths) {
        // Readers allowed, writers not: refused exactly when someone writes.
        if (Refused(path, FILE_SHARE_READ))
            held << path;
    }
    return held;
}

}  // namespace nbr
