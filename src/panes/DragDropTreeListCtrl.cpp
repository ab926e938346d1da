#include "panes/DragDropTreeListCtrl.h"
#include "app/TreeController.h"
namespace nbr {
DragDropTreeListCtrl::DragDropTreeListCtrl(QWidget* parent) : QTreeView(parent)
{
    model_.SetNotify(this);
    setModel(&model_);
    connect(this, &QTreeView::doubleClicked, this, [this](const QModelIndex& i) { emit ItemDoubleClicked(model_.ItemAt(i)); });
}
void DragDropTreeListCtrl::SetController(TreeController* c, TreeStatusPanel* p) { controller_ = c; panel_ = p; }
CTreeListItem* DragDropTreeListCtrl::HitTest(const QPoint& point) const { return model_.ItemAt(indexAt(point)); }
void DragDropTreeListCtrl::SelectionChanged(CTreeListItem* item, int) { emit StatusTextChanged(item ? item->Text(0) : QString()); }
bool DragDropTreeListCtrl::ItemExpanding(CTreeListItem* item)
{
    int status = 0;
    if (controller_) (void)controller_->PopulateChildren(model_, item, &status);
    return true;
}
void DragDropTreeListCtrl::DeleteItem(CTreeListItem* item) { if (controller_) controller_->ReleaseItemData(item); }
}
