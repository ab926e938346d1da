#include "platform/ConfinedPath.h"

#include "platform/NativePath.h"
#include "platform/WinPath.h"

#include <QStringList>

#include <windows.h>

namespace nbr {

ConfinedPath::Reuse::Reuse() = default;
ConfinedPath::Reuse::~Reuse() = default;

ConfinedPath::ConfinedPath(const QString& path) : dir_(-1)
{
    const QString clean = Clean(path);
    const QString folder = FolderOf(clean);
    wide_ = WinPath::Of(clean.isEmpty() ? path : clean);
    if (folder.isEmpty()) {
        name_ = NativePath::Encode(path);
        return;
    }
    confined_ = true;
    const qsizetype cut = folder.lastIndexOf(QLatin1Char('/'));
    QString walked = folder.left(cut);
    const QStringList steps = clean.mid(cut + 1).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i + 1 < steps.size(); ++i) {
        walked += QLatin1Char('/') + steps.at(i);
        // No delete sharing: while held, the folder keeps its name and place.
        HANDLE h = ::CreateFileW(WinPath::Of(walked).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                 nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            error_ = static_cast<int>(::GetLastError());
            if (error_ == ERROR_FILE_NOT_FOUND)
                error_ = ERROR_PATH_NOT_FOUND;
            return;
        }
        held_.push_back(h);
        BY_HANDLE_FILE_INFORMATION info {};
        if (!::GetFileInformationByHandle(h, &info)) {
            error_ = static_cast<int>(::GetLastError());
            return;
        }
        if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            error_ = static_cast<int>(win32::kStoppedOnSymlink);
            return;
        }
        if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            error_ = ERROR_PATH_NOT_FOUND;
            return;
        }
    }
    name_ = NativePath::Encode(steps.isEmpty() ? QString() : steps.last());
    if (name_.isEmpty())
        error_ = ERROR_INVALID_PARAMETER;
}

ConfinedPath::~ConfinedPath()
{
    for (void* h : held_)
        ::CloseHandle(h);
}

int ConfinedPath::NoFollowFlag() const
{
    return confined_ ? FILE_FLAG_OPEN_REPARSE_POINT : 0;
}

int ConfinedPath::NoFollowAtFlag() const
{
    return NoFollowFlag();
}

Status ConfinedPath::Failure(int err, const QString& /*path*/) const
{
    if (confined_) {
        if (err == static_cast<int>(win32::kStoppedOnSymlink) || err == ERROR_CANT_RESOLVE_FILENAME)
            return StatusFromWin32(win32::kStoppedOnSymlink);
        const DWORD attributes = ::GetFileAttributesW(wide_.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return StatusFromWin32(win32::kStoppedOnSymlink);
    }
    return StatusFromWin32(err == 0 ? win32::kGenFailure : static_cast<std::uint32_t>(err));
}

}  // namespace nbr
