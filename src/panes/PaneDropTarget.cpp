#include "panes/PaneDropTarget.h"

#include "panes/DropEffect.h"
#include "panes/PaneMimeData.h"
#include "panes/TreeController.h"
#include "panes/TreeListModel.h"

#include <QMimeData>

namespace nbr {

PaneDropTarget::PaneDropTarget(TreeController& controller, TreeListModel& ctrl, QString ownMarker,
                               DragHoverTimer::Clock clock)
    : controller_(controller), ctrl_(ctrl), ownMarker_(std::move(ownMarker)), hover_(std::move(clock))
{
}

bool PaneDropTarget::Accepts(const QMimeData* data, const QString& ownMarker)
{
    return PaneMimeData::HasFileList(data) && !data->hasFormat(ownMarker);
}

namespace {

bool CarriesOurMarker(const QMimeData* data)
{
    return data->hasFormat(QString::fromLatin1(mime::kMyComputer))
           || data->hasFormat(QString::fromLatin1(mime::kUsbDevice));
}

}  // namespace

std::uint32_t PaneDropTarget::Enter(const QMimeData* data, Qt::KeyboardModifiers keys, std::uint32_t allowed)
{
    // A pane in the middle of a transfer takes no other: a second run from
    // inside the first one's progress window would interleave with it.
    accepting_ = Accepts(data, ownMarker_) && !controller_.IsBusy();
    fromOurPane_ = accepting_ && CarriesOurMarker(data);
    return accepting_ ? DropEffect::Choose(keys, allowed) : drop::kNone;
}

std::uint32_t PaneDropTarget::Over(CTreeListItem* hit, Qt::KeyboardModifiers keys, std::uint32_t allowed)
{
    if (!accepting_)
        return drop::kNone;
    if (ctrl_.DropHighlight() != hit)
        ctrl_.SetDropHighlight(hit);
    if (ctrl_.TargetItem() != hit)
        ctrl_.SetTargetItem(hit);
    hover_.Hover(hit);
    return DropEffect::Choose(keys, allowed);
}

void PaneDropTarget::Leave()
{
    accepting_ = false;
    ClearMarks();
}

bool PaneDropTarget::CheckHover()
{
    if (!accepting_ || !hover_.TakeDue())
        return false;
    // The model forgets a deleted item, so the marked item is never stale.
    CTreeListItem* item = ctrl_.TargetItem();
    if (!item || (item->State() & tls::kLeaf) || !controller_.IsContainer(ctrl_, item))
        return false;
    ctrl_.Expand(item, TreeExpand::Expand);
    return (item->State() & tls::kExpanded) != 0;
}

CTreeListItem* PaneDropTarget::DropTargetOf(CTreeListItem* hit)
{
    if (!hit || hit == TLI_ROOT)
        return TLI_ROOT;
    if (controller_.IsContainer(ctrl_, hit))
        return hit;
    return hit->Parent() && hit->Parent() != ctrl_.RootItem() ? hit->Parent() : TLI_ROOT;
}

Status PaneDropTarget::Drop(const QMimeData* data, CTreeListItem* hit, Qt::KeyboardModifiers keys,
                            std::uint32_t allowed, std::uint32_t* told, QStringList* notLocal)
{
    if (told)
        *told = drop::kNone;
    const bool accepted = accepting_ && Accepts(data, ownMarker_);
    const std::uint32_t effect = accepted ? DropEffect::Choose(keys, allowed) : drop::kNone;
    accepting_ = false;
    ClearMarks();
    if (effect == drop::kNone)
        return S_OK;
    // Reading the list is what makes a store drag decrypt its files; a
    // failed decryption leaves it empty and nothing is dropped.
    const DropFileList files = PaneMimeData::LocalFiles(data, notLocal);
    if (files.Paths().isEmpty())
        return S_OK;
    const bool fromOurPane = CarriesOurMarker(data);
    CTreeListItem* target = DropTargetOf(hit);
    controller_.SetBusy(1);
    const Status s = controller_.DropFiles(ctrl_, files, &target, effect);
    int status = 0;
    (void)controller_.RefreshItem(ctrl_, target, &status);
    controller_.SetBusy(0);
    if (told && Succeeded(s))
        *told = DropEffect::Reported(effect, fromOurPane);
    return s;
}

void PaneDropTarget::ClearMarks()
{
    hover_.Stop();
    if (ctrl_.DropHighlight())
        ctrl_.SetDropHighlight(nullptr);
    if (ctrl_.TargetItem())
        ctrl_.SetTargetItem(nullptr);
}

}  // namespace nbr
