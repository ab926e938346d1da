#pragma once
// The formats that file lists travel in between the panes, the clipboard
// and other programs: plain file lists as text/uri-list (with the form file
// managers paste from), the store's own list of stored paths, and the
// markers that tell a drag's source pane.

#include "base/DropFileList.h"

#include <QString>
#include <QStringList>

class QMimeData;

namespace nbr {

namespace mime {
inline constexpr char kUriList[] = "text/uri-list";
inline constexpr char kCopiedFiles[] = "x-special/gnome-copied-files";
inline constexpr char kMyComputer[] = "application/x-nbr-mycomputer";
inline constexpr char kUsbDevice[] = "application/x-nbr-usbdevice";
}  // namespace mime

class PaneMimeData {
public:
    // Host paths as a file list any program takes; the caller owns the result.
    [[nodiscard]] static QMimeData* ForHostFiles(const DropFileList& files);
    // Stored paths under the store's own format.
    [[nodiscard]] static QMimeData* ForStoreFiles(const DropFileList& files);

    [[nodiscard]] static bool HasFileList(const QMimeData* data);
    [[nodiscard]] static bool HasStoreList(const QMimeData* data);

    // The local files of a text/uri-list, in order; every entry that is not
    // a local file (a remote place, text that is no URL) lands in `others`.
    [[nodiscard]] static DropFileList LocalFiles(const QMimeData* data, QStringList* others = nullptr);
    // The stored paths of the store's format; empty when it is missing or
    // malformed.
    [[nodiscard]] static DropFileList StoreFiles(const QMimeData* data);
};

}  // namespace nbr
