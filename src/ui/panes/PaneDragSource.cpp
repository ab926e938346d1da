#include "ui/panes/PaneDragSource.h"

#include "panes/DropEffect.h"

#include <QDrag>
#include <QMimeData>

namespace nbr {

std::uint32_t PaneDragSource::Run(QObject* source, QMimeData* data, std::uint32_t allowed, const QPixmap& image)
{
    // Qt deletes the drag object itself once its loop is over.
    auto* drag = new QDrag(source);
    drag->setMimeData(data);
    if (!image.isNull())
        drag->setPixmap(image);
    const Qt::DropAction action = drag->exec(DropEffect::ToActions(allowed), Qt::CopyAction);
    return DropEffect::FromActions(action);
}

}  // namespace nbr
