#pragma once
// What a drag from a pane carries: the marker format of the pane it left,
// the file list as text/uri-list, and for a drag from the store the stored
// paths and the host folder they are decrypted into. The list of a store
// drag names files that do not exist yet: they are decrypted only when a
// target asks for the list, so a drag cancelled or released over nothing
// decrypts nothing.
//
// Only Qt Core: the store's controller builds it and hands it to the pane
// that runs the drag.

#include "base/DropFileList.h"

#include <QMimeData>
#include <QString>
#include <QStringList>

#include <functional>

namespace nbr {

class TreeListDataObject final : public QMimeData {
    Q_OBJECT
public:
    // The decryption of the store files into the temporary folder; false
    // when it failed or was cancelled (after telling the user).
    using Renderer = std::function<bool(const QStringList& storeFiles, const QString& tempFolder)>;
    enum class Rendering { NotAsked, Running, Done, Failed };

    // `marker`: mime::kMyComputer or mime::kUsbDevice.
    explicit TreeListDataObject(const QString& marker);
    ~TreeListDataObject() override;

    [[nodiscard]] const QString& Marker() const { return marker_; }
    // The file list a target receives: host paths, or for the store the
    // paths in the temporary folder that the decryption will create.
    void SetFiles(const DropFileList& files);
    void AddStoreFile(const QString& storedPath) { storeFiles_.append(storedPath); }
    void SetTempFolder(const QString& folder) { tempFolder_ = folder; }
    [[nodiscard]] const QStringList& GetStoreFiles() const { return storeFiles_; }
    [[nodiscard]] const QString& TempFolder() const { return tempFolder_; }
    void SetRenderer(Renderer renderer) { renderer_ = std::move(renderer); }

    // Decrypts the store files once; later calls answer as the first did.
    // True without store files (nothing to decrypt); false with an empty
    // temporary folder or no renderer.
    [[nodiscard]] bool RenderStoreFiles() const;
    [[nodiscard]] Rendering RenderState() const { return rendering_; }

protected:
    // Every format but the marker waits for the decryption; when that
    // failed (or is still running, for a second request from inside its
    // progress window) the data is empty, so nothing reaches the target.
    [[nodiscard]] QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    QString marker_;
    QStringList storeFiles_;
    QString tempFolder_;
    Renderer renderer_;
    mutable Rendering rendering_ = Rendering::NotAsked;
};

}  // namespace nbr
