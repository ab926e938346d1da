#include "platform/UndecodableNames.h"

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

constexpr std::size_t kZeroPiece = 1 << 20;

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

// Zeros over the whole file, on the device before the name goes: deleting
// first would leave the plaintext in free space.
bool ZeroFile(int folder, const char* name)
{
    const int fd = ::openat(folder, name, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    const std::vector<char> zeros(std::min<std::size_t>(static_cast<std::size_t>(ok ? st.st_size : 0), kZeroPiece), 0);
    off_t done = 0;
    while (ok && done < st.st_size) {
        const auto piece = static_cast<std::size_t>(std::min<off_t>(st.st_size - done, static_cast<off_t>(kZeroPiece)));
        const ssize_t n = ::pwrite(fd, zeros.data(), piece, done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += ok ? n : 0;
    }
    ok = ok && ::fdatasync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

bool MakeWritable(int folder, const char* name)
{
    const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::fchmod(fd, (st.st_mode & 07777) | S_IWUSR) == 0;
    ::close(fd);
    return ok;
}

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
        bool zeroed = !S_ISREG(st.st_mode) || ZeroFile(folder, name.constData());
        if (!zeroed && errno == EACCES && MakeWritable(folder, name.constData()))
            zeroed = ZeroFile(folder, name.constData());
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
