#include "platform/HostPlaces.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

// The places Qt finds the same way on every system; the volumes and links
// are each system's own (HostPlaces.cpp, HostPlaces_win.cpp).
namespace nbr {

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

QString HostPlaces::Resolved(const QString& path)
{
    return QFileInfo(path).canonicalFilePath();
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
    return StatusFromWin32(QFileInfo(QFileInfo(path).absolutePath()).isWritable() ? win32::kNotSupported
                                                                                    : win32::kAccessDenied);
}

}  // namespace nbr
