#pragma once
// The tree-list control on screen: a tree in the first column, text columns
// beside it, under a header. It owns the TreeListModel that the controllers
// fill and shows it; every change the user asks for goes through the model
// so that its notices (and their vetoes) decide: expanding and collapsing
// call TreeListModel::Expand, and the view's selection becomes the model's
// ordered selection through SelectItem and SetSelected. The view follows the
// model's ExpansionChanged and SelectionStateChanged back.
//
// Rows have one height and no widgets of their own, so a folder of tens of
// thousands of entries scrolls as fast as a short one.

#include "panes/TreeListModel.h"

#include <QIcon>
#include <QPoint>
#include <QTreeView>

#include <vector>

class QItemSelection;

namespace nbr {

class CTreeListCtrl : public QTreeView {
    Q_OBJECT
public:
    explicit CTreeListCtrl(QWidget* parent = nullptr);
    ~CTreeListCtrl() override;

    [[nodiscard]] TreeListModel& Model() { return model_; }
    [[nodiscard]] const TreeListModel& Model() const { return model_; }

    // The item at a point of the viewport, or null.
    [[nodiscard]] CTreeListItem* HitTest(QPoint point) const;
    // Whether `point` (viewport) lies on the expand button of `item`'s row.
    [[nodiscard]] bool IsOnButton(QPoint point, CTreeListItem** item = nullptr) const;

    // The picture of an image index: the icon theme's for the file type,
    // else its generic one, else our own folder or file.
    [[nodiscard]] static QIcon IconFor(int imageIndex);

signals:
    // A double click on an item (after its expansion was toggled); the
    // pane opens files on it.
    void ItemDoubleClicked(nbr::CTreeListItem* item);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Where the last press was (viewport): a drag starts from there.
    [[nodiscard]] QPoint PressPoint() const { return pressPoint_; }

private:
    class ItemDelegate;

    void ApplyColumns();
    void StretchFirstColumn();
    void FollowExpansion(const QModelIndex& index, bool expanded);
    void PushSelection(const QItemSelection& selected, const QItemSelection& deselected);
    void ShowModelSelection();
    [[nodiscard]] std::vector<CTreeListItem*> RowsIn(const QItemSelection& selection) const;

    TreeListModel model_;
    QPoint pressPoint_;
    bool showingSelection_ = false;  // the view is being set from the model
    bool pushingSelection_ = false;  // the model is being set from the view
    bool modelChanging_ = false;     // rows are going: the view's selection follows on its own
    bool sizingColumns_ = false;
};

}  // namespace nbr
