#pragma once
// The tree-list control of a file pane: it turns the control's notices into
// calls of the pane's TreeController (listing a folder as it opens, freeing
// an item's data as it goes, starting a drag) and tells the pane's caption
// strip which folder the selection is in. The caption strip is the view's:
// the control only stores it and announces the text through
// StatusTextChanged.
//
// Drops go to the drop rules that the controller attached to the model
// (TreeListModel::DropTarget): while there are some, the control takes
// drags and hands them their events; without, it takes none.

#include "ui/controls/CTreeListCtrl.h"

#include <QTimer>

#include <memory>

namespace nbr {

class TreeController;
class TreeListDropTarget;
class TreeStatusPanel;

class DragDropTreeListCtrl : public CTreeListCtrl, public ITreeListNotify {
    Q_OBJECT
public:
    explicit DragDropTreeListCtrl(QWidget* parent = nullptr);
    // Deletes every item through the model while the controller is still
    // there, so that it frees each item's data.
    ~DragDropTreeListCtrl() override;

    void SetController(TreeController* controller, TreeStatusPanel* panel);
    [[nodiscard]] TreeController* Controller() const { return controller_; }
    [[nodiscard]] TreeStatusPanel* StatusPanel() const { return panel_; }

    // The caption text for a newly selected item: a folder (or an item
    // without data) names itself, anything else names the folder it is in
    // (nothing at the top level).
    [[nodiscard]] QString StatusTextFor(CTreeListItem* item);

    bool SelectionChanging(CTreeListItem* item) override;
    void SelectionChanged(CTreeListItem* item, int column) override;
    bool ItemExpanding(CTreeListItem* item) override;
    void ItemExpanded(CTreeListItem* item) override;
    void DeleteItem(CTreeListItem* item) override;

signals:
    void StatusTextChanged(const QString& text);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Takes the model's current drop rules (or lets go of the old ones).
    void FollowDropTarget();
    void ReportNotLocal(const QStringList& items);
    // -1 (up), 1 (down) or 0: where a drag at dragScrollY_ scrolls the list.
    [[nodiscard]] int DragScrollStep() const;
    void DragScroll();

    static constexpr int kDragScrollMargin = 16;
    static constexpr int kDragScrollMs = 60;

    TreeController* controller_ = nullptr;
    TreeStatusPanel* panel_ = nullptr;
    std::unique_ptr<TreeListDropTarget> dropTarget_;
    QTimer dragScroll_;
    // While a folder's read goes on after it opened: the busy cursor over
    // the rows, taken away once the read has ended.
    QTimer readingPoll_;
    int dragScrollY_ = 0;
};

}  // namespace nbr
