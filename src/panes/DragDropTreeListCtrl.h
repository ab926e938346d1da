#pragma once
// A stand-in for the panes' tree-list control until the drawn control lands:
// the same calls, a plain tree view.
#include "app/TreeListModel.h"
#include <QTreeView>
namespace nbr {
class TreeController;
class TreeStatusPanel;
class DragDropTreeListCtrl : public QTreeView, public ITreeListNotify {
    Q_OBJECT
public:
    explicit DragDropTreeListCtrl(QWidget* parent = nullptr);
    TreeListModel& Model() { return model_; }
    void SetController(TreeController* controller, TreeStatusPanel* panel);
    CTreeListItem* HitTest(const QPoint& point) const;
    bool SelectionChanging(CTreeListItem*) override { return true; }
    void SelectionChanged(CTreeListItem* item, int column) override;
    bool ItemExpanding(CTreeListItem* item) override;
    void ItemExpanded(CTreeListItem*) override {}
    void DeleteItem(CTreeListItem* item) override;
signals:
    void StatusTextChanged(const QString& text);
    void ItemDoubleClicked(CTreeListItem* item);
private:
    TreeListModel model_;
    TreeController* controller_ = nullptr;
    TreeStatusPanel* panel_ = nullptr;
};
}
