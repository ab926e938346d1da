#include "platform/HostPlaces.h"

#include "platform/NativePath.h"
#include "platform/SystemError.h"

#include <QStorageInfo>

namespace nbr {
namespace {

bool IsAtOrUnder(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder + NativePath::kSeparator);
}

}  // namespace

bool HostPlaces::IsUserVolume(const QString& root, const QByteArray& type)
{
    static const QList<QByteArray> kernelTypes {
        "proc",      "sysfs",   "devtmpfs",  "devpts",     "cgroup",  "cgroup2", "securityfs", "debugfs",
        "tracefs",   "pstore",  "bpf",       "mqueue",     "hugetlbfs", "configfs", "fusectl",  "autofs",
        "binfmt_misc", "efivarfs", "squashfs", "nsfs",     "rpc_pipefs", "ramfs", "selinuxfs", "fuse.gvfsd-fuse",
        "fuse.portal", "fuse.snapfuse"};
    if (root.isEmpty() || root == QLatin1String("/") || kernelTypes.contains(type))
        return false;
    for (const char* system : {"/proc", "/sys", "/dev", "/snap", "/var/snap", "/var/lib/snapd", "/var/lib/docker"}) {
        if (IsAtOrUnder(root, QLatin1String(system)))
            return false;
    }
    // The runtime folders hold the system's and the session's own mounts;
    // removable drives are mounted under /run/media on some systems.
    if (IsAtOrUnder(root, QStringLiteral("/run")) && !IsAtOrUnder(root, QStringLiteral("/run/media")))
        return false;
    if (type == "overlay" && root.contains(QLatin1String("snap")))
        return false;
    return true;
}

QString HostPlaces::FileSystemRoot()
{
    return QStringLiteral("/");
}

QList<HostVolume> HostPlaces::UserVolumes()
{
    QList<HostVolume> volumes;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady() || !IsUserVolume(volume.rootPath(), volume.fileSystemType()))
            continue;
        const QString name = volume.name();
        volumes.append({volume.rootPath(), name.isEmpty() ? volume.rootPath() : name});
    }
    return volumes;
}

Status HostPlaces::CopyLink(const QString& link, const QString& copy)
{
    QByteArray target(4096, Qt::Uninitialized);
    const ssize_t length = ::readlink(NativePath::Encode(link).constData(), target.data(), target.size());
    if (length < 0)
        return SystemError::Last(link);
    if (length >= target.size())
        return StatusFromWin32(win32::kFilenameTooLong);
    target.truncate(length);
    if (::symlink(target.constData(), NativePath::Encode(copy).constData()) != 0)
        return SystemError::Last(copy);
    return S_OK;
}

}  // namespace nbr
