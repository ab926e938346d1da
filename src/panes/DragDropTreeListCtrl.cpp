#include "panes/DragDropTreeListCtrl.h"

#include "app/MessageIds.h"
#include "app/TreeController.h"
#include "controls/Theme.h"
#include "panes/TreeListDropTarget.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QPointer>
#include <QTimer>

namespace nbr {

DragDropTreeListCtrl::DragDropTreeListCtrl(QWidget* parent) : CTreeListCtrl(parent)
{
    Model().SetNotify(this);
    setDragEnabled(true);
    connect(&Model(), &TreeListModel::DropTargetChanged, this, &DragDropTreeListCtrl::FollowDropTarget);
}

DragDropTreeListCtrl::~DragDropTreeListCtrl()
{
    // The rules may be gone with their controller; only the switch goes.
    if (dropTarget_)
        viewport()->setAcceptDrops(false);
    dropTarget_.reset();
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

void DragDropTreeListCtrl::FollowDropTarget()
{
    // Called while the old rules still live (the controller lets go of the
    // model first): a drag over the pane is forgotten with them.
    if (dropTarget_)
        dropTarget_->Detach();
    dropTarget_.reset();
    PaneDropTarget* rules = Model().DropTarget();
    if (!rules)
        return;
    // Drags reach the viewport, in its coordinates, as hit tests take them.
    dropTarget_ = std::make_unique<TreeListDropTarget>(
        viewport(), *rules, [this](const QPoint& at) { return HitTest(at); },
        [this](const QStringList& items) { ReportNotLocal(items); });
    dropTarget_->Attach();
}

void DragDropTreeListCtrl::ReportNotLocal(const QStringList& items)
{
    // Told once the drop has ended, so that the program that dragged is not
    // kept waiting for its answer while the message is open.
    QTimer::singleShot(0, this, [self = QPointer<DragDropTreeListCtrl>(this), items] {
        if (self && self->controller_)
            self->controller_->ReportNotLocalFiles(items);
    });
}

void DragDropTreeListCtrl::dragEnterEvent(QDragEnterEvent* event)
{
    if (dropTarget_)
        dropTarget_->DragEnter(event);
    else
        event->ignore();
}

void DragDropTreeListCtrl::dragMoveEvent(QDragMoveEvent* event)
{
    if (!dropTarget_) {
        event->ignore();
        return;
    }
    dropTarget_->DragMove(event);
    // Near the top or bottom edge the list scrolls, so that a folder out of
    // sight can be reached without letting go.
    const int y = event->position().toPoint().y();
    if (hasAutoScroll() && (y < autoScrollMargin() || y > viewport()->height() - autoScrollMargin()))
        startAutoScroll();
}

void DragDropTreeListCtrl::dragLeaveEvent(QDragLeaveEvent* event)
{
    if (dropTarget_)
        dropTarget_->DragLeave(event);
    else
        event->ignore();
}

void DragDropTreeListCtrl::dropEvent(QDropEvent* event)
{
    if (dropTarget_)
        dropTarget_->Drop(event);
    else
        event->ignore();
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
