#include "platform/NativeFile.h"

#include "platform/ConfinedPath.h"
#include "platform/CreationPolicy.h"
#include "platform/FaultInjection.h"
#include "platform/NativePath.h"
#include "platform/WinPath.h"

#include <QFileInfo>

#include <windows.h>

#include <io.h>
#include <fcntl.h>
#include <algorithm>
#include <cstdio>
#include <utility>

// The handle lives in a C runtime descriptor (_open_osfhandle), so that the
// interface keeps its int handle on both systems; every call goes to the
// Win32 handle behind it.
namespace nbr {
namespace {

HANDLE Os(int fd)
{
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

// ReadFile and WriteFile count in a DWORD: 1 GiB at a time.
DWORD Piece(std::size_t size)
{
    return static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
}

// Far beyond any real end of file: locking this byte excludes other lockers
// without stopping anybody's reads and writes of the content, which is what
// an advisory lock does elsewhere.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
constexpr DWORD kLockOffsetLow = 0xFFFFFFF0;

// DeleteFileW refuses a read-only file, which elsewhere goes like any other.
BOOL DeleteEvenReadOnly(const wchar_t* path)
{
    if (::DeleteFileW(path))
        return TRUE;
    if (::GetLastError() != ERROR_ACCESS_DENIED)
        return FALSE;
    const DWORD attributes = ::GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    ::SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    return ::DeleteFileW(path);
}

}  // namespace

Status NativeFile::Release(int fd)
{
    HANDLE h = Os(fd);
    // _close closes the handle too; ask CloseHandle first for its own error.
    if (::_close(fd) != 0)
        return StatusFromWin32(h == INVALID_HANDLE_VALUE ? win32::kInvalidHandle : win32::kIoDevice);
    return S_OK;
}

Status NativeFile::OpenAt(const ConfinedPath& at, const QString& path, int flags, unsigned /*mode*/, int* opened)
{
    DWORD access = 0;
    if (flags & kRead)
        access |= GENERIC_READ;
    if (flags & kWrite)
        access |= GENERIC_WRITE;
    const DWORD disposition = (flags & kTruncate) ? CREATE_ALWAYS : (flags & kCreate) ? OPEN_ALWAYS : OPEN_EXISTING;
    const bool noFollow = at.Confined() || (flags & kNoFollow);
    // Every kind of sharing: a file may be renamed over or deleted while
    // another handle reads it, as the store's replace-by-rename needs.
    HANDLE h = ::CreateFileW(at.Wide().c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             disposition, FILE_ATTRIBUTE_NORMAL | (noFollow ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return at.Failure(static_cast<int>(::GetLastError()), path);
    BY_HANDLE_FILE_INFORMATION info {};
    const bool described = ::GetFileInformationByHandle(h, &info) != 0;
    if (!described || ::GetFileType(h) != FILE_TYPE_DISK || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        || (noFollow && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))) {
        const bool link = described && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
        const bool folder = described && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        ::CloseHandle(h);
        if (link)
            return StatusFromWin32(win32::kStoppedOnSymlink);
        return StatusFromWin32(folder ? win32::kAccessDenied : win32::kBadFileType);
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), (flags & kWrite) ? 0 : _O_RDONLY);
    if (fd < 0) {
        ::CloseHandle(h);
        return StatusFromWin32(win32::kTooManyOpenFiles);
    }
    *opened = fd;
    return S_OK;
}

Status NativeFile::ReadSome(void* buffer, std::size_t size, std::size_t* done)
{
    DWORD n = 0;
    if (!::ReadFile(Os(fd_), buffer, Piece(size), &n, nullptr)) {
        if (::GetLastError() != ERROR_HANDLE_EOF)
            return WinPath::LastStatus();
        n = 0;
    }
    *done = n;
    return S_OK;
}

Status NativeFile::WriteSome(const void* buffer, std::size_t size, std::size_t* done)
{
    DWORD n = 0;
    if (!::WriteFile(Os(fd_), buffer, Piece(size), &n, nullptr))
        return WinPath::LastStatus();
    *done = n;
    return S_OK;
}

Status NativeFile::Move(std::int64_t move, int whence, std::uint64_t* position) const
{
    const DWORD method = whence == SEEK_END ? FILE_END : whence == SEEK_CUR ? FILE_CURRENT : FILE_BEGIN;
    LARGE_INTEGER distance {};
    distance.QuadPart = move;
    LARGE_INTEGER at {};
    if (!::SetFilePointerEx(Os(fd_), distance, &at, method)) {
        // Before the start: the invalid argument it is elsewhere.
        if (::GetLastError() == ERROR_NEGATIVE_SEEK)
            return StatusFromWin32(win32::kInvalidParameter);
        return WinPath::LastStatus();
    }
    if (position)
        *position = static_cast<std::uint64_t>(at.QuadPart);
    return S_OK;
}

Status NativeFile::LockOnce()
{
    OVERLAPPED where {};
    where.Offset = kLockOffsetLow;
    where.OffsetHigh = kLockOffsetHigh;
    if (::LockFileEx(Os(fd_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where))
        return S_OK;
    const DWORD error = ::GetLastError();
    return StatusFromWin32(error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? win32::kSharingViolation
                                                                                       : error);
}

Status NativeFile::SizeOf(std::uint64_t* size) const
{
    LARGE_INTEGER bytes {};
    if (!::GetFileSizeEx(Os(fd_), &bytes))
        return WinPath::LastStatus();
    *size = static_cast<std::uint64_t>(bytes.QuadPart);
    return S_OK;
}

namespace {

FileTime Ticks(const FILETIME& t)
{
    return FileTime {(static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime};
}

FILETIME Native(FileTime t)
{
    FILETIME out {};
    out.dwLowDateTime = static_cast<DWORD>(t.ticks & 0xFFFFFFFFu);
    out.dwHighDateTime = static_cast<DWORD>(t.ticks >> 32);
    return out;
}

}  // namespace

Status NativeFile::TimesOf(FileTime* creation, FileTime* access, FileTime* write) const
{
    FILETIME c {}, a {}, w {};
    if (!::GetFileTime(Os(fd_), &c, &a, &w))
        return WinPath::LastStatus();
    *creation = Ticks(c);
    *access = Ticks(a);
    *write = Ticks(w);
    return S_OK;
}

Status NativeFile::ChangeTimes(FileTime access, FileTime write)
{
    const FILETIME a = Native(access);
    const FILETIME w = Native(write);
    if (!::SetFileTime(Os(fd_), nullptr, access.ticks ? &a : nullptr, write.ticks ? &w : nullptr))
        return WinPath::LastStatus();
    return S_OK;
}

Status NativeFile::FlushData()
{
    if (!::FlushFileBuffers(Os(fd_)))
        return WinPath::LastStatus();
    return S_OK;
}

Status NativeFile::SyncAt(const ConfinedPath& at, const QString& path)
{
    const DWORD attributes = ::GetFileAttributesW(at.Wide().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return at.Failure(static_cast<int>(::GetLastError()), path);
    // A folder's entries are written through by the file system itself.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return S_OK;
    if (at.Confined() && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return StatusFromWin32(win32::kStoppedOnSymlink);
    HANDLE h = ::CreateFileW(at.Wide().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return at.Failure(static_cast<int>(::GetLastError()), path);
    const BOOL flushed = ::FlushFileBuffers(h);
    const Status s = flushed ? S_OK : WinPath::LastStatus();
    ::CloseHandle(h);
    return s;
}

Status NativeFile::SyncVolume(const QString& path)
{
    if (!FaultInjection::BeforeChange("sync"))
        return WinPath::RefusedChange();
    // Flushing a whole volume takes administrator rights; without them the
    // files were flushed one by one (the batch policy syncs each file here).
    const QString root = QFileInfo(path).absoluteFilePath().left(2);
    const std::wstring volume = L"\\\\.\\" + root.toStdWString();
    HANDLE h = ::CreateFileW(volume.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return S_OK;
    // Best effort too: a volume that cannot be flushed as a whole (Wine's
    // drives, some drivers) had its files flushed one by one.
    (void)::FlushFileBuffers(h);
    ::CloseHandle(h);
    return S_OK;
}

Status NativeFile::RemoveAt(const ConfinedPath& at, const QString& path)
{
    if (!DeleteEvenReadOnly(at.Wide().c_str()))
        return at.Failure(static_cast<int>(::GetLastError()), path);
    return S_OK;
}

}  // namespace nbr
