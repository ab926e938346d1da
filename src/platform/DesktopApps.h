#pragma once
// The program the desktop associates with a file: its MIME type, the default
// application from the freedesktop "mimeapps.list" files, and that
// application's command line from its desktop entry.

#include <QList>
#include <QString>
#include <QStringList>

namespace nbr {

// A program of the desktop that can open a kind of file.
struct DesktopProgram {
    QString id;    // its desktop entry, "name.desktop"
    QString name;  // as the desktop's menus show it
};

class DesktopApps {
public:
    // The programs whose desktop entries open `file`'s MIME type (or one it
    // derives from), the default first, then by name; hidden entries left out.
    [[nodiscard]] static QList<DesktopProgram> ProgramsFor(const QString& file);
    // The command (program first) with which the program `id` opens `file`;
    // empty when the entry has no command.
    [[nodiscard]] static QStringList CommandWith(const QString& id, const QString& file);
    // The command (program first) that opens `file`; empty when none is set.
    [[nodiscard]] static QStringList CommandFor(const QString& file);
    // The system's generic opener with `file` (program first), for when no
    // program is set; empty when the system has none.
    [[nodiscard]] static QStringList LastResortCommand(const QString& file);
    // The desktop entry id of the default application for a MIME type.
    [[nodiscard]] static QString DefaultApplication(const QString& mimeType);
    // The Exec line of a desktop entry turned into arguments for `file`.
    [[nodiscard]] static QStringList ExpandExec(const QString& exec, const QString& file);
    [[nodiscard]] static QString DesktopEntryPath(const QString& id);
};

}  // namespace nbr
