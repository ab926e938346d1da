#include "platform/HostPlaces.h"

#include "platform/NativePath.h"
#include "platform/SystemError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>

namespace nbr {
namespace {

bool IsAtOrUnder(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder + NativePath::kSeparator);
}

}  // namespace

QString HostPlaces::HomeFolder()
{
    return QDir::homePath();
}

QString HostPlaces::DesktopFolder()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (desktop.isEmpty() || !QFileInfo(desktop).isDir())
        return {};
    if (Resolved(desktop) == Resolved(HomeFolder()))
        return {};
    return QDir::cleanPath(desktop);
}

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

QString HostPlaces::Resolved(const QString& path)
{
    return QFileInfo(path).canonicalFilePath();
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

Status HostPlaces::MoveToTrash(const QString& path)
{
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return StatusFromWin32(win32::kFileNotFound);
    QFile file(path);
    if (file.moveToTrash())
        return S_OK;
    // Qt gives no error number; what stops a trash move is nearly always a
    // folder that may not be changed, else a volume without a trash.
    const QFileInfo parent(NativePath::ParentOf(path).isEmpty() ? QStringLiteral("/") : NativePath::ParentOf(path));
    return StatusFromWin32(parent.isWritable() ? win32::kNotSupported : win32::kAccessDenied);
}

}  // namespace nbr
