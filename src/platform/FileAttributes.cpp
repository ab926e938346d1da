#include "platform/FileAttributes.h"

#include "platform/ConfinedPath.h"
#include "platform/FaultInjection.h"
#include "platform/NativePath.h"
#include "platform/SystemError.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace nbr {
namespace {

constexpr std::uint32_t kDosBits = FileAttributes::kReadOnly | FileAttributes::kHidden
                                   | FileAttributes::kSystem | FileAttributes::kArchive;

// An fd for the attribute ioctls; O_PATH would not do, the ioctl needs a real open.
class Fd {
public:
    // Inside a confined folder a link is not opened: its target is not ours.
    explicit Fd(const ConfinedPath& at)
        : fd_(at.Error() ? -1
                         : ::openat(at.Dir(), at.Name(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | at.NoFollowFlag()))
    {
    }
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool IsFat(int fd)
{
    struct statfs fs {};
    return ::fstatfs(fd, &fs) == 0 && fs.f_type == MSDOS_SUPER_MAGIC;
}

// The bits of a file from its mode, and from its FAT attribute byte when
// `fd` (may be -1) is open on a FAT volume.
std::uint32_t BitsOf(const struct stat& st, int fd)
{
    std::uint32_t bits = 0;
    if (S_ISDIR(st.st_mode))
        bits |= FileAttributes::kDirectory;
    if ((st.st_mode & S_IWUSR) == 0)
        bits |= FileAttributes::kReadOnly;
    std::uint32_t fat = 0;
    if (fd >= 0 && IsFat(fd) && ::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &fat) == 0)
        bits = (bits & ~kDosBits) | (fat & kDosBits);
    return bits == 0 ? FileAttributes::kNormal : bits;
}

// Sets the FAT byte; false when `fd` is not on FAT (errno 0) or the ioctl
// failed (errno set).
bool SetFat(int fd, std::uint32_t attributes, bool* onFat)
{
    *onFat = fd >= 0 && IsFat(fd);
    if (!*onFat)
        return true;
    std::uint32_t fat = 0;
    if (::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &fat) != 0)
        return false;
    // The system bit needs a capability to change; it is never ours to set.
    const std::uint32_t wanted = (fat & ~(FileAttributes::kReadOnly | FileAttributes::kHidden | FileAttributes::kArchive))
                                 | (attributes & (FileAttributes::kReadOnly | FileAttributes::kHidden | FileAttributes::kArchive));
    return wanted == fat || ::ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &wanted) == 0;
}

mode_t ModeFor(mode_t mode, std::uint32_t attributes)
{
    mode &= 07777;
    if (attributes & FileAttributes::kReadOnly)
        return mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    return mode | S_IWUSR;
}

}  // namespace

Status FileAttributes::GetAt(const ConfinedPath& at, const QString& path, std::uint32_t* attributes)
{
    struct stat st {};
    if (::fstatat(at.Dir(), at.Name(), &st, at.NoFollowAtFlag()) != 0)
        return at.Failure(errno, path);
    Fd fd(at);
    *attributes = BitsOf(st, fd.get());
    return S_OK;
}

Status FileAttributes::GetOpen(int fd, std::uint32_t* attributes)
{
    if (!attributes || fd < 0)
        return E_INVALIDARG;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return SystemError::Last();
    *attributes = BitsOf(st, fd);
    return S_OK;
}

Status FileAttributes::SetOpen(int fd, std::uint32_t attributes)
{
    if (fd < 0)
        return E_INVALIDARG;
    if (attributes & kNormal)
        attributes &= ~(kReadOnly | kHidden | kArchive);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return SystemError::Last();
    if (!FaultInjection::BeforeChange("attributes"))
        return SystemError::Last();
    bool onFat = false;
    if (!SetFat(fd, attributes, &onFat))
        return SystemError::Last();
    if (onFat)
        return S_OK;
    const mode_t mode = ModeFor(st.st_mode, attributes);
    if (mode != (st.st_mode & 07777) && ::fchmod(fd, mode) != 0)
        return SystemError::Last();
    return S_OK;
}

Status FileAttributes::SetAt(const ConfinedPath& at, const QString& path, std::uint32_t attributes)
{
    struct stat st {};
    if (::fstatat(at.Dir(), at.Name(), &st, at.NoFollowAtFlag()) != 0)
        return at.Failure(errno, path);
    if (S_ISLNK(st.st_mode))
        return StatusFromWin32(win32::kStoppedOnSymlink);
    if (!FaultInjection::BeforeChange("attributes"))
        return SystemError::Last(path);

    Fd fd(at);
    bool onFat = false;
    if (!SetFat(fd.get(), attributes, &onFat))
        return SystemError::Last(path);
    if (onFat)
        return S_OK;

    const mode_t mode = ModeFor(st.st_mode, attributes);
    if (mode != (st.st_mode & 07777)) {
        const int changed = fd.get() >= 0 ? ::fchmod(fd.get(), mode) : ::fchmodat(at.Dir(), at.Name(), mode, 0);
        if (changed != 0)
            return at.Failure(errno, path);
    }
    return S_OK;
}

bool FileAttributes::KeepsDosBits(const QString& path)
{
    const ConfinedPath at(path);
    Fd fd(at);
    return fd.get() >= 0 && IsFat(fd.get());
}

}  // namespace nbr
