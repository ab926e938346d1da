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

NativeFile::~NativeFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

NativeFile::NativeFile(NativeFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_))
{
}

NativeFile& NativeFile::operator=(NativeFile&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

Status NativeFile::Open(const QString& path, int flags, unsigned mode)
{
    if (fd_ >= 0)
        return E_UNEXPECTED;
    if (path.isEmpty())
        return StatusFromWin32(win32::kPathNotFound);
    const ConfinedPath at(path);
    if (at.Error())
        return at.WalkStatus(path);
    if ((flags & (O_CREAT | O_TRUNC)) && !FaultInjection::BeforeChange("create"))
        return SystemError::Last(path);
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
    // The status flags are those asked for, so one call clears O_NONBLOCK
    // (a store import opens two files for every small one it takes in).
    (void)::fcntl(fd, F_SETFL, flags & (O_APPEND | O_DIRECT | O_NOATIME));
    fd_ = fd;
    path_ = path;
    return S_OK;
}

Status NativeFile::OpenRead(const QString& path)
{
    const Status s = Open(path, O_RDONLY, 0);
    if (Succeeded(s))
        ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    return s;
}

Status NativeFile::CreateAlways(const QString& path, const CreationPolicy* policy)
{
    return Open(path, O_WRONLY | O_CREAT | O_TRUNC, CreationPolicy::OrDefault(policy).FileMode());
}

Status NativeFile::OpenReadWrite(const QString& path, bool create, const CreationPolicy* policy)
{
    return Open(path, O_RDWR | (create ? O_CREAT : 0), CreationPolicy::OrDefault(policy).FileMode());
}

Status NativeFile::OpenExistingNoFollow(const QString& path)
{
    return Open(path, O_RDWR | O_NOFOLLOW, 0);
}

Status NativeFile::Read(void* buffer, std::size_t size, std::size_t* bytesRead)
{
    *bytesRead = 0;
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    auto* out = static_cast<char*>(buffer);
    while (*bytesRead < size) {
        const ssize_t n = ::read(fd_, out + *bytesRead, size - *bytesRead);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return SystemError::Last();
        }
        if (n == 0)
            break;
        *bytesRead += static_cast<std::size_t>(n);
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
        return SystemError::Last();
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < reach) {
        const ssize_t n = ::write(fd_, in + done, reach - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return SystemError::Last();
        }
        if (n == 0)
            return StatusFromWin32(win32::kDiskFull);
        done += static_cast<std::size_t>(n);
    }
    if (reach < size)
        FaultInjection::AfterTornWrite();
    return S_OK;
}

Status NativeFile::Seek(std::uint64_t position)
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    if (position > static_cast<std::uint64_t>(INT64_MAX))
        return E_INVALIDARG;
    if (::lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0)
        return SystemError::Last();
    return S_OK;
}

Status NativeFile::SeekBy(std::int64_t move, int whence, std::uint64_t* position)
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    const off_t at = ::lseek(fd_, static_cast<off_t>(move), whence);
    if (at < 0)
        return SystemError::Last();
    if (position)
        *position = static_cast<std::uint64_t>(at);
    return S_OK;
}

Status NativeFile::TryLockExclusive()
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    int result;
    do {
        result = ::flock(fd_, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0)
        return errno == EWOULDBLOCK ? StatusFromWin32(win32::kSharingViolation) : SystemError::Last();
    return S_OK;
}

Status NativeFile::Tell(std::uint64_t* position) const
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    const off_t at = ::lseek(fd_, 0, SEEK_CUR);
    if (at < 0)
        return SystemError::Last();
    *position = static_cast<std::uint64_t>(at);
    return S_OK;
}

Status NativeFile::Size(std::uint64_t* size) const
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return SystemError::Last();
    *size = static_cast<std::uint64_t>(st.st_size);
    return S_OK;
}

Status NativeFile::GetTimes(FileTime* creation, FileTime* access, FileTime* write) const
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    struct statx sx {};
    if (::statx(fd_, "", AT_EMPTY_PATH, STATX_ATIME | STATX_MTIME | STATX_BTIME, &sx) != 0)
        return SystemError::Last();
    auto convert = [](const statx_timestamp& t) {
        return FileTime::FromUnix(t.tv_sec, t.tv_nsec);
    };
    if (creation)
        *creation = (sx.stx_mask & STATX_BTIME) ? convert(sx.stx_btime) : FileTime {};
    if (access)
        *access = convert(sx.stx_atime);
    if (write)
        *write = convert(sx.stx_mtime);
    return S_OK;
}

Status NativeFile::SetTimes(FileTime access, FileTime write)
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    timespec times[2];
    times[0] = access.ticks ? access.ToTimespec() : timespec {0, UTIME_OMIT};
    times[1] = write.ticks ? write.ToTimespec() : timespec {0, UTIME_OMIT};
    if (!FaultInjection::BeforeChange("times"))
        return SystemError::Last();
    if (::futimens(fd_, times) != 0)
        return SystemError::Last();
    return S_OK;
}

Status NativeFile::Flush()
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    if (!FaultInjection::BeforeChange("sync") || ::fdatasync(fd_) != 0)
        return SystemError::Last();
    return S_OK;
}

Status NativeFile::Close()
{
    if (fd_ < 0)
        return S_OK;
    const int fd = std::exchange(fd_, -1);
    // Linux closes the descriptor even when close reports an error: no retry.
    if (::close(fd) != 0 && errno != EINTR)
        return SystemError::Last();
    return S_OK;
}

namespace {

// Opens `path` (no link followed where it is confined) and flushes it, or
// with `volume` the whole file system that holds it.
Status SyncOpened(const QString& path, bool volume)
{
    const ConfinedPath at(path);
    if (at.Error())
        return at.WalkStatus(path);
    if (!FaultInjection::BeforeChange("sync"))
        return SystemError::Last(path);
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

Status NativeFile::SyncPath(const QString& path)
{
    return SyncOpened(path, false);
}

Status NativeFile::SyncVolume(const QString& path)
{
    return SyncOpened(path, true);
}

Status NativeFile::Remove(const QString& path)
{
    const ConfinedPath at(path);
    if (at.Error())
        return at.WalkStatus(path);
    if (!FaultInjection::BeforeChange("unlink") || ::unlinkat(at.Dir(), at.Name(), 0) != 0)
        return at.Failure(errno, path);
    return S_OK;
}

}  // namespace nbr
