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
#include <cstdio>
#include <utility>

// The handle lives in a C runtime descriptor (_open_osfhandle), so that the
// interface keeps its int handle on both systems; every call goes to the
// Win32 handle behind it.
namespace nbr {
namespace {

enum Access : int { kRead = 1, kWrite = 2, kCreate = 4, kTruncate = 8, kNoFollow = 16 };

HANDLE Os(int fd)
{
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
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

NativeFile::~NativeFile()
{
    if (fd_ >= 0)
        ::_close(fd_);
}

NativeFile::NativeFile(NativeFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_))
{
}

NativeFile& NativeFile::operator=(NativeFile&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::_close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

Status NativeFile::Open(const QString& path, int flags, unsigned /*mode*/)
{
    if (fd_ >= 0)
        return E_UNEXPECTED;
    if (path.isEmpty())
        return StatusFromWin32(win32::kPathNotFound);
    const ConfinedPath at(path);
    if (at.Error())
        return at.WalkStatus(path);
    if ((flags & (kCreate | kTruncate)) && !FaultInjection::BeforeChange("create"))
        return WinPath::RefusedChange();
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
    fd_ = fd;
    path_ = path;
    return S_OK;
}

Status NativeFile::OpenRead(const QString& path)
{
    return Open(path, kRead, 0);
}

Status NativeFile::CreateAlways(const QString& path, const CreationPolicy* /*policy*/)
{
    return Open(path, kWrite | kCreate | kTruncate, 0);
}

Status NativeFile::OpenReadWrite(const QString& path, bool create, const CreationPolicy* /*policy*/)
{
    return Open(path, kRead | kWrite | (create ? kCreate : 0), 0);
}

Status NativeFile::OpenExistingNoFollow(const QString& path)
{
    return Open(path, kRead | kWrite | kNoFollow, 0);
}

Status NativeFile::Read(void* buffer, std::size_t size, std::size_t* bytesRead)
{
    *bytesRead = 0;
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    auto* out = static_cast<char*>(buffer);
    while (*bytesRead < size) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(size - *bytesRead, 1u << 30));
        DWORD n = 0;
        if (!::ReadFile(Os(fd_), out + *bytesRead, piece, &n, nullptr)) {
            if (::GetLastError() == ERROR_HANDLE_EOF)
                break;
            return WinPath::LastStatus();
        }
        if (n == 0)
            break;
        *bytesRead += n;
    }
    return S_OK;
}

Status NativeFile::Write(const void* buffer, std::size_t size)
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    bool allowed = true;
    const std::size_t reach = FaultInjection::BeforeWrite(size, &allowed);
    if (!allowed)
        return WinPath::RefusedChange();
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < reach) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(reach - done, 1u << 30));
        DWORD n = 0;
        if (!::WriteFile(Os(fd_), in + done, piece, &n, nullptr))
            return WinPath::LastStatus();
        if (n == 0)
            return StatusFromWin32(win32::kDiskFull);
        done += n;
    }
    if (reach < size)
        FaultInjection::AfterTornWrite();
    return S_OK;
}

Status NativeFile::Seek(std::uint64_t position)
{
    if (position > static_cast<std::uint64_t>(INT64_MAX))
        return E_INVALIDARG;
    return SeekBy(static_cast<std::int64_t>(position), SEEK_SET, nullptr);
}

Status NativeFile::SeekBy(std::int64_t move, int whence, std::uint64_t* position)
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
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

Status NativeFile::TryLockExclusive()
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    OVERLAPPED where {};
    where.Offset = kLockOffsetLow;
    where.OffsetHigh = kLockOffsetHigh;
    if (::LockFileEx(Os(fd_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where))
        return S_OK;
    const DWORD error = ::GetLastError();
    return StatusFromWin32(error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? win32::kSharingViolation
                                                                                       : error);
}

Status NativeFile::Tell(std::uint64_t* position) const
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    LARGE_INTEGER at {};
    if (!::SetFilePointerEx(Os(fd_), LARGE_INTEGER {}, &at, FILE_CURRENT))
        return WinPath::LastStatus();
    *position = static_cast<std::uint64_t>(at.QuadPart);
    return S_OK;
}

Status NativeFile::Size(std::uint64_t* size) const
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
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

Status NativeFile::GetTimes(FileTime* creation, FileTime* access, FileTime* write) const
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    FILETIME c {}, a {}, w {};
    if (!::GetFileTime(Os(fd_), &c, &a, &w))
        return WinPath::LastStatus();
    if (creation)
        *creation = Ticks(c);
    if (access)
        *access = Ticks(a);
    if (write)
        *write = Ticks(w);
    return S_OK;
}

Status NativeFile::SetTimes(FileTime access, FileTime write)
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    if (!FaultInjection::BeforeChange("times"))
        return WinPath::RefusedChange();
    const FILETIME a = Native(access);
    const FILETIME w = Native(write);
    if (!::SetFileTime(Os(fd_), nullptr, access.ticks ? &a : nullptr, write.ticks ? &w : nullptr))
        return WinPath::LastStatus();
    return S_OK;
}

Status NativeFile::Flush()
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    if (!FaultInjection::BeforeChange("sync"))
        return WinPath::RefusedChange();
    if (!::FlushFileBuffers(Os(fd_)))
        return WinPath::LastStatus();
    return S_OK;
}

Status NativeFile::Close()
{
    if (fd_ < 0)
        return S_OK;
    const int fd = std::exchange(fd_, -1);
    HANDLE h = Os(fd);
    // _close closes the handle too; ask CloseHandle first for its own error.
    if (::_close(fd) != 0)
        return StatusFromWin32(h == INVALID_HANDLE_VALUE ? win32::kInvalidHandle : win32::kIoDevice);
    return S_OK;
}

Status NativeFile::SyncPath(const QString& path)
{
    const ConfinedPath at(path);
    if (at.Error())
        return at.WalkStatus(path);
    if (!FaultInjection::BeforeChange("sync"))
        return WinPath::RefusedChange();
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

Status NativeFile::Remove(const QString& path)
{
    const ConfinedPath at(path);
    if (at.Error())
        return at.WalkStatus(path);
    if (!FaultInjection::BeforeChange("unlink"))
        return WinPath::RefusedChange();
    if (!DeleteEvenReadOnly(at.Wide().c_str()))
        return at.Failure(static_cast<int>(::GetLastError()), path);
    return S_OK;
}

}  // namespace nbr
