#include "platform/FileAttributes.h"

#include "platform/ConfinedPath.h"
#include "platform/FaultInjection.h"
#include "platform/WinPath.h"

#include <windows.h>

#include <io.h>

namespace nbr {
namespace {

constexpr std::uint32_t kChangeable = FileAttributes::kReadOnly | FileAttributes::kHidden | FileAttributes::kArchive;
constexpr std::uint32_t kKept = kChangeable | FileAttributes::kSystem | FileAttributes::kDirectory;

std::uint32_t BitsOf(DWORD attributes)
{
    const std::uint32_t bits = attributes & kKept;
    return bits == 0 ? FileAttributes::kNormal : bits;
}

// The system's attributes with ours in place of the changeable bits; the
// system and directory bits stay as they are.
DWORD Merge(DWORD current, std::uint32_t attributes)
{
    if (attributes & FileAttributes::kNormal)
        attributes &= ~kChangeable;
    const DWORD merged = (current & ~kChangeable & ~FILE_ATTRIBUTE_NORMAL) | (attributes & kChangeable);
    return merged == 0 ? FILE_ATTRIBUTE_NORMAL : merged;
}

}  // namespace

Status FileAttributes::GetAt(const ConfinedPath& at, const QString& path, std::uint32_t* attributes)
{
    const DWORD current = ::GetFileAttributesW(at.Wide().c_str());
    if (current == INVALID_FILE_ATTRIBUTES)
        return at.Failure(static_cast<int>(::GetLastError()), path);
    *attributes = BitsOf(current);
    return S_OK;
}

Status FileAttributes::GetOpen(int fd, std::uint32_t* attributes)
{
    if (!attributes || fd < 0)
        return E_INVALIDARG;
    BY_HANDLE_FILE_INFORMATION info {};
    if (!::GetFileInformationByHandle(reinterpret_cast<HANDLE>(::_get_osfhandle(fd)), &info))
        return WinPath::LastStatus();
    *attributes = BitsOf(info.dwFileAttributes);
    return S_OK;
}

Status FileAttributes::SetOpen(int fd, std::uint32_t attributes)
{
    if (fd < 0)
        return E_INVALIDARG;
    HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    FILE_BASIC_INFO basic {};
    if (!::GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic))
        return WinPath::LastStatus();
    if (!FaultInjection::BeforeChange("attributes"))
        return WinPath::RefusedChange();
    const DWORD wanted = Merge(basic.FileAttributes, attributes);
    if (wanted == basic.FileAttributes)
        return S_OK;
    // Zero times leave the times alone.
    FILE_BASIC_INFO change {};
    change.FileAttributes = wanted;
    if (!::SetFileInformationByHandle(h, FileBasicInfo, &change, sizeof change))
        return WinPath::LastStatus();
    return S_OK;
}

Status FileAttributes::SetAt(const ConfinedPath& at, const QString& path, std::uint32_t attributes)
{
    const DWORD current = ::GetFileAttributesW(at.Wide().c_str());
    if (current == INVALID_FILE_ATTRIBUTES)
        return at.Failure(static_cast<int>(::GetLastError()), path);
    if (at.Confined() && (current & FILE_ATTRIBUTE_REPARSE_POINT))
        return StatusFromWin32(win32::kStoppedOnSymlink);
    if (!FaultInjection::BeforeChange("attributes"))
        return WinPath::RefusedChange();
    const DWORD wanted = Merge(current, attributes);
    if (wanted != current && !::SetFileAttributesW(at.Wide().c_str(), wanted & ~FILE_ATTRIBUTE_REPARSE_POINT))
        return at.Failure(static_cast<int>(::GetLastError()), path);
    return S_OK;
}

bool FileAttributes::KeepsDosBits(const QString& /*path*/)
{
    return true;  // every Windows file system keeps them
}

}  // namespace nbr
