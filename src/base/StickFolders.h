#pragma once
// The folders Nimbra keeps on its volume: the store (with the key file in it)
// and the launch folder for opened copies. Both are confined: no path
// operation inside them follows a symbolic link, since the stick may carry
// links that lead into the host's own files.

#include <QString>

namespace nbr {

class StickFolders {
public:
    // `volumeRoot` empty: the root file system.
    [[nodiscard]] static QString Store(const QString& volumeRoot);
    [[nodiscard]] static QString Launch(const QString& volumeRoot);
    // Confines both folders of the volume (they need not exist yet).
    static void Confine(const QString& volumeRoot);
};

}  // namespace nbr
