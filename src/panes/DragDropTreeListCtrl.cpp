#include "panes/DragDropTreeListCtrl.h"

#include "app/MessageIds.h"
#include "app/TreeController.h"
#include "controls/Theme.h"

namespace nbr {

DragDropTreeListCtrl::DragDropTreeListCtrl(QWidget* parent) : CTreeListCtrl(parent)
{
    Model().SetNotify(this);
    setDragEnabled(true);
}

DragDropTreeListCtrl::~DragDropTreeListCtrl()
{
    Model().DeleteItem(TLI_ROOT);
    // What is left of the control must not call back into this part of it.
    Model().SetNotify(nullptr);
}

void DragDropTreeListCtrl::SetController(TreeController* controller, TreeStatusPanel* panel)
{
    controller_ = controller;
    panel_ = panel;
    if (controller && accessibleName().isEmpty())
        setAccessibleName(Theme::Instance().Text(controller->IsStoreSide() ? msg::kPaneStore : msg::kPaneHost));
}

QString DragDropTreeListCtrl::StatusTextFor(CTreeListItem* item)
{
    if (!item)
        return {};
    if (!item->Data() || !controller_ || controller_->IsContainer(Model(), item))
        return item->Text(0);
    const CTreeListItem* parent = Model().NextItem(item, TreeNext::Parent);
    return parent ? parent->Text(0) : QString();
}

bool DragDropTreeListCtrl::SelectionChanging(CTreeListItem* /*item*/)
{
    return true;
}

void DragDropTreeListCtrl::SelectionChanged(CTreeListItem* item, int /*column*/)
{
    emit StatusTextChanged(StatusTextFor(item));
}

bool DragDropTreeListCtrl::ItemExpanding(CTreeListItem* item)
{
    // Told before collapsing too: only an opening folder is listed.
    if (!controller_ || (item->State() & tls::kExpanded))
        return true;
    int status = 0;
    (void)controller_->PopulateChildren(Model(), item, &status);
    // A folder with nothing in it, or one that could not be read, loses its
    // button rather than opening onto nothing; a refresh lists it again.
    if (item->Children().empty())
        Model().SetItemState(item, tls::kChildrenLoaded);
    return true;
}

void DragDropTreeListCtrl::ItemExpanded(CTreeListItem* /*item*/)
{
}

void DragDropTreeListCtrl::DeleteItem(CTreeListItem* item)
{
    if (controller_)
        controller_->ReleaseItemData(item);
}

void DragDropTreeListCtrl::startDrag(Qt::DropActions /*supportedActions*/)
{
    if (!controller_)
        return;
    CTreeListItem* item = HitTest(PressPoint());
    if (!item)
        item = Model().ItemAt(currentIndex());
    if (!item)
        return;
    // The controller runs the whole drag; its failure is its own to report.
    int status = 0;
    (void)controller_->BeginDrag(Model(), item, PressPoint(), &status);
}

}  // namespace nbr
