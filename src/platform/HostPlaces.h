#pragma once
// The host computer as the host pane shows it: the user's folders, the
// mounted volumes a person works with (not the kernel's own file systems),
// a quick look into a folder, and the trash.

#include "platform/Status.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace nbr {

struct HostVolume {
    QString root;   // where it is mounted
    QString label;  // its name, or the mount point when it has none
};

class HostPlaces {
public:
    [[nodiscard]] static QString HomeFolder();
    // The user's desktop folder; empty when there is none or it is Home.
    [[nodiscard]] static QString DesktopFolder();
    // The mounted volumes a person would open, the root of the file system
    // left out (it is a place of its own).
    [[nodiscard]] static QList<HostVolume> UserVolumes();
    // The top of the one tree every file hangs in ("/"); empty on Windows,
    // whose drives are all among the volumes.
    [[nodiscard]] static QString FileSystemRoot();
    // Whether a volume of file-system `type` mounted at `root` is one of
    // those: the kernel's pseudo file systems, snaps and the runtime folders
    // are not.
    [[nodiscard]] static bool IsUserVolume(const QString& root, const QByteArray& type);
    // The path with every link resolved; empty when it does not exist.
    [[nodiscard]] static QString Resolved(const QString& path);
    // Makes `copy` a symbolic link with the same target text as `link`.
    [[nodiscard]] static Status CopyLink(const QString& link, const QString& copy);
    // Moves a file or folder to the desktop's trash.
    [[nodiscard]] static Status MoveToTrash(const QString& path);
};

}  // namespace nbr
