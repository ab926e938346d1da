#include "platform/FileAttributes.h"

#include "platform/ConfinedPath.h"

// The walk to a path and the meaning of kNormal, the same on every system;
// where the bits live is each system's own (FileAttributes.cpp,
// FileAttributes_win.cpp).
namespace nbr {

Status FileAttributes::Get(const QString& path, std::uint32_t* attributes)
{
    if (!attributes)
        return E_INVALIDARG;
    const ConfinedPath at(path);
    if (at.Error())
        return at.WalkStatus(path);
    return GetAt(at, path, attributes);
}

Status FileAttributes::Set(const QString& path, std::uint32_t attributes)
{
    if (attributes & kNormal)
        attributes &= ~(kReadOnly | kHidden | kArchive);
    const ConfinedPath at(path);
    if (at.Error())
        return at.WalkStatus(path);
    return SetAt(at, path, attributes);
}

void FileAttributes::AddHidden(const QString& path)
{
    std::uint32_t attributes = 0;
    if (Succeeded(Get(path, &attributes)))
        (void)Set(path, (attributes & ~kNormal) | kHidden);
}

}  // namespace nbr
