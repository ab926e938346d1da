#pragma once
// The tree-list control's items, columns, selection and notifications,
// without a window: a Qt item model that the drawn control (CTreeListCtrl)
// shows and that the pane controllers fill and query. Controllers and their
// tests work on this model alone; everything on screen is the control's.
//
// Items are linked as a tree under an invisible root. Item handles are
// pointers; TLI_ROOT stands for the invisible root (as a parent: the top
// level; as an item to delete: every top-level item) and TLI_LAST for
// "after the last sibling". A null item means the root wherever an
// operation takes an item.

#include <QAbstractItemModel>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

namespace nbr {

class TreeData;
class CTreeListItem;
class PaneDropTarget;

inline CTreeListItem* const TLI_ROOT = reinterpret_cast<CTreeListItem*>(std::uintptr_t {0xFFFF0001u});
inline CTreeListItem* const TLI_LAST = reinterpret_cast<CTreeListItem*>(std::uintptr_t {0xFFFF0004u});

// Item state bits. Setting kExpanded also sets kChildrenLoaded; clearing
// kChildrenLoaded also clears kExpanded.
namespace tls {
inline constexpr std::uint32_t kSelected = 0x1;
inline constexpr std::uint32_t kExpanded = 0x2;
inline constexpr std::uint32_t kChildrenLoaded = 0x4;
inline constexpr std::uint32_t kLeaf = 0x8;
inline constexpr std::uint32_t kImage = 0x40;
}  // namespace tls

// Codes of NextItem.
enum class TreeNext : int {
    First = 0,
    NextSibling = 1,
    PreviousSibling = 2,
    Parent = 3,
    FirstChild = 4,
    FirstAlso = 5,
    NextVisible = 6,
    PreviousVisible = 7,
    FirstSelected = 9,
    NextSelected = 10,
};

// Codes of Expand.
enum class TreeExpand : int { Expand = 0, Collapse = 1, Toggle = 2, CollapseReset = 3 };

// One row: links, depth, state, the controller's data, four image indices
// and one text per column.
class CTreeListItem {
public:
    [[nodiscard]] CTreeListItem* Parent() const { return parent_; }
    [[nodiscard]] int Depth() const { return depth_; }
    [[nodiscard]] std::uint32_t State() const { return state_; }
    [[nodiscard]] TreeData* Data() const { return data_; }
    [[nodiscard]] const QString& Text(int column) const;
    [[nodiscard]] int Image(int which = 0) const { return images_[which & 3]; }
    [[nodiscard]] const std::vector<CTreeListItem*>& Children() const { return children_; }
    [[nodiscard]] int Row() const { return row_; }

private:
    friend class TreeListModel;
    CTreeListItem* parent_ = nullptr;
    std::vector<CTreeListItem*> children_;  // owned
    int row_ = 0;
    int depth_ = 0;
    std::uint32_t state_ = 0;
    TreeData* data_ = nullptr;
    int images_[4] {-1, -1, -1, -1};
    QStringList texts_;
};

// What the control tells its owner (the pane's subclass turns these into
// controller calls). Returning false from a "...ing" call vetoes it.
class ITreeListNotify {
public:
    virtual ~ITreeListNotify() = default;
    virtual bool SelectionChanging(CTreeListItem* item) = 0;
    virtual void SelectionChanged(CTreeListItem* item, int column) = 0;
    virtual bool ItemExpanding(CTreeListItem* item) = 0;
    virtual void ItemExpanded(CTreeListItem* item) = 0;
    virtual void DeleteItem(CTreeListItem* item) = 0;
};

// One row for AppendItems, whole before the view hears of it.
struct NewTreeItem {
    QStringList texts;  // one per column, the first the name
    TreeData* data = nullptr;
    int image = -1;     // all four images; -1 for none
    std::uint32_t state = 0;  // kSelected is ignored: select afterwards
};

struct TreeListColumn {
    QString caption;
    std::uint32_t format = 0;
    int editor = 0;  // 0 none, 1 edit box, 2 combo box
    int width = 0;
};

class TreeListModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // Extra roles of data(): the item pointer, its state bits, its image index.
    enum Role { ItemRole = Qt::UserRole + 1, StateRole, ImageRole };

    explicit TreeListModel(QObject* parent = nullptr);
    // Frees the items without telling anyone: delete them (TLI_ROOT) first
    // while the controller can still free their data.
    ~TreeListModel() override;

    void SetNotify(ITreeListNotify* notify) { notify_ = notify; }
    [[nodiscard]] ITreeListNotify* Notify() const { return notify_; }

    // Style word and columns.
    void SetStyle(std::uint32_t style) { style_ = style; }
    [[nodiscard]] std::uint32_t Style() const { return style_; }
    int InsertColumn(const QString& caption, std::uint32_t format, int width);
    void SetColumnWidth(int column, int width);
    void SetColumnEditor(int column, int editor);
    void SetColumnCaption(int column, const QString& caption);
    [[nodiscard]] const QList<TreeListColumn>& Columns() const { return columns_; }
    // The width the control's client area has (the view keeps it current),
    // used when columns are sized.
    void SetClientWidth(int width) { clientWidth_ = width; }
    [[nodiscard]] int ClientWidth() const { return clientWidth_; }

    // Items.
    CTreeListItem* InsertItem(const QString& text, CTreeListItem* parent = TLI_ROOT, CTreeListItem* after = TLI_LAST);
    // Appends the rows as the last children of `parent` in one insertion:
    // a folder of thousands is one notice to the view, not several per row.
    // Returns the new items in order (empty when `parent` is not an item).
    std::vector<CTreeListItem*> AppendItems(CTreeListItem* parent, std::vector<NewTreeItem> items);
    // Sets column `column` of many items: one change notice per run of
    // neighbouring rows under one parent.
    void SetItemTexts(int column, const std::vector<std::pair<CTreeListItem*, QString>>& texts);
    // Unlinks and deletes the item with its subtree: DeleteItem is told for
    // the item first, then for each descendant.
    bool DeleteItem(CTreeListItem* item);
    // Deletes every child of `parent` (null or TLI_ROOT: every top-level
    // item), telling DeleteItem for each in sibling order.
    bool DeleteChildren(CTreeListItem* parent);
    void SetItemText(CTreeListItem* item, const QString& text, int column = 0);
    void SetItemData(CTreeListItem* item, TreeData* data);
    void SetItemImage(CTreeListItem* item, int normal, int selected, int expanded, int expandedSelected);
    // Sets then clears bits, with the coupling above.
    void SetItemState(CTreeListItem* item, std::uint32_t set, std::uint32_t clear = 0);
    [[nodiscard]] CTreeListItem* NextItem(CTreeListItem* item, TreeNext code) const;
    [[nodiscard]] CTreeListItem* RootItem() const { return root_.get(); }
    // Whether the control shows an expand button for the item.
    [[nodiscard]] static bool HasButton(const CTreeListItem* item);

    // Selection (kept in the order items were selected).
    [[nodiscard]] int SelectedCount() const { return static_cast<int>(selection_.size()); }
    [[nodiscard]] const std::vector<CTreeListItem*>& Selection() const { return selection_; }
    // Asks SelectionChanging (a veto leaves everything), then selects the
    // item (alone when `exclusive`; null with `exclusive` clears) and tells
    // SelectionChanged. Returns false when vetoed.
    bool SelectItem(CTreeListItem* item, int column = 0, bool exclusive = true);
    // Adds or removes one item without clearing the others.
    bool SetSelected(CTreeListItem* item, bool selected);

    // 0 when vetoed, 1 otherwise (also when nothing had to change).
    int Expand(CTreeListItem* item, TreeExpand code);

    // Items marked by a drop target; null clears.
    void SetDropHighlight(CTreeListItem* item);
    void SetTargetItem(CTreeListItem* item);
    [[nodiscard]] CTreeListItem* DropHighlight() const { return dropHighlight_; }
    [[nodiscard]] CTreeListItem* TargetItem() const { return target_; }
    // The drop rules the pane's controller attached (null: the pane takes
    // no drops). The control follows DropTargetChanged and hands them the
    // drags that reach it.
    void SetDropTarget(PaneDropTarget* target);
    [[nodiscard]] PaneDropTarget* DropTarget() const { return dropTarget_; }

    // Model plumbing.
    [[nodiscard]] CTreeListItem* ItemAt(const QModelIndex& index) const;
    [[nodiscard]] QModelIndex IndexOf(const CTreeListItem* item, int column = 0) const;
    [[nodiscard]] QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    [[nodiscard]] QModelIndex parent(const QModelIndex& child) const override;
    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] bool hasChildren(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role = Qt::DisplayRole) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // The view follows these: an item's expanded bit changed, the selection
    // changed, the drop marks moved.
    void ExpansionChanged(const QModelIndex& index, bool expanded);
    void SelectionStateChanged();
    void DropMarksChanged();
    void DropTargetChanged();

private:
    [[nodiscard]] CTreeListItem* Resolve(CTreeListItem* item) const;
    void Forget(CTreeListItem* item);
    void NotifyDeletion(CTreeListItem* item);
    [[nodiscard]] CTreeListItem* LastVisible(CTreeListItem* item) const;

    std::unique_ptr<CTreeListItem> root_;
    QList<TreeListColumn> columns_;
    std::vector<CTreeListItem*> selection_;
    CTreeListItem* dropHighlight_ = nullptr;
    CTreeListItem* target_ = nullptr;
    PaneDropTarget* dropTarget_ = nullptr;
    ITreeListNotify* notify_ = nullptr;
    std::uint32_t style_ = 0;
    int clientWidth_ = 0;
};

}  // namespace nbr
