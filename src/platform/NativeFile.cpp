#include "platform/NativeFile.h"

#include "platform/ConfinedPath.h"
#include "platform/CreationPolicy.h"
#include "platform/FaultInjection.h"
#include "platform/NativePath.h"
#include "platform/SystemError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace nbr {

namespace {

// A transfer that a signal stopped before any byte moved is made again.
template <typename Transfer>
Status Retried(const Transfer& transfer, std::size_t* done)
{
    ssize_t n;
    do {
        n = transfer();
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return SystemError::Last();
    *done = static_cast<std::size_t>(n);
    return S_OK;
}

}  // namespace

Status NativeFile::Release(int fd)
{
    // Linux closes the descriptor even when close reports an error: no retry.
    if (::close(fd) != 0 && errno != EINTR)
        return SystemError::Last();
    return S_OK;
}

Status NativeFile::OpenAt(const ConfinedPath& at, const QString& path, int access, unsigned mode, int* opened)
{
    int flags = (access & kWrite) ? ((access & kRead) ? O_RDWR : O_WRONLY) : O_RDONLY;
    flags |= ((access & kCreate) ? O_CREAT : 0) | ((access & kTruncate) ? O_TRUNC : 0)
             | ((access & kNoFollow) ? O_NOFOLLOW : 0);
    // Without blocking: a FIFO or a device where a file should be must not
    // hang the program; it is refused below.
    int fd;
    do {
        fd = ::openat(at.Dir(), at.Name(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | at.NoFollowFlag(), mode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return at.Failure(errno, path);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool folder = S_ISDIR(st.st_mode);
        ::close(fd);
        return StatusFromWin32(folder ? win32::kAccessDenied : win32::kBadFileType);
    }
    // No status flag is asked for, so one call clears O_NONBLOCK (a store
    // import opens two files for every small one it takes in).
    (void)::fcntl(fd, F_SETFL, 0);
    if (access == kRead)
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    *opened = fd;
    return S_OK;
}

Status NativeFile::ReadSome(void* buffer, std::size_t size, std::size_t* done)
{
    return Retried([&] { return ::read(fd_, buffer, size); }, done);
}

Status NativeFile::WriteSome(const void* buffer, std::size_t size, std::size_t* done)
{
    return Retried([&] { return ::write(fd_, buffer, size); }, done);
}

Status NativeFile::Move(std::int64_t move, int whence, std::uint64_t* position) const
{
    const off_t at = ::lseek(fd_, static_cast<off_t>(move), whence);
    if (at < 0)
        return SystemError::Last();
    if (position)
        *position = static_cast<std::uint64_t>(at);
    return S_OK;
}

Status NativeFile::LockOnce()
{
    int result;
    do {
        result = ::flock(fd_, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0)
        return errno == EWOULDBLOCK ? StatusFromWin32(win32::kSharingViolation) : SystemError::Last();
    return S_OK;
}

Status NativeFile::SizeOf(std::uint64_t* size) const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return SystemError::Last();
    *size = static_cast<std::uint64_t>(st.st_size);
    return S_OK;
}

Status NativeFile::TimesOf(FileTime* creation, FileTime* access, FileTime* write) const
{
    struct statx sx {};
    if (::statx(fd_, "", AT_EMPTY_PATH, STATX_ATIME | STATX_MTIME | STATX_BTIME, &sx) != 0)
        return SystemError::Last();
    auto convert = [](const statx_timestamp& t) {
        return FileTime::FromUnix(t.tv_sec, t.tv_nsec);
    };
    *creation = (sx.stx_mask & STATX_BTIME) ? convert(sx.stx_btime) : FileTime {};
    *access = convert(sx.stx_atime);
    *write = convert(sx.stx_mtime);
    return S_OK;
}

Status NativeFile::ChangeTimes(FileTime access, FileTime write)
{
    timespec times[2];
    times[0] = access.ticks ? access.ToTimespec() : timespec {0, UTIME_OMIT};
    times[1] = write.ticks ? write.ToTimespec() : timespec {0, UTIME_OMIT};
    if (::futimens(fd_, times) != 0)
        return SystemError::Last();
    return S_OK;
}

Status NativeFile::FlushData()
{
    if (::fdatasync(fd_) != 0)
        return SystemError::Last();
    return S_OK;
}

namespace {

// Opens `path` (no link followed where it is confined) and flushes it, or
// with `volume` the whole file system that holds it.
Status SyncOpened(const ConfinedPath& at, const QString& path, bool volume)
{
    const int fd = ::openat(at.Dir(), at.Name(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | at.NoFollowFlag());
    if (fd < 0)
        return at.Failure(errno, path);
    // Since Linux 5.8 syncfs also reports the volume's write-back errors.
    const int result = volume ? ::syncfs(fd) : ::fsync(fd);
    const int err = errno;
    ::close(fd);
    return result == 0 ? S_OK : SystemError::StatusFromErrno(err, path);
}

}  // namespace

Status NativeFile::SyncAt(const ConfinedPath& at, const QString& path)
{
    return SyncOpened(at, path, false);
}

Status NativeFile::SyncVolume(const QString& path)
{
    return OnPath(path, "sync", [](const ConfinedPath& at, const QString& folder) {
        return SyncOpened(at, folder, true);
    });
}

Status NativeFile::RemoveAt(const ConfinedPath& at, const QString& path)
{
    if (::unlinkat(at.Dir(), at.Name(), 0) != 0)
        return at.Failure(errno, path);
    return S_OK;
}

}  // namespace nbr
