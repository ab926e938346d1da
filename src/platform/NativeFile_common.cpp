#include "platform/NativeFile.h"

#include "platform/ConfinedPath.h"
#include "platform/CreationPolicy.h"
#include "platform/FaultInjection.h"
#include "platform/SystemError.h"

#include <cstdio>
#include <utility>

// What a file does the same way on every system: whole transfers out of the
// system's short ones, the fault seam's torn writes, and the checks before
// each call. The calls themselves are in NativeFile.cpp and NativeFile_win.cpp.
namespace nbr {

NativeFile::~NativeFile()
{
    if (fd_ >= 0)
        (void)Release(fd_);
}

NativeFile::NativeFile(NativeFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_))
{
}

NativeFile& NativeFile::operator=(NativeFile&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            (void)Release(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

Status NativeFile::Open(const QString& path, int access, unsigned mode)
{
    if (fd_ >= 0)
        return E_UNEXPECTED;
    if (path.isEmpty())
        return StatusFromWin32(win32::kPathNotFound);
    const ConfinedPath at(path);
    if (at.Error())
        return at.WalkStatus(path);
    if ((access & (kCreate | kTruncate)) && !FaultInjection::BeforeChange("create"))
        return SystemError::Last(path);
    int fd = -1;
    if (const Status s = OpenAt(at, path, access, mode, &fd); Failed(s))
        return s;
    fd_ = fd;
    path_ = path;
    return S_OK;
}

Status NativeFile::OpenRead(const QString& path)
{
    return Open(path, kRead, 0);
}

Status NativeFile::CreateAlways(const QString& path, const CreationPolicy* policy)
{
    return Open(path, kWrite | kCreate | kTruncate, CreationPolicy::OrDefault(policy).FileMode());
}

Status NativeFile::OpenReadWrite(const QString& path, bool create, const CreationPolicy* policy)
{
    return Open(path, kRead | kWrite | (create ? kCreate : 0), CreationPolicy::OrDefault(policy).FileMode());
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
        std::size_t n = 0;
        if (const Status s = ReadSome(out + *bytesRead, size - *bytesRead, &n); Failed(s))
            return s;
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
    // The seam sets errno on every system: the full disk it plays.
    if (!allowed)
        return SystemError::Last();
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < reach) {
        std::size_t n = 0;
        if (const Status s = WriteSome(in + done, reach - done, &n); Failed(s))
            return s;
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
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    if (position > static_cast<std::uint64_t>(INT64_MAX))
        return E_INVALIDARG;
    return Move(static_cast<std::int64_t>(position), SEEK_SET, nullptr);
}

Status NativeFile::SeekBy(std::int64_t move, int whence, std::uint64_t* position)
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    return Move(move, whence, position);
}

Status NativeFile::Tell(std::uint64_t* position) const
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    return Move(0, SEEK_CUR, position);
}

Status NativeFile::TryLockExclusive()
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    return LockOnce();
}

Status NativeFile::Size(std::uint64_t* size) const
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    return SizeOf(size);
}

Status NativeFile::GetTimes(FileTime* creation, FileTime* access, FileTime* write) const
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    FileTime created, accessed, written;
    if (const Status s = TimesOf(&created, &accessed, &written); Failed(s))
        return s;
    if (creation)
        *creation = created;
    if (access)
        *access = accessed;
    if (write)
        *write = written;
    return S_OK;
}

Status NativeFile::SetTimes(FileTime access, FileTime write)
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    if (!FaultInjection::BeforeChange("times"))
        return SystemError::Last();
    return ChangeTimes(access, write);
}

Status NativeFile::Flush()
{
    if (fd_ < 0)
        return StatusFromWin32(win32::kInvalidHandle);
    if (!FaultInjection::BeforeChange("sync"))
        return SystemError::Last();
    return FlushData();
}

Status NativeFile::Close()
{
    if (fd_ < 0)
        return S_OK;
    return Release(std::exchange(fd_, -1));
}

Status NativeFile::OnPath(const QString& path, const char* change, PathCall call)
{
    const ConfinedPath at(path);
    if (at.Error())
        return at.WalkStatus(path);
    if (!FaultInjection::BeforeChange(change))
        return SystemError::Last(path);
    return call(at, path);
}

Status NativeFile::SyncPath(const QString& path)
{
    return OnPath(path, "sync", SyncAt);
}

Status NativeFile::Remove(const QString& path)
{
    return OnPath(path, "unlink", RemoveAt);
}

}  // namespace nbr
