#include "platform/FileSystem.h"

#include "platform/ConfinedPath.h"
#include "platform/CreationPolicy.h"
#include "platform/FaultInjection.h"
#include "platform/FileWipe.h"
#include "platform/NativePath.h"
#include "platform/SystemError.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace nbr {
namespace {

void Describe(const struct stat& st, DirectoryEntry* item)
{
    item->isFolder = S_ISDIR(st.st_mode);
    item->isSpecial = !item->isFolder && !S_ISREG(st.st_mode);
    item->size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
    item->writeTime = FileTime::FromTimespec(st.st_mtim);
}

// Fills `item` from what `dir`/`name` is, without following a link; a link
// outside a confined folder reports what it points at (size, time, kind).
void DescribeAt(int dir, const char* name, bool confined, DirectoryEntry* item)
{
    struct stat st {};
    if (::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        item->isSpecial = true;
        return;
    }
    if (!S_ISLNK(st.st_mode)) {
        Describe(st, item);
        return;
    }
    item->isLink = true;
    item->isSpecial = true;
    struct stat target {};
    if (!confined && ::fstatat(dir, name, &target, 0) == 0) {
        Describe(target, item);
        item->linkToFolder = item->isFolder;
        item->isFolder = false;
        item->isSpecial = !S_ISREG(target.st_mode);
    }
}

int OpenFolderAt(int dir, const char* name)
{
    int fd;
    do {
        fd = ::openat(dir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool Inside(const QString& path, const QString& folder)
{
    return !path.isEmpty() && path.startsWith(folder + NativePath::kSeparator);
}

// Empties the folder open as `fd` (named `path` for reports) and tells
// whether everything but the kept file went.
bool EmptyFolder(int fd, const QString& path, const TreeRemoval& how)
{
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    const int dirFd = ::dirfd(dir);
    std::vector<QByteArray> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    }
    bool complete = errno == 0;
    for (const QByteArray& name : names) {
        bool valid = true;
        const QString child = NativePath::Join(path, NativePath::Decode(name, &valid));
        struct stat st {};
        if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            complete = complete && errno == ENOENT;
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            if (how.enteringFolder)
                how.enteringFolder(child);
            const int sub = OpenFolderAt(dirFd, name.constData());
            const bool emptied = sub >= 0 && EmptyFolder(sub, child, how);
            if (Inside(how.keep, child)) {
                complete = complete && emptied;
                continue;
            }
            const bool removed = FaultInjection::BeforeChange("rmdir") && ::unlinkat(dirFd, name.constData(), AT_REMOVEDIR) == 0;
            complete = complete && removed;
            if (how.removedOne)
                how.removedOne();
            continue;
        }
        if (!how.keep.isEmpty() && child == how.keep)
            continue;
        if (how.wipe && S_ISREG(st.st_mode) && !(how.inUse && how.inUse(child)))
            (void)FileWipe::ZeroAt(dirFd, name.constData());  // the unlink follows in any case
        const bool removed = FaultInjection::BeforeChange("unlink") && (::unlinkat(dirFd, name.constData(), 0) == 0 || errno == ENOENT);
        complete = complete && removed;
        if (!valid && how.oddName)
            how.oddName(child);
        if (how.removedOne)
            how.removedOne();
    }
    ::closedir(dir);
    return complete;
}

// Opens the confined folder for reading its names; the caller closes it.
Status OpenListing(const ConfinedPath& at, const QString& path, DIR** dir)
{
    int fd;
    do {
        fd = ::openat(at.Dir(), at.Name(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | at.NoFollowFlag());
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return at.Failure(errno, path);
    *dir = ::fdopendir(fd);
    if (!*dir) {
        const int err = errno;
        ::close(fd);
        return SystemError::StatusFromErrno(err, path);
    }
    return S_OK;
}

}  // namespace

Status FileSystem::RemoveFileAt(const ConfinedPath& at, const QString& path)
{
    if (::unlinkat(at.Dir(), at.Name(), 0) != 0)
        return at.Failure(errno, path);
    return S_OK;
}

Status FileSystem::RemoveFolderAt(const ConfinedPath& at, const QString& path)
{
    if (::unlinkat(at.Dir(), at.Name(), AT_REMOVEDIR) != 0)
        return at.Failure(errno, path);
    return S_OK;
}

Status FileSystem::CreateFolderAt(const ConfinedPath& at, const QString& path, const CreationPolicy* policy)
{
    if (::mkdirat(at.Dir(), at.Name(), CreationPolicy::OrDefault(policy).FolderMode()) != 0)
        return at.Failure(errno, path);
    return S_OK;
}

Status FileSystem::ListAt(const ConfinedPath& at, const QString& path, QList<DirectoryEntry>* entries)
{
    DIR* dir = nullptr;
    if (const Status s = OpenListing(at, path, &dir); Failed(s))
        return s;
    const int dirFd = ::dirfd(dir);
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        DirectoryEntry item;
        item.name = NativePath::Decode(QByteArray(entry->d_name), &item.validName);
        DescribeAt(dirFd, entry->d_name, at.Confined(), &item);
        entries->append(item);
        errno = 0;
    }
    const int err = errno;
    ::closedir(dir);
    return err == 0 ? S_OK : SystemError::StatusFromErrno(err, path);
}

Status FileSystem::HasEntriesAt(const ConfinedPath& at, const QString& path, bool* any)
{
    DIR* dir = nullptr;
    if (const Status s = OpenListing(at, path, &dir); Failed(s))
        return s;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            *any = true;
            break;
        }
        errno = 0;
    }
    const int err = *any ? 0 : errno;
    ::closedir(dir);
    return err == 0 ? S_OK : SystemError::StatusFromErrno(err, path);
}

bool FileSystem::Exists(const QString& path)
{
    const ConfinedPath at(path);
    if (at.Error())
        return false;
    if (!at.Confined())
        return ::access(at.Name(), F_OK) == 0;
    struct stat st {};
    return ::fstatat(at.Dir(), at.Name(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

Status FileSystem::Info(const QString& path, DirectoryEntry* info)
{
    const ConfinedPath at(path);
    if (at.Error())
        return at.WalkStatus(path);
    struct stat st {};
    if (::fstatat(at.Dir(), at.Name(), &st, at.NoFollowAtFlag()) != 0)
        return at.Failure(errno, path);
    *info = DirectoryEntry {};
    info->name = NativePath::LastComponent(path);
    if (S_ISLNK(st.st_mode)) {
        info->isLink = true;
        info->isSpecial = true;
        return S_OK;
    }
    Describe(st, info);
    return S_OK;
}

Status FileSystem::RenameAt(const ConfinedPath& source, const ConfinedPath& target, const QString& to,
                            bool /*waitForReaders: a rename replaces open files here*/)
{
    if (::renameat(source.Dir(), source.Name(), target.Dir(), target.Name()) != 0)
        return target.Failure(errno, to);
    return S_OK;
}

bool FileSystem::CanReplaceOpenFiles()
{
    return true;
}

bool FileSystem::Contains(const QString& outer, const QString& inner)
{
    struct stat folder {};
    if (outer.isEmpty() || inner.isEmpty() || ::stat(NativePath::Encode(outer).constData(), &folder) != 0)
        return false;
    char* resolved = ::realpath(NativePath::Encode(inner).constData(), nullptr);
    if (!resolved)
        return false;
    QByteArray path(resolved);
    std::free(resolved);
    for (;;) {
        struct stat at {};
        if (::stat(path.constData(), &at) == 0 && at.st_dev == folder.st_dev && at.st_ino == folder.st_ino)
            return true;
        const qsizetype slash = path.lastIndexOf('/');
        if (path == "/" || slash < 0)
            return false;
        path.truncate(slash > 0 ? slash : 1);
    }
}

bool FileSystem::IsPrivateFolderOfThisUser(const QString& path)
{
    struct stat st {};
    return ::lstat(NativePath::Encode(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
           && (st.st_mode & 077) == 0;
}

bool FileSystem::RemoveTreeAt(const ConfinedPath& at, const QString& path, const TreeRemoval& how)
{
    struct stat st {};
    if (::fstatat(at.Dir(), at.Name(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(st.st_mode)) {
        // A link (or file) where a folder was expected goes as itself.
        const bool removed = FaultInjection::BeforeChange("unlink") && ::unlinkat(at.Dir(), at.Name(), 0) == 0;
        if (how.removedOne)
            how.removedOne();
        return removed;
    }
    const int fd = OpenFolderAt(at.Dir(), at.Name());
    if (fd < 0)
        return false;
    const bool emptied = EmptyFolder(fd, path, how);
    if (Inside(how.keep, path))
        return emptied;
    const bool removed = FaultInjection::BeforeChange("rmdir") && ::unlinkat(at.Dir(), at.Name(), AT_REMOVEDIR) == 0;
    if (how.removedOne)
        how.removedOne();
    return removed;
}

}  // namespace nbr
