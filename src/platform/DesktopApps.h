#pragma once
// The program the desktop associates with a file: its MIME type, the default
// application from the freedesktop "mimeapps.list" files, and that
// application's command line from its desktop entry.

#include <QString>
#include <QStringList>

namespace nbr {

class DesktopApps {
public:
    // The command (program first) that opens `file`; empty when none is set.
    [[nodiscard]] static QStringList CommandFor(const QString& file);
    // The desktop entry id of the default application for a MIME type.
    [[nodiscard]] static QString DefaultApplication(const QString& mimeType);
    // The Exec line of a desktop entry turned into arguments for `file`.
    [[nodiscard]] static QStringList ExpandExec(const QString& exec, const QString& file);
    [[nodiscard]] static QString DesktopEntryPath(const QString& id);
};

}  // namespace nbr
