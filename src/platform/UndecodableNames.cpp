#include "platform/UndecodableNames.h"

#include "platform/FileWipe.h"
#include "platform/NativePath.h"
#include "platform/SystemError.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace nbr {
namespace {

struct Walk {
    bool wipe = false;
    QStringList* shown = nullptr;
    int firstError = 0;

    void Fail(int err)
    {
        if (firstError == 0)
            firstError = err != 0 ? err : EIO;
    }
};

void WalkFolder(int folder, const QString& shownFolder, bool inside, Walk* walk)
{
    const int listing = ::dup(folder);
    DIR* dir = listing < 0 ? nullptr : ::fdopendir(listing);
    if (!dir) {
        if (listing >= 0)
            ::close(listing);
        walk->Fail(errno);
        return;
    }
    // Names first: removing entries while reading the folder may skip some.
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    }
    ::closedir(dir);

    for (const QByteArray& name : names) {
        bool faithful = true;
        const QString shownName = NativePath::Decode(name, &faithful);
        const QString shown = shownFolder.isEmpty() ? shownName : NativePath::Join(shownFolder, shownName);
        const bool lost = inside || !faithful;
        struct stat st {};
        if (::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (lost)
                walk->Fail(errno);
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            const int sub = ::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0) {
                walk->Fail(errno);
                continue;
            }
            WalkFolder(sub, shown, lost, walk);
            ::close(sub);
            if (lost && walk->wipe && ::unlinkat(folder, name.constData(), AT_REMOVEDIR) != 0)
                walk->Fail(errno);
            continue;
        }
        if (!lost)
            continue;
        if (!walk->wipe) {
            *walk->shown << shown;
            continue;
        }
        // Only a regular file holds data; a link or a device node is removed as it is.
        // Deleting first would leave the plaintext in free space.
        const bool zeroed = !S_ISREG(st.st_mode) || FileWipe::ZeroAt(folder, name.constData());
        if (!zeroed) {
            walk->Fail(errno);
            continue;  // deleting it unwiped would leave the plaintext on the device
        }
        if (::unlinkat(folder, name.constData(), 0) != 0) {
            walk->Fail(errno);
            continue;
        }
        *walk->shown << shown;
    }
}

Status Run(const QString& folder, bool wipe, QStringList* shown)
{
    shown->clear();
    const int fd = ::open(NativePath::Encode(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return SystemError::Last(folder);
    Walk walk;
    walk.wipe = wipe;
    walk.shown = shown;
    WalkFolder(fd, QString(), false, &walk);
    ::close(fd);
    return walk.firstError == 0 ? S_OK : SystemError::StatusFromErrno(walk.firstError, folder);
}

}  // namespace

Status UndecodableNames::List(const QString& folder, QStringList* shown)
{
    return Run(folder, false, shown);
}

Status UndecodableNames::WipeAll(const QString& folder, QStringList* shown)
{
    return Run(folder, true, shown);
}

}  // namespace nbr
