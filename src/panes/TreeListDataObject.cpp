#include "panes/TreeListDataObject.h"

#include <QUrl>

namespace nbr {

TreeListDataObject::TreeListDataObject(const QString& marker) : marker_(marker)
{
    // Only the marker's presence counts.
    setData(marker_, QByteArray());
}

TreeListDataObject::~TreeListDataObject() = default;

void TreeListDataObject::SetFiles(const DropFileList& files)
{
    QList<QUrl> urls;
    for (const QString& path : files.Paths())
        urls.append(QUrl::fromLocalFile(path));
    setUrls(urls);
}

bool TreeListDataObject::RenderStoreFiles() const
{
    switch (rendering_) {
    case Rendering::Done:
        return true;
    case Rendering::Failed:
    case Rendering::Running:
        return false;
    case Rendering::NotAsked:
        break;
    }
    if (storeFiles_.isEmpty()) {
        rendering_ = Rendering::Done;
        return true;
    }
    if (tempFolder_.isEmpty() || !renderer_) {
        rendering_ = Rendering::Failed;
        return false;
    }
    rendering_ = Rendering::Running;
    const bool rendered = renderer_(storeFiles_, tempFolder_);
    rendering_ = rendered ? Rendering::Done : Rendering::Failed;
    return rendered;
}

QVariant TreeListDataObject::retrieveData(const QString& mimeType, QMetaType type) const
{
    if (mimeType != marker_ && !RenderStoreFiles())
        return {};
    return QMimeData::retrieveData(mimeType, type);
}

}  // namespace nbr
