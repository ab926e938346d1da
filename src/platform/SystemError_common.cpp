#include "platform/SystemError.h"

#include <cerrno>

// The mapping between errno values and the Windows error numbers, the same
// on every system: on Linux errno is what the system reports, on Windows
// only the C runtime and the fault seam set it. The system's message texts
// and its look at a path are in SystemError.cpp and SystemError_win.cpp.
namespace nbr {
namespace {

struct Mapping {
    int err;
    std::uint32_t win32;
};

// The first row for a Windows number is the one used to map back to errno.
// Rows for numbers that one system's errno.h lacks stand only where it has them.
constexpr Mapping kTable[] = {
    {ENOENT, win32::kFileNotFound},
    {ENOTDIR, win32::kPathNotFound},
    {EMFILE, win32::kTooManyOpenFiles},
    {ENFILE, win32::kTooManyOpenFiles},
    {EACCES, win32::kAccessDenied},
    {EPERM, win32::kAccessDenied},
    {EISDIR, win32::kAccessDenied},
    {EBADF, win32::kInvalidHandle},
    {ENOMEM, win32::kNotEnoughMemory},
    {EXDEV, win32::kNotSameDevice},
    {EROFS, win32::kWriteProtect},
    {ENODEV, win32::kNotReady},
    {ENXIO, win32::kNotReady},
#ifdef ENOMEDIUM
    {ENOMEDIUM, win32::kNotReady},
#endif
    {EBUSY, win32::kSharingViolation},
    {ETXTBSY, win32::kSharingViolation},
    {EWOULDBLOCK, win32::kLockViolation},
    {ENOTSUP, win32::kNotSupported},
    {ENOTTY, win32::kNotSupported},
    {EEXIST, win32::kAlreadyExists},
    {EINVAL, win32::kInvalidParameter},
    {EPIPE, win32::kBrokenPipe},
    {ENOSPC, win32::kDiskFull},
#ifdef EDQUOT
    {EDQUOT, win32::kDiskFull},
#endif
    {EILSEQ, win32::kInvalidName},
    {ENOTEMPTY, win32::kDirNotEmpty},
    {ENAMETOOLONG, win32::kFilenameTooLong},
    {EFBIG, win32::kFileTooLarge},
    {EIO, win32::kIoDevice},
#ifdef ESHUTDOWN
    {ESHUTDOWN, win32::kDeviceNotConnected},
#endif
    {ECANCELED, win32::kRequestAborted},
    {ETIMEDOUT, win32::kTimeout},
    {ELOOP, win32::kCantResolveFilename},
};

}  // namespace

std::uint32_t SystemError::Win32FromErrno(int err, const QString& path)
{
    if (err == 0)
        return 0;
    if (err == ENOENT && ParentMissing(path))
        return win32::kPathNotFound;
    for (const Mapping& m : kTable) {
        if (m.err == err)
            return m.win32;
    }
    return win32::kGenFailure;
}

Status SystemError::StatusFromErrno(int err, const QString& path)
{
    return StatusFromWin32(Win32FromErrno(err, path));
}

Status SystemError::Last(const QString& path)
{
    const int err = errno;
    return StatusFromErrno(err == 0 ? EIO : err, path);
}

int SystemError::ErrnoFromWin32(std::uint32_t error)
{
    if (error == win32::kPathNotFound)
        return ENOENT;
    if (error == win32::kFileExists)
        return EEXIST;
    if (error == 14)  // ERROR_OUTOFMEMORY, the low half of E_OUTOFMEMORY
        return ENOMEM;
    for (const Mapping& m : kTable) {
        if (m.win32 == error)
            return m.err;
    }
    return 0;
}

}  // namespace nbr
