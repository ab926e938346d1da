#include "platform/SystemError.h"

#include <cerrno>

#include <windows.h>

// On Windows the error numbers the program reasons about are the system's
// own; errno values only come from the C runtime (and the fault seam).
namespace nbr {
namespace {

struct Mapping {
    int err;
    std::uint32_t win32;
};

constexpr Mapping kTable[] = {
    {ENOENT, win32::kFileNotFound},     {ENOTDIR, win32::kPathNotFound},  {EMFILE, win32::kTooManyOpenFiles},
    {ENFILE, win32::kTooManyOpenFiles}, {EACCES, win32::kAccessDenied},   {EPERM, win32::kAccessDenied},
    {EISDIR, win32::kAccessDenied},     {EBADF, win32::kInvalidHandle},   {ENOMEM, win32::kNotEnoughMemory},
    {EXDEV, win32::kNotSameDevice},     {EROFS, win32::kWriteProtect},    {ENODEV, win32::kNotReady},
    {ENXIO, win32::kNotReady},          {EBUSY, win32::kSharingViolation}, {EWOULDBLOCK, win32::kLockViolation},
    {ENOTSUP, win32::kNotSupported},    {ENOTTY, win32::kNotSupported},   {EEXIST, win32::kAlreadyExists},
    {EINVAL, win32::kInvalidParameter}, {EPIPE, win32::kBrokenPipe},      {ENOSPC, win32::kDiskFull},
    {EILSEQ, win32::kInvalidName},      {ENOTEMPTY, win32::kDirNotEmpty}, {ENAMETOOLONG, win32::kFilenameTooLong},
    {EFBIG, win32::kFileTooLarge},      {EIO, win32::kIoDevice},          {ECANCELED, win32::kRequestAborted},
    {ETIMEDOUT, win32::kTimeout},       {ELOOP, win32::kCantResolveFilename},
};

}  // namespace

std::uint32_t SystemError::Win32FromErrno(int err, const QString& /*path*/)
{
    if (err == 0)
        return 0;
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
    if (error == 14)
        return ENOMEM;
    for (const Mapping& m : kTable) {
        if (m.win32 == error)
            return m.err;
    }
    return 0;
}

QString SystemError::Message(std::uint32_t error)
{
    // US English first: the program's own packs carry the translations.
    wchar_t* text = nullptr;
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
    DWORD n = ::FormatMessageW(flags, nullptr, error, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                               reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (n == 0)
        n = ::FormatMessageW(flags, nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (n == 0 || text == nullptr)
        return {};
    QString message = QString::fromWCharArray(text, static_cast<qsizetype>(n)).trimmed();
    ::LocalFree(text);
    // The system's sentences end in a full stop; the program's lines do not.
    if (message.endsWith(QLatin1Char('.')))
        message.chop(1);
    return message;
}

}  // namespace nbr
