#include "panes/PaneDropTarget.h"

#include "panes/DropEffect.h"
#include "panes/PaneMimeData.h"
#include "panes/TreeController.h"
#include "panes/TreeListModel.h"

#include <QMimeData>

#include <vector>

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
    std::optional<TakenDrop> taken = Take(data, hit, keys, allowed, notLocal);
    return taken ? Run(std::move(*taken), told) : S_OK;
}

std::optional<TakenDrop> PaneDropTarget::Take(const QMimeData* data, CTreeListItem* hit, Qt::KeyboardModifiers keys,
                                              std::uint32_t allowed, QStringList* notLocal)
{
    const bool accepted = accepting_ && Accepts(data, ownMarker_);
    const std::uint32_t effect = accepted ? DropEffect::Choose(keys, allowed) : drop::kNone;
    accepting_ = false;
    ClearMarks();
    if (effect == drop::kNone)
        return std::nullopt;
    // Reading the list is what makes a store drag decrypt its files; a
    // failed decryption leaves it empty and nothing is dropped.
    TakenDrop taken {PaneMimeData::LocalFiles(data, notLocal), DropTargetOf(hit), effect, CarriesOurMarker(data)};
    if (taken.files.Paths().isEmpty())
        return std::nullopt;
    return taken;
}

Status PaneDropTarget::Run(TakenDrop drop, std::uint32_t* told)
{
    if (told)
        *told = drop::kNone;
    CTreeListItem* target = drop.target;
    if (!HoldsItem(target))
        return E_INVALIDARG;
    controller_.SetBusy(1);
    const Status s = controller_.DropFiles(ctrl_, drop.files, &target, drop.effect);
    int status = 0;
    (void)controller_.RefreshItem(ctrl_, target, &status);
    controller_.SetBusy(0);
    if (told && Succeeded(s))
        *told = DropEffect::Reported(drop.effect, drop.fromOurPane);
    return s;
}

bool PaneDropTarget::HoldsItem(const CTreeListItem* item) const
{
    if (!item || item == TLI_ROOT)
        return true;
    // A refresh between the drop and its run may have replaced the items:
    // the pointer is only compared, never followed, until it is found.
    std::vector<const CTreeListItem*> pending {ctrl_.RootItem()};
    while (!pending.empty()) {
        const CTreeListItem* folder = pending.back();
        pending.pop_back();
        for (const CTreeListItem* child : folder->Children()) {
            if (child == item)
                return true;
            pending.push_back(child);
        }
    }
    return false;
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
