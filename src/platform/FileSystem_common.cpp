#include "platform/FileSystem.h"

#include "platform/ConfinedPath.h"
#include "platform/FaultInjection.h"
#include "platform/SystemError.h"

// The walks to a path and the fault seam before every change, the same on
// every system; the calls are each system's own (FileSystem.cpp,
// FileSystem_win.cpp). The seam sets errno on every system: the full disk
// it plays.
namespace nbr {
namespace {

// Walks to `path`, lets the fault seam see the `change`, then makes it.
template <typename Call>
Status Change(const QString& path, const char* change, const Call& call)
{
    const ConfinedPath at(path);
    if (at.Error())
        return at.WalkStatus(path);
    if (!FaultInjection::BeforeChange(change))
        return SystemError::Last(path);
    return call(at);
}

}  // namespace

Status FileSystem::RemoveFile(const QString& path)
{
    return Change(path, "unlink", [&](const ConfinedPath& at) { return RemoveFileAt(at, path); });
}

Status FileSystem::RemoveFolder(const QString& path)
{
    return Change(path, "rmdir", [&](const ConfinedPath& at) { return RemoveFolderAt(at, path); });
}

Status FileSystem::CreateFolder(const QString& path, const CreationPolicy* policy)
{
    return Change(path, "mkdir", [&](const ConfinedPath& at) { return CreateFolderAt(at, path, policy); });
}

Status FileSystem::List(const QString& path, QList<DirectoryEntry>* entries)
{
    entries->clear();
    const ConfinedPath at(path);
    if (at.Error())
        return at.WalkStatus(path);
    return ListAt(at, path, entries);
}

Status FileSystem::HasEntries(const QString& path, bool* any)
{
    *any = false;
    const ConfinedPath at(path);
    if (at.Error())
        return at.WalkStatus(path);
    return HasEntriesAt(at, path, any);
}

Status FileSystem::Rename(const QString& from, const QString& to, bool waitForReaders)
{
    const ConfinedPath source(from);
    if (source.Error())
        return source.WalkStatus(from);
    const ConfinedPath target(to);
    if (target.Error())
        return target.WalkStatus(to);
    if (!FaultInjection::BeforeChange("rename"))
        return SystemError::Last(to);
    return RenameAt(source, target, to, waitForReaders);
}

Status FileSystem::Kind(const QString& path, bool* isFolder)
{
    *isFolder = false;
    DirectoryEntry info;
    const Status s = Info(path, &info);
    if (Succeeded(s))
        *isFolder = info.isFolder;
    return s;
}

bool FileSystem::RemoveTree(const QString& path, const TreeRemoval& how)
{
    if (path.isEmpty())
        return false;
    const ConfinedPath at(path);
    if (at.Error())
        return false;
    return RemoveTreeAt(at, path, how);
}

}  // namespace nbr
