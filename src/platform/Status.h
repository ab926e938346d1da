#pragma once
// Status codes shared by every layer: 32-bit HRESULT-style integers. 0 is
// success, 1 "nothing to do", negative values are failures. Operating-system
// errors travel as 0x80070000 plus the Windows error number that the program
// reasons about (see SystemError for the mapping from errno).

#include <cstdint>

namespace nbr {

using Status = std::int32_t;

constexpr Status MakeStatus(std::uint32_t value) { return static_cast<Status>(value); }

inline constexpr Status S_OK = 0;
inline constexpr Status S_FALSE = 1;
inline constexpr Status E_UNEXPECTED = MakeStatus(0x8000FFFFu);
inline constexpr Status E_NOTIMPL = MakeStatus(0x80004001u);
inline constexpr Status E_FAIL = MakeStatus(0x80004005u);
inline constexpr Status E_OUTOFMEMORY = MakeStatus(0x8007000Eu);
inline constexpr Status E_INVALIDARG = MakeStatus(0x80070057u);

constexpr bool Succeeded(Status s) { return s >= 0; }
constexpr bool Failed(Status s) { return s < 0; }

// Windows error numbers the program reasons about.
namespace win32 {
inline constexpr std::uint32_t kFileNotFound = 2;
inline constexpr std::uint32_t kPathNotFound = 3;
inline constexpr std::uint32_t kTooManyOpenFiles = 4;
inline constexpr std::uint32_t kAccessDenied = 5;
inline constexpr std::uint32_t kInvalidHandle = 6;
inline constexpr std::uint32_t kNotEnoughMemory = 8;
inline constexpr std::uint32_t kNotSameDevice = 17;
inline constexpr std::uint32_t kWriteProtect = 19;
inline constexpr std::uint32_t kNotReady = 21;
inline constexpr std::uint32_t kGenFailure = 31;
inline constexpr std::uint32_t kSharingViolation = 32;
inline constexpr std::uint32_t kLockViolation = 33;
inline constexpr std::uint32_t kHandleEof = 38;
inline constexpr std::uint32_t kNotSupported = 50;
inline constexpr std::uint32_t kFileExists = 80;
inline constexpr std::uint32_t kInvalidParameter = 87;
inline constexpr std::uint32_t kBrokenPipe = 109;
inline constexpr std::uint32_t kDiskFull = 112;
inline constexpr std::uint32_t kInvalidName = 123;
inline constexpr std::uint32_t kDirNotEmpty = 145;
inline constexpr std::uint32_t kBusy = 170;
inline constexpr std::uint32_t kAlreadyExists = 183;
inline constexpr std::uint32_t kFilenameTooLong = 206;
inline constexpr std::uint32_t kBadFileType = 222;
inline constexpr std::uint32_t kFileTooLarge = 223;
inline constexpr std::uint32_t kDirectory = 267;
// A symbolic link inside the store, the launch folder or a private temporary
// folder: never followed.
inline constexpr std::uint32_t kStoppedOnSymlink = 681;
inline constexpr std::uint32_t kIoDevice = 1117;
inline constexpr std::uint32_t kDeviceNotConnected = 1167;
inline constexpr std::uint32_t kCancelled = 1223;
inline constexpr std::uint32_t kRequestAborted = 1235;
inline constexpr std::uint32_t kTimeout = 1460;
inline constexpr std::uint32_t kCantResolveFilename = 1921;
}  // namespace win32

constexpr Status StatusFromWin32(std::uint32_t error)
{
    return error == 0 ? S_OK : MakeStatus(0x80070000u | (error & 0xFFFFu));
}

constexpr bool IsWin32Status(Status s) { return (static_cast<std::uint32_t>(s) & 0xFFFF0000u) == 0x80070000u; }
constexpr std::uint32_t Win32FromStatus(Status s) { return static_cast<std::uint32_t>(s) & 0xFFFFu; }

// A transform stopped because its progress routine asked it to.
inline constexpr Status E_ABORTED = StatusFromWin32(win32::kRequestAborted);

}  // namespace nbr
