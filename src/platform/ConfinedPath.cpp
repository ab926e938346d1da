#include "platform/ConfinedPath.h"

#include "platform/NativePath.h"
#include "platform/SystemError.h"

#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nbr {
namespace {

// Steps into `name` below `dir` without following a link; ELOOP for a link.
int StepInto(int dir, const QByteArray& name, int* error)
{
    int fd;
    do {
        fd = ::openat(dir, name.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0)
        return fd;
    *error = errno;
    struct stat st {};
    if (::fstatat(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
        *error = ELOOP;
    return -1;
}

// The folder a walk on this thread reached last, while a Reuse lives.
struct ReusedFolder {
    int scopes = 0;
    QString path;  // cleaned
    int fd = -1;

    void Forget()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        path.clear();
    }
};
thread_local ReusedFolder t_reused;

// A folder removed since it was kept has no links left: walk again.
bool StillThere(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 && st.st_nlink > 0;
}

}  // namespace

ConfinedPath::Reuse::Reuse()
{
    ++t_reused.scopes;
}

ConfinedPath::Reuse::~Reuse()
{
    if (--t_reused.scopes == 0)
        t_reused.Forget();
}

ConfinedPath::ConfinedPath(const QString& path) : dir_(AT_FDCWD)
{
    const QString clean = Clean(path);
    const QString folder = FolderOf(clean);
    if (folder.isEmpty()) {
        name_ = NativePath::Encode(path);
        return;
    }
    confined_ = true;
    const qsizetype last = clean.lastIndexOf(NativePath::kSeparator);
    const QString parent = clean.left(last);
    if (t_reused.scopes > 0 && t_reused.fd >= 0 && last >= folder.size() && t_reused.path == parent) {
        if (StillThere(t_reused.fd)) {
            dir_ = t_reused.fd;
            ownsDir_ = false;
            name_ = NativePath::Encode(clean.mid(last + 1));
            return;
        }
        t_reused.Forget();
    }
    // The confined folder's own name is the first step that must not be a link.
    const qsizetype cut = folder.lastIndexOf(NativePath::kSeparator);
    const QString anchor = cut <= 0 ? QStringLiteral("/") : folder.left(cut);
    const QStringList steps = clean.mid(cut + 1).split(NativePath::kSeparator, Qt::SkipEmptyParts);
    do {
        dir_ = ::open(NativePath::Encode(anchor).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    } while (dir_ < 0 && errno == EINTR);
    if (dir_ < 0) {
        error_ = errno;
        dir_ = AT_FDCWD;
        return;
    }
    for (qsizetype i = 0; i + 1 < steps.size(); ++i) {
        const int next = StepInto(dir_, NativePath::Encode(steps.at(i)), &error_);
        ::close(dir_);
        dir_ = next;
        if (next < 0) {
            dir_ = AT_FDCWD;
            return;
        }
    }
    name_ = NativePath::Encode(steps.isEmpty() ? QString() : steps.last());
    if (name_.isEmpty())
        error_ = EINVAL;
    if (t_reused.scopes > 0 && error_ == 0 && last >= folder.size()) {
        const int kept = ::fcntl(dir_, F_DUPFD_CLOEXEC, 0);
        if (kept >= 0) {
            t_reused.Forget();
            t_reused.fd = kept;
            t_reused.path = parent;
        }
    }
}

ConfinedPath::~ConfinedPath()
{
    if (dir_ >= 0 && ownsDir_)
        ::close(dir_);
}

int ConfinedPath::NoFollowFlag() const
{
    return confined_ ? O_NOFOLLOW : 0;
}

int ConfinedPath::NoFollowAtFlag() const
{
    return confined_ ? AT_SYMLINK_NOFOLLOW : 0;
}

Status ConfinedPath::Failure(int err, const QString& path) const
{
    if (confined_ && (err == ELOOP || err == ENOTDIR || err == EMLINK)) {
        struct stat st {};
        if (err == ELOOP
            || (dir_ != AT_FDCWD && ::fstatat(dir_, name_.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)))
            return StatusFromWin32(win32::kStoppedOnSymlink);
    }
    return SystemError::StatusFromErrno(err == 0 ? EIO : err, path);
}

}  // namespace nbr
