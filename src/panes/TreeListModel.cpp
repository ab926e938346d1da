#include "panes/TreeListModel.h"

#include "panes/TreeData.h"

#include <algorithm>

namespace nbr {

namespace {

const QString kNoText;

bool IsWithin(const CTreeListItem* item, const CTreeListItem* top)
{
    for (; item; item = item->Parent()) {
        if (item == top)
            return true;
    }
    return false;
}

int SelectedWithin(const CTreeListItem* item)
{
    int count = (item->State() & tls::kSelected) ? 1 : 0;
    for (const CTreeListItem* child : item->Children())
        count += SelectedWithin(child);
    return count;
}

}  // namespace

const QString& CTreeListItem::Text(int column) const
{
    return column >= 0 && column < texts_.size() ? texts_.at(column) : kNoText;
}

TreeListModel::TreeListModel(QObject* parent) : QAbstractItemModel(parent), root_(std::make_unique<CTreeListItem>())
{
    root_->depth_ = 0;
    root_->state_ = tls::kExpanded | tls::kChildrenLoaded;
}

TreeListModel::~TreeListModel()
{
    // Silent: whoever is told may be gone already. The control deletes its
    // items (with notices) while its controller is still there.
    notify_ = nullptr;
    for (CTreeListItem* child : root_->children_)
        Forget(child);
    root_->children_.clear();
}

int TreeListModel::InsertColumn(const QString& caption, std::uint32_t format, int width)
{
    const int column = static_cast<int>(columns_.size());
    beginInsertColumns({}, column, column);
    columns_.append({caption, format, 0, width});
    endInsertColumns();
    return column;
}

void TreeListModel::SetColumnWidth(int column, int width)
{
    if (column < 0 || column >= columns_.size())
        return;
    columns_[column].width = width;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void TreeListModel::SetColumnEditor(int column, int editor)
{
    if (column >= 0 && column < columns_.size())
        columns_[column].editor = editor;
}

void TreeListModel::SetColumnCaption(int column, const QString& caption)
{
    if (column < 0 || column >= columns_.size())
        return;
    columns_[column].caption = caption;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

CTreeListItem* TreeListModel::Resolve(CTreeListItem* item) const
{
    return item == nullptr || item == TLI_ROOT ? root_.get() : item;
}

CTreeListItem* TreeListModel::InsertItem(const QString& text, CTreeListItem* parent, CTreeListItem* after)
{
    CTreeListItem* owner = Resolve(parent);
    if (owner == TLI_LAST)
        return nullptr;
    int row = static_cast<int>(owner->children_.size());
    if (after != TLI_LAST && after != nullptr && after != TLI_ROOT) {
        if (after->parent_ != owner)
            return nullptr;
        row = after->row_ + 1;
    } else if (after == TLI_ROOT) {
        row = 0;  // "first" when given the root as the sibling before
    }
    auto* item = new CTreeListItem;
    item->parent_ = owner;
    item->depth_ = owner->depth_ + 1;
    item->texts_ = QStringList(std::max<qsizetype>(1, columns_.size()));
    item->texts_[0] = text;
    const QModelIndex parentIndex = IndexOf(owner);
    beginInsertRows(parentIndex, row, row);
    owner->children_.insert(owner->children_.begin() + row, item);
    for (std::size_t i = static_cast<std::size_t>(row); i < owner->children_.size(); ++i)
        owner->children_[i]->row_ = static_cast<int>(i);
    endInsertRows();
    return item;
}

std::vector<CTreeListItem*> TreeListModel::AppendItems(CTreeListItem* parent, std::vector<NewTreeItem> items)
{
    std::vector<CTreeListItem*> made;
    CTreeListItem* owner = Resolve(parent);
    if (owner == TLI_LAST || items.empty())
        return made;
    made.reserve(items.size());
    const int columns = std::max<int>(1, static_cast<int>(columns_.size()));
    const int first = static_cast<int>(owner->children_.size());
    for (NewTreeItem& one : items) {
        auto* item = new CTreeListItem;
        item->parent_ = owner;
        item->depth_ = owner->depth_ + 1;
        item->texts_ = std::move(one.texts);
        if (item->texts_.size() < columns)
            item->texts_.resize(columns);
        item->data_ = one.data;
        for (int& image : item->images_)
            image = one.image;
        std::uint32_t state = one.state & ~tls::kSelected;
        if (state & tls::kExpanded)
            state |= tls::kChildrenLoaded;
        item->state_ = state;
        item->row_ = first + static_cast<int>(made.size());
        made.push_back(item);
    }
    beginInsertRows(IndexOf(owner), first, first + static_cast<int>(made.size()) - 1);
    owner->children_.insert(owner->children_.end(), made.begin(), made.end());
    endInsertRows();
    return made;
}

void TreeListModel::SetItemTexts(int column, const std::vector<std::pair<CTreeListItem*, QString>>& texts)
{
    if (column < 0)
        return;
    CTreeListItem* runParent = nullptr;
    int runFirst = 0;
    int runLast = -1;
    const auto flush = [&] {
        if (runParent && runLast >= runFirst && column < columnCount())
            emit dataChanged(index(runFirst, column, IndexOf(runParent)), index(runLast, column, IndexOf(runParent)));
        runParent = nullptr;
    };
    for (const auto& [item, text] : texts) {
        if (!item || item == TLI_ROOT || item == TLI_LAST)
            continue;
        if (column >= item->texts_.size())
            item->texts_.resize(column + 1);
        item->texts_[column] = text;
        if (item->parent_ != runParent || item->row_ != runLast + 1) {
            flush();
            runParent = item->parent_;
            runFirst = item->row_;
        }
        runLast = item->row_;
    }
    flush();
}

void TreeListModel::NotifyDeletion(CTreeListItem* item)
{
    if (notify_)
        notify_->DeleteItem(item);
    for (CTreeListItem* child : item->children_)
        NotifyDeletion(child);
}

void TreeListModel::Forget(CTreeListItem* item)
{
    // The selection list has already let go of the subtree (DeleteItem):
    // one pass for the lot, not one per item.
    for (CTreeListItem* child : item->children_)
        Forget(child);
    if (dropHighlight_ == item)
        dropHighlight_ = nullptr;
    if (target_ == item)
        target_ = nullptr;
    delete item;
}

bool TreeListModel::DeleteItem(CTreeListItem* item)
{
    if (item == TLI_LAST)
        return false;
    if (item == nullptr || item == TLI_ROOT || item == root_.get()) {
        if (root_->children_.empty())
            return true;
        const std::size_t selected = selection_.size();
        for (CTreeListItem* child : root_->children_)
            NotifyDeletion(child);
        beginResetModel();
        selection_.clear();
        for (CTreeListItem* child : root_->children_)
            Forget(child);
        root_->children_.clear();
        endResetModel();
        if (selected != selection_.size())
            emit SelectionStateChanged();
        return true;
    }
    CTreeListItem* owner = item->parent_;
    const std::size_t selected = selection_.size();
    NotifyDeletion(item);
    const int row = item->row_;
    beginRemoveRows(IndexOf(owner), row, row);
    owner->children_.erase(owner->children_.begin() + row);
    for (std::size_t i = static_cast<std::size_t>(row); i < owner->children_.size(); ++i)
        owner->children_[i]->row_ = static_cast<int>(i);
    const int selectedInside = SelectedWithin(item);
    if (selectedInside == 1 && (item->state_ & tls::kSelected)) {
        selection_.erase(std::find(selection_.begin(), selection_.end(), item));
    } else if (selectedInside > 0) {
        selection_.erase(std::remove_if(selection_.begin(), selection_.end(),
                                        [item](const CTreeListItem* at) { return IsWithin(at, item); }),
                         selection_.end());
    }
    Forget(item);
    endRemoveRows();
    if (owner != root_.get() && owner->children_.empty())
        emit dataChanged(IndexOf(owner), IndexOf(owner));  // the expand button goes
    if (selected != selection_.size())
        emit SelectionStateChanged();
    return true;
}

bool TreeListModel::DeleteChildren(CTreeListItem* parent)
{
    CTreeListItem* owner = Resolve(parent);
    if (owner == TLI_LAST)
        return false;
    if (owner == root_.get())
        return DeleteItem(TLI_ROOT);
    if (owner->children_.empty())
        return true;
    // One removal for the lot: deleting 50,000 rows one by one would renumber
    // the rest each time.
    const std::size_t selected = selection_.size();
    for (CTreeListItem* child : owner->children_)
        NotifyDeletion(child);
    beginRemoveRows(IndexOf(owner), 0, static_cast<int>(owner->children_.size()) - 1);
    if (SelectedWithin(owner) > ((owner->state_ & tls::kSelected) ? 1 : 0)) {
        selection_.erase(std::remove_if(selection_.begin(), selection_.end(),
                                        [owner](const CTreeListItem* at) { return at != owner && IsWithin(at, owner); }),
                         selection_.end());
    }
    for (CTreeListItem* child : owner->children_)
        Forget(child);
    owner->children_.clear();
    endRemoveRows();
    emit dataChanged(IndexOf(owner), IndexOf(owner));
    if (selected != selection_.size())
        emit SelectionStateChanged();
    return true;
}

void TreeListModel::SetItemText(CTreeListItem* item, const QString& text, int column)
{
    if (!item || item == TLI_ROOT || item == TLI_LAST || column < 0)
        return;
    if (column >= item->texts_.size())
        item->texts_.resize(column + 1);
    item->texts_[column] = text;
    // A text for a column the model does not show yet is kept for when it
    // does; no index may name that column before then.
    if (column >= columnCount())
        return;
    const QModelIndex index = IndexOf(item, column);
    emit dataChanged(index, index);
}

void TreeListModel::SetItemData(CTreeListItem* item, TreeData* data)
{
    if (item && item != TLI_ROOT && item != TLI_LAST)
        item->data_ = data;
}

void TreeListModel::SetItemImage(CTreeListItem* item, int normal, int selected, int expanded, int expandedSelected)
{
    if (!item || item == TLI_ROOT || item == TLI_LAST)
        return;
    item->images_[0] = normal;
    item->images_[1] = selected;
    item->images_[2] = expanded;
    item->images_[3] = expandedSelected;
    const QModelIndex index = IndexOf(item);
    emit dataChanged(index, index, {Qt::DecorationRole, ImageRole});
}

void TreeListModel::SetItemState(CTreeListItem* item, std::uint32_t set, std::uint32_t clear)
{
    if (!item || item == TLI_ROOT || item == TLI_LAST)
        return;
    const std::uint32_t before = item->state_;
    std::uint32_t state = before | set;
    if (set & tls::kExpanded)
        state |= tls::kChildrenLoaded;
    state &= ~clear;
    if (clear & tls::kChildrenLoaded)
        state &= ~tls::kExpanded;
    // The selected bit is the selection list's: keep the two in step.
    state = (state & ~tls::kSelected) | (before & tls::kSelected);
    item->state_ = state;
    if ((set & tls::kSelected) && !(before & tls::kSelected))
        SetSelected(item, true);
    if ((clear & tls::kSelected) && (before & tls::kSelected))
        SetSelected(item, false);
    if (state == before)
        return;
    const QModelIndex index = IndexOf(item);
    emit dataChanged(index, index, {StateRole});
    if ((state ^ before) & tls::kExpanded)
        emit ExpansionChanged(index, (state & tls::kExpanded) != 0);
}

CTreeListItem* TreeListModel::LastVisible(CTreeListItem* item) const
{
    while ((item->state_ & tls::kExpanded) && !item->children_.empty())
        item = item->children_.back();
    return item;
}

CTreeListItem* TreeListModel::NextItem(CTreeListItem* item, TreeNext code) const
{
    CTreeListItem* const root = root_.get();
    if (item == TLI_ROOT || item == TLI_LAST)
        item = nullptr;
    switch (code) {
    case TreeNext::First:
    case TreeNext::FirstAlso:
        return root->children_.empty() ? nullptr : root->children_.front();
    case TreeNext::NextSibling:
    case TreeNext::PreviousSibling: {
        if (!item || !item->parent_)
            return nullptr;
        const auto& siblings = item->parent_->children_;
        const int row = item->row_ + (code == TreeNext::NextSibling ? 1 : -1);
        return row >= 0 && row < static_cast<int>(siblings.size()) ? siblings[static_cast<std::size_t>(row)]
                                                                    : nullptr;
    }
    case TreeNext::Parent:
        return item && item->parent_ != root ? item->parent_ : nullptr;
    case TreeNext::FirstChild: {
        const CTreeListItem* owner = item ? item : root;
        return owner->children_.empty() ? nullptr : owner->children_.front();
    }
    case TreeNext::NextVisible: {
        if (!item)
            return NextItem(nullptr, TreeNext::First);
        if ((item->state_ & tls::kExpanded) && !item->children_.empty())
            return item->children_.front();
        for (CTreeListItem* at = item; at && at != root; at = at->parent_) {
            if (CTreeListItem* next = NextItem(at, TreeNext::NextSibling))
                return next;
        }
        return nullptr;
    }
    case TreeNext::PreviousVisible: {
        if (!item)
            return nullptr;
        if (CTreeListItem* previous = NextItem(item, TreeNext::PreviousSibling))
            return LastVisible(previous);
        return item->parent_ != root ? item->parent_ : nullptr;
    }
    case TreeNext::FirstSelected:
        return selection_.empty() ? nullptr : selection_.front();
    case TreeNext::NextSelected: {
        const auto at = std::find(selection_.begin(), selection_.end(), item);
        return at == selection_.end() || at + 1 == selection_.end() ? nullptr : *(at + 1);
    }
    }
    return nullptr;
}

bool TreeListModel::HasButton(const CTreeListItem* item)
{
    return item && (!item->children_.empty() || !(item->state_ & tls::kChildrenLoaded));
}

bool TreeListModel::SetSelected(CTreeListItem* item, bool selected)
{
    if (!item || item == TLI_ROOT || item == TLI_LAST || item == root_.get())
        return false;
    // The selected bit and the list are kept in step: the bit answers
    // without a search, so selecting many rows stays linear.
    const bool was = (item->state_ & tls::kSelected) != 0;
    if (was == selected)
        return true;
    if (selected) {
        selection_.push_back(item);
        item->state_ |= tls::kSelected;
    } else {
        selection_.erase(std::find(selection_.begin(), selection_.end(), item));
        item->state_ &= ~tls::kSelected;
    }
    const QModelIndex index = IndexOf(item);
    emit dataChanged(index, index, {StateRole});
    emit SelectionStateChanged();
    return true;
}

bool TreeListModel::SelectItem(CTreeListItem* item, int column, bool exclusive)
{
    if (item == TLI_ROOT || item == TLI_LAST || item == root_.get())
        item = nullptr;
    if (notify_ && !notify_->SelectionChanging(item))
        return false;
    if (exclusive) {
        std::vector<CTreeListItem*> previous;
        previous.swap(selection_);
        for (CTreeListItem* other : previous) {
            if (other == item) {
                selection_.push_back(item);
                continue;
            }
            other->state_ &= ~tls::kSelected;
            const QModelIndex index = IndexOf(other);
            emit dataChanged(index, index, {StateRole});
        }
    }
    if (item && !(item->state_ & tls::kSelected)) {
        selection_.push_back(item);
        item->state_ |= tls::kSelected;
        const QModelIndex index = IndexOf(item);
        emit dataChanged(index, index, {StateRole});
    }
    emit SelectionStateChanged();
    if (notify_)
        notify_->SelectionChanged(item, column);
    return true;
}

int TreeListModel::Expand(CTreeListItem* item, TreeExpand code)
{
    if (!item || item == TLI_ROOT || item == TLI_LAST || item == root_.get())
        return 1;
    const bool expanded = (item->state_ & tls::kExpanded) != 0;
    bool wantExpanded = code == TreeExpand::Expand || (code == TreeExpand::Toggle && !expanded);
    if (code == TreeExpand::CollapseReset)
        wantExpanded = false;
    if (wantExpanded == expanded && code != TreeExpand::CollapseReset)
        return 1;
    if (wantExpanded && (item->state_ & tls::kChildrenLoaded) && item->children_.empty())
        return 1;
    if (notify_ && !notify_->ItemExpanding(item))
        return 0;
    if (wantExpanded) {
        // The expanding notice may have listed the children; a folder that
        // turned out empty stays collapsed.
        if (item->children_.empty() && (item->state_ & tls::kChildrenLoaded))
            SetItemState(item, tls::kChildrenLoaded, tls::kExpanded);
        else
            SetItemState(item, tls::kExpanded);
    } else if (code == TreeExpand::CollapseReset) {
        while (!item->children_.empty())
            DeleteItem(item->children_.back());
        SetItemState(item, 0, tls::kChildrenLoaded);
    } else {
        SetItemState(item, 0, tls::kExpanded);
    }
    if (notify_)
        notify_->ItemExpanded(item);
    return 1;
}

void TreeListModel::SetDropHighlight(CTreeListItem* item)
{
    if (dropHighlight_ == item)
        return;
    dropHighlight_ = item;
    emit DropMarksChanged();
}

void TreeListModel::SetTargetItem(CTreeListItem* item)
{
    if (target_ == item)
        return;
    target_ = item;
    emit DropMarksChanged();
}

void TreeListModel::SetDropTarget(PaneDropTarget* target)
{
    if (dropTarget_ == target)
        return;
    dropTarget_ = target;
    emit DropTargetChanged();
}

CTreeListItem* TreeListModel::ItemAt(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<CTreeListItem*>(index.internalPointer()) : nullptr;
}

QModelIndex TreeListModel::IndexOf(const CTreeListItem* item, int column) const
{
    if (!item || item == root_.get() || item == TLI_ROOT || item == TLI_LAST)
        return {};
    return createIndex(item->row_, column, const_cast<CTreeListItem*>(item));
}

QModelIndex TreeListModel::index(int row, int column, const QModelIndex& parent) const
{
    const CTreeListItem* owner = parent.isValid() ? ItemAt(parent) : root_.get();
    if (!owner || row < 0 || row >= static_cast<int>(owner->children_.size()) || column < 0
        || column >= columnCount())
        return {};
    return createIndex(row, column, owner->children_[static_cast<std::size_t>(row)]);
}

QModelIndex TreeListModel::parent(const QModelIndex& child) const
{
    const CTreeListItem* item = ItemAt(child);
    return item ? IndexOf(item->parent_) : QModelIndex();
}

int TreeListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    const CTreeListItem* owner = parent.isValid() ? ItemAt(parent) : root_.get();
    return owner ? static_cast<int>(owner->children_.size()) : 0;
}

int TreeListModel::columnCount(const QModelIndex& /*parent*/) const
{
    return std::max<int>(1, static_cast<int>(columns_.size()));
}

bool TreeListModel::hasChildren(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return !root_->children_.empty();
    return parent.column() == 0 && HasButton(ItemAt(parent));
}

QVariant TreeListModel::data(const QModelIndex& index, int role) const
{
    const CTreeListItem* item = ItemAt(index);
    if (!item)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return item->Text(index.column());
    case Qt::ToolTipRole: {
        QString tip;
        if (item->data_ && item->data_->GetInfoTip(&tip) >= 0 && !tip.isEmpty())
            return tip;
        return item->Text(index.column());
    }
    case ItemRole:
        return QVariant::fromValue(static_cast<void*>(const_cast<CTreeListItem*>(item)));
    case StateRole:
        return item->state_;
    case ImageRole:
        if (index.column() != 0)
            return {};
        return item->images_[((item->state_ & tls::kExpanded) ? 2 : 0) + ((item->state_ & tls::kSelected) ? 1 : 0)];
    case Qt::TextAlignmentRole:
        if (index.column() == 1)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant TreeListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columns_.size())
        return {};
    if (role == Qt::DisplayRole)
        return columns_.at(section).caption;
    return {};
}

Qt::ItemFlags TreeListModel::flags(const QModelIndex& index) const
{
    const CTreeListItem* item = ItemAt(index);
    if (!item)
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (!(item->state_ & tls::kLeaf))
        flags |= Qt::ItemIsDropEnabled;
    return flags;
}

}  // namespace nbr
