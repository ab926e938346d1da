#include "platform/HostPlaces.h"

#include "platform/WinPath.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>

namespace nbr {

bool HostPlaces::IsUserVolume(const QString& root, const QByteArray& /*type*/)
{
    // Drives a person opens: removable, fixed, optical and RAM disks; not
    // network shares nor letters without a medium.
    if (root.isEmpty())
        return false;
    const std::wstring native = QDir::toNativeSeparators(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'))
                                    .toStdWString();
    switch (::GetDriveTypeW(native.c_str())) {
    case DRIVE_REMOVABLE:
    case DRIVE_FIXED:
    case DRIVE_CDROM:
    case DRIVE_RAMDISK:
        return true;
    default:
        return false;
    }
}

QString HostPlaces::FileSystemRoot()
{
    return {};
}

QList<HostVolume> HostPlaces::UserVolumes()
{
    QList<HostVolume> volumes;
    const DWORD letters = ::GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(letters & (1u << i)))
            continue;
        const QString root = QString(QChar(u'A' + i)) + QStringLiteral(":/");
        if (!IsUserVolume(root, {}))
            continue;
        wchar_t label[MAX_PATH + 1] = {};
        const std::wstring native = QDir::toNativeSeparators(root).toStdWString();
        // A drive without a medium answers false: it is not offered.
        if (!::GetVolumeInformationW(native.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0))
            continue;
        const QString name = QString::fromWCharArray(label);
        volumes.append({root, name.isEmpty() ? root.left(2) : name + QStringLiteral(" (") + root.left(2) + u')'});
    }
    return volumes;
}

Status HostPlaces::CopyLink(const QString& link, const QString& copy)
{
    const QString target = QFileInfo(link).symLinkTarget();
    if (target.isEmpty())
        return StatusFromWin32(win32::kFileNotFound);
    DWORD flags = SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
    if (QFileInfo(target).isDir())
        flags |= SYMBOLIC_LINK_FLAG_DIRECTORY;
    if (!::CreateSymbolicLinkW(WinPath::Of(copy).c_str(), WinPath::Of(target).c_str(), flags))
        return WinPath::LastStatus();
    return S_OK;
}

}  // namespace nbr
