#include "platform/FileSystem.h"

#include "platform/CreationPolicy.h"
#include "platform/NativePath.h"
#include "platform/SystemError.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace nbr {

Status FileSystem::RemoveFile(const QString& path)
{
    if (::unlink(NativePath::Encode(path).constData()) != 0)
        return SystemError::Last(path);
    return S_OK;
}

Status FileSystem::RemoveFolder(const QString& path)
{
    if (::rmdir(NativePath::Encode(path).constData()) != 0)
        return SystemError::Last(path);
    return S_OK;
}

Status FileSystem::CreateFolder(const QString& path, const CreationPolicy* policy)
{
    if (::mkdir(NativePath::Encode(path).constData(), CreationPolicy::OrDefault(policy).FolderMode()) != 0)
        return SystemError::Last(path);
    return S_OK;
}

Status FileSystem::List(const QString& path, QList<DirectoryEntry>* entries)
{
    entries->clear();
    const QByteArray native = NativePath::Encode(path);
    DIR* dir = ::opendir(native.constData());
    if (!dir)
        return SystemError::Last(path);
    const int dirFd = ::dirfd(dir);
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        DirectoryEntry item;
        item.name = NativePath::Decode(QByteArray(entry->d_name), &item.validName);
        struct stat st {};
        if (::fstatat(dirFd, entry->d_name, &st, 0) == 0) {
            item.isFolder = S_ISDIR(st.st_mode);
            item.size = item.isFolder ? 0 : static_cast<std::uint64_t>(st.st_size);
            item.writeTime = FileTime::FromTimespec(st.st_mtim);
        } else {
            item.isFolder = entry->d_type == DT_DIR;
        }
        entries->append(item);
        errno = 0;
    }
    const int err = errno;
    ::closedir(dir);
    return err == 0 ? S_OK : SystemError::StatusFromErrno(err, path);
}

bool FileSystem::Exists(const QString& path)
{
    return ::access(NativePath::Encode(path).constData(), F_OK) == 0;
}

Status FileSystem::Info(const QString& path, DirectoryEntry* info)
{
    struct stat st {};
    if (::stat(NativePath::Encode(path).constData(), &st) != 0)
        return SystemError::Last(path);
    info->name = NativePath::LastComponent(path);
    info->isFolder = S_ISDIR(st.st_mode);
    info->size = info->isFolder ? 0 : static_cast<std::uint64_t>(st.st_size);
    info->writeTime = FileTime::FromTimespec(st.st_mtim);
    info->validName = true;
    return S_OK;
}

Status FileSystem::Rename(const QString& from, const QString& to)
{
    if (::rename(NativePath::Encode(from).constData(), NativePath::Encode(to).constData()) != 0)
        return SystemError::Last(to);
    return S_OK;
}

Status FileSystem::Kind(const QString& path, bool* isFolder)
{
    *isFolder = false;
    struct stat st {};
    if (::stat(NativePath::Encode(path).constData(), &st) != 0)
        return SystemError::Last(path);
    *isFolder = S_ISDIR(st.st_mode);
    return S_OK;
}

}  // namespace nbr
