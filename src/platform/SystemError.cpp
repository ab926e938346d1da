#include "platform/SystemError.h"

#include "platform/NativePath.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <locale.h>
#include <sys/stat.h>

namespace nbr {
namespace {

struct Mapping {
    int err;
    std::uint32_t win32;
};

// The first row for a Windows number is the one used to map back to errno.
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
    {ENOMEDIUM, win32::kNotReady},
    {EBUSY, win32::kSharingViolation},
    {ETXTBSY, win32::kSharingViolation},
    {EWOULDBLOCK, win32::kLockViolation},
    {ENOTSUP, win32::kNotSupported},
    {ENOTTY, win32::kNotSupported},
    {EEXIST, win32::kAlreadyExists},
    {EINVAL, win32::kInvalidParameter},
    {EPIPE, win32::kBrokenPipe},
    {ENOSPC, win32::kDiskFull},
    {EDQUOT, win32::kDiskFull},
    {EILSEQ, win32::kInvalidName},
    {ENOTEMPTY, win32::kDirNotEmpty},
    {ENAMETOOLONG, win32::kFilenameTooLong},
    {EFBIG, win32::kFileTooLarge},
    {EIO, win32::kIoDevice},
    {ESHUTDOWN, win32::kDeviceNotConnected},
    {ECANCELED, win32::kRequestAborted},
    {ETIMEDOUT, win32::kTimeout},
    {ELOOP, win32::kCantResolveFilename},
};

bool ParentMissing(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QString parent = NativePath::ParentOf(path);
    if (parent.isEmpty())
        return false;
    struct stat st {};
    return ::stat(NativePath::Encode(parent).constData(), &st) != 0 || !S_ISDIR(st.st_mode);
}

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

QString SystemError::Message(std::uint32_t error)
{
    if (error == win32::kGenFailure)
        return QStringLiteral("A device attached to the system is not functioning");
    const int err = ErrnoFromWin32(error);
    if (err == 0)
        return {};
    // The process's locale follows the environment, not the language chosen
    // in the program: the "C" locale gives the untranslated text. Created
    // once, never freed, and only read, so any thread may use it.
    static const locale_t untranslated = ::newlocale(LC_ALL_MASK, "C", nullptr);
    if (untranslated == nullptr)
        return {};
    return QString::fromUtf8(::strerror_l(err, untranslated));
}

}  // namespace nbr
