#pragma once
// The decryption that a drag out of the store runs when its target asks for
// the file list: the dragged stored files and folders are decrypted into
// the drag's temporary folder behind a progress window, before the target
// receives the list. The store controller hands this to the drag's data
// object (TreeListDataObject::SetRenderer).

#include <QString>
#include <QStringList>

namespace nbr {

class EncryptedStore;
struct PaneServices;

class StoreDragRender {
public:
    // True when every file is in the folder. A failure shows its text and
    // answers false, as does a cancel: the target then receives nothing.
    [[nodiscard]] static bool Run(const PaneServices& services, EncryptedStore& store, const QStringList& storeFiles,
                                  const QString& tempFolder);
};

}  // namespace nbr
