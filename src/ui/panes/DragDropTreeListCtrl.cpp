#include "ui/panes/DragDropTreeListCtrl.h"

#include "base/MessageIds.h"
#include "panes/TreeController.h"
#include "ui/controls/Theme.h"
#include "ui/controls/WaitCursor.h"
#include "ui/panes/TreeListDropTarget.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QScrollBar>
#include <QTimer>

namespace nbr {

DragDropTreeListCtrl::DragDropTreeListCtrl(QWidget* parent) : CTreeListCtrl(parent)
{
    Model().SetNotify(this);
    setDragEnabled(true);
    connect(&Model(), &TreeListModel::DropTargetChanged, this, &DragDropTreeListCtrl::FollowDropTarget);
    // A drag resting near the top or bottom edge scrolls the list, so that
    // a folder out of sight can be reached without letting go.
    dragScroll_.setInterval(kDragScrollMs);
    connect(&dragScroll_, &QTimer::timeout, this, &DragDropTreeListCtrl::DragScroll);
    readingPoll_.setInterval(100);
    connect(&readingPoll_, &QTimer::timeout, this, [this] {
        if (controller_ && controller_->Reading())
            return;
        readingPoll_.stop();
        viewport()->unsetCursor();
    });
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
    {
        const WaitCursor busy;
        (void)controller_->PopulateChildren(Model(), item, &status);
    }
    // A folder with nothing in it, or one that could not be read, loses its
    // button rather than opening onto nothing; a refresh lists it again.
    if (item->Children().empty())
        Model().SetItemState(item, tls::kChildrenLoaded);
    if (controller_->Reading() && !readingPoll_.isActive()) {
        viewport()->setCursor(Qt::BusyCursor);
        readingPoll_.start();
    }
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
    dragScroll_.stop();
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
    QTimer::singleShot(0, this, [this, items] {
        if (controller_)
            controller_->ReportNotLocalFiles(items);
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
    dragScrollY_ = event->position().toPoint().y();
    if (DragScrollStep() != 0 && !dragScroll_.isActive())
        dragScroll_.start();
}

int DragDropTreeListCtrl::DragScrollStep() const
{
    if (dragScrollY_ < kDragScrollMargin)
        return -1;
    if (dragScrollY_ >= viewport()->height() - kDragScrollMargin)
        return 1;
    return 0;
}

void DragDropTreeListCtrl::DragScroll()
{
    QScrollBar* bar = verticalScrollBar();
    const int before = bar->value();
    bar->setValue(before + DragScrollStep() * bar->singleStep());
    // At either end, or away from the edges: the list rests.
    if (bar->value() == before)
        dragScroll_.stop();
}

void DragDropTreeListCtrl::dragLeaveEvent(QDragLeaveEvent* event)
{
    dragScroll_.stop();
    if (dropTarget_)
        dropTarget_->DragLeave(event);
    else
        event->ignore();
}

void DragDropTreeListCtrl::dropEvent(QDropEvent* event)
{
    dragScroll_.stop();
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
