#pragma once
// Facts about the host that the configuration variables are built from. A
// plain value so that tests can state them instead of reading the machine.

#include <QLocale>
#include <QString>

#include <cstdint>

namespace nbr {

struct HostFacts {
    QString programPath;        // full path of the running program file
    std::uint16_t languageId = 1033;  // the user's UI language as a Windows LANGID
    QString appDataFolder;      // the user's application-data folder

    [[nodiscard]] static HostFacts Current();
    [[nodiscard]] static QString RunningProgramPath();
    // The user's language for messages, from LC_ALL, LC_MESSAGES or LANG.
    [[nodiscard]] static QLocale UiLocale();
    // The mount point of the volume that holds `path` (or its nearest existing
    // ancestor), without a trailing separator: "" for the root file system.
    [[nodiscard]] static QString VolumeRootOf(const QString& path);
};

}  // namespace nbr
