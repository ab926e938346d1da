#include "ui/controls/CTreeListCtrl.h"

#include "panes/FileIconTable.h"
#include "ui/controls/Artwork.h"
#include "ui/controls/Theme.h"

#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QSet>
#include <QStyledItemDelegate>

#include <algorithm>

namespace nbr {

namespace {

constexpr int kIconSide = 16;
// The first column never gets narrower than this, however narrow the control.
constexpr int kMinimumFirstColumn = 80;

}  // namespace

// Puts the picture of the item's image index beside its name.
class CTreeListCtrl::ItemDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.column() != 0)
            return;
        bool ok = false;
        const int image = index.data(TreeListModel::ImageRole).toInt(&ok);
        if (!ok || image < 0)
            return;
        option->icon = CTreeListCtrl::IconFor(image);
        option->features |= QStyleOptionViewItem::HasDecoration;
        option->decorationSize = QSize(kIconSide, kIconSide);
    }
};

CTreeListCtrl::CTreeListCtrl(QWidget* parent) : QTreeView(parent)
{
    // Connected ahead of the view's own selection model, which deselects
    // disappearing rows as they go: those rows leave the model's selection
    // with the items themselves, not through the view.
    connect(&model_, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { modelChanging_ = true; });
    connect(&model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] { modelChanging_ = true; });
    connect(&model_, &QAbstractItemModel::rowsRemoved, this, [this] { modelChanging_ = false; });
    connect(&model_, &QAbstractItemModel::modelReset, this, [this] {
        modelChanging_ = false;
        ApplyColumns();
    });
    setModel(&model_);
    setItemDelegate(new ItemDelegate(this));

    // The user's expansions go through the model (which asks the owner
    // first); the view only follows the model's expanded bits.
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setIconSize(QSize(kIconSide, kIconSide));
    setFocusPolicy(Qt::StrongFocus);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);

    const Theme& theme = Theme::Instance();
    setFont(theme.Font(Theme::kFontNormal));
    QPalette colours = palette();
    colours.setColor(QPalette::Base, theme.ColorOr(Theme::kColorPanel, Qt::white));
    colours.setColor(QPalette::Text, theme.ColorOr(Theme::kColorLabelText, Qt::black));
    colours.setColor(QPalette::Highlight, theme.ColorOr(Theme::kColorSelection, QColor(56, 92, 200)));
    colours.setColor(QPalette::HighlightedText, Qt::white);
    setPalette(colours);

    connect(&model_, &TreeListModel::ExpansionChanged, this, &CTreeListCtrl::FollowExpansion);
    connect(&model_, &TreeListModel::SelectionStateChanged, this, [this] {
        if (!pushingSelection_)
            ShowModelSelection();
    });
    connect(&model_, &TreeListModel::DropMarksChanged, viewport(), qOverload<>(&QWidget::update));
    connect(&model_, &QAbstractItemModel::columnsInserted, this, &CTreeListCtrl::ApplyColumns);
    connect(&model_, &QAbstractItemModel::headerDataChanged, this, &CTreeListCtrl::ApplyColumns);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &CTreeListCtrl::PushSelection);
    connect(header(), &QHeaderView::sectionResized, this, [this](int column, int, int width) {
        if (sizingColumns_ || column == 0)
            return;
        // The user widened or narrowed a column: the model keeps the width
        // and the first column takes what is left.
        {
            QScopedValueRollback sizing(sizingColumns_, true);
            model_.SetColumnWidth(column, width);
        }
        StretchFirstColumn();
    });
}

CTreeListCtrl::~CTreeListCtrl()
{
    // The model goes before the view's base: let the view forget it first.
    setModel(nullptr);
}

CTreeListItem* CTreeListCtrl::HitTest(QPoint point) const
{
    return model_.ItemAt(indexAt(point));
}

bool CTreeListCtrl::IsOnButton(QPoint point, CTreeListItem** item) const
{
    const QModelIndex index = indexAt(point).siblingAtColumn(0);
    CTreeListItem* at = model_.ItemAt(index);
    if (!at || !TreeListModel::HasButton(at))
        return false;
    // The button sits in the last step of the indentation, just before the
    // item's own rectangle.
    const QRect cell = visualRect(index);
    const int step = indentation();
    const int left = isRightToLeft() ? cell.right() + 1 : cell.left() - step;
    if (!QRect(left, cell.top(), step, cell.height()).contains(point))
        return false;
    if (item)
        *item = at;
    return true;
}

QIcon CTreeListCtrl::IconFor(int imageIndex)
{
    // One picture per index for the whole run (GUI thread only, as the
    // table itself).
    static QHash<int, QIcon> cache;
    const auto known = cache.constFind(imageIndex);
    if (known != cache.constEnd())
        return *known;
    const FileIconTable& table = FileIconTable::Shared();
    const QString name = table.IconName(imageIndex);
    const QString generic = table.GenericIconName(imageIndex);
    const bool folder = imageIndex == FileIconTable::kFolder || generic == QLatin1String("folder");
    const ThemeBitmaps& bitmaps = Theme::Instance().Bitmaps();
    const QIcon own = Artwork::Icon(folder ? bitmaps.treeFolder : bitmaps.treeFile);
    const QIcon icon = QIcon::fromTheme(name, QIcon::fromTheme(generic, own));
    cache.insert(imageIndex, icon);
    return icon;
}

void CTreeListCtrl::ApplyColumns()
{
    QHeaderView* head = header();
    const QList<TreeListColumn>& columns = model_.Columns();
    {
        QScopedValueRollback sizing(sizingColumns_, true);
        for (int column = 0; column < columns.size() && column < head->count(); ++column) {
            if (column == 0) {
                head->setSectionResizeMode(0, QHeaderView::Fixed);
                continue;
            }
            head->setSectionResizeMode(column, QHeaderView::Interactive);
            const int width = columns.at(column).width;
            if (width > 0 && head->sectionSize(column) != width)
                head->resizeSection(column, width);
        }
    }
    StretchFirstColumn();
}

void CTreeListCtrl::StretchFirstColumn()
{
    QHeaderView* head = header();
    if (head->count() == 0)
        return;
    int others = 0;
    for (int column = 1; column < head->count(); ++column) {
        if (!head->isSectionHidden(column))
            others += head->sectionSize(column);
    }
    const int width = std::max(kMinimumFirstColumn, viewport()->width() - others);
    if (head->sectionSize(0) != width) {
        QScopedValueRollback sizing(sizingColumns_, true);
        head->resizeSection(0, width);
    }
}

void CTreeListCtrl::resizeEvent(QResizeEvent* event)
{
    QTreeView::resizeEvent(event);
    model_.SetClientWidth(viewport()->width());
    StretchFirstColumn();
}

bool CTreeListCtrl::viewportEvent(QEvent* event)
{
    const bool handled = QTreeView::viewportEvent(event);
    // A scroll bar coming or going resizes the viewport alone.
    if (event->type() == QEvent::Resize) {
        model_.SetClientWidth(viewport()->width());
        StretchFirstColumn();
    }
    return handled;
}

void CTreeListCtrl::FollowExpansion(const QModelIndex& index, bool expanded)
{
    if (index.isValid() && isExpanded(index) != expanded)
        setExpanded(index, expanded);
}

void CTreeListCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const CTreeListItem* item = model_.ItemAt(index);
    if (item && (item == model_.DropHighlight() || item == model_.TargetItem())) {
        // A drop would land here: the row is drawn as if selected.
        QStyleOptionViewItem marked(option);
        marked.state |= QStyle::State_Selected;
        QTreeView::drawRow(painter, marked, index);
        return;
    }
    QTreeView::drawRow(painter, option, index);
}

void CTreeListCtrl::mousePressEvent(QMouseEvent* event)
{
    pressPoint_ = event->position().toPoint();
    CTreeListItem* item = nullptr;
    if (event->button() == Qt::LeftButton && IsOnButton(pressPoint_, &item)) {
        model_.Expand(item, TreeExpand::Toggle);
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void CTreeListCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QTreeView::mouseDoubleClickEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    CTreeListItem* item = nullptr;
    // The second click on a button counts as a click of its own.
    if (IsOnButton(at, &item)) {
        model_.Expand(item, TreeExpand::Toggle);
        return;
    }
    item = HitTest(at);
    if (!item)
        return;
    if (item != HitTest(pressPoint_)) {
        // The mouse moved on between the clicks: this is a press on a new item.
        mousePressEvent(event);
        return;
    }
    const QPersistentModelIndex index = indexAt(at);
    if (TreeListModel::HasButton(item))
        model_.Expand(item, TreeExpand::Toggle);
    emit doubleClicked(index);
    emit ItemDoubleClicked(item);
}

void CTreeListCtrl::keyPressEvent(QKeyEvent* event)
{
    CTreeListItem* item = model_.ItemAt(currentIndex());
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const int key = event->key();
    if (item && plain && (key == Qt::Key_Right || key == Qt::Key_Plus || key == Qt::Key_Left || key == Qt::Key_Minus)) {
        const bool open = (item->State() & tls::kExpanded) && !item->Children().empty();
        const bool opening = key == Qt::Key_Right || key == Qt::Key_Plus;
        if (opening && !open && TreeListModel::HasButton(item)) {
            model_.Expand(item, TreeExpand::Expand);
        } else if (!opening && open) {
            model_.Expand(item, TreeExpand::Collapse);
        } else if (key == Qt::Key_Right && open) {
            setCurrentIndex(model_.IndexOf(item->Children().front()));
        } else if (key == Qt::Key_Left && item->Parent() != model_.RootItem()) {
            setCurrentIndex(model_.IndexOf(item->Parent()));
        }
        event->accept();
        return;
    }
    if (item && plain && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        // Enter does what a double click on the item does: a folder opens or
        // closes, a file is opened by whoever owns the control.
        if (TreeListModel::HasButton(item))
            model_.Expand(item, TreeExpand::Toggle);
        emit ItemDoubleClicked(item);
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

std::vector<CTreeListItem*> CTreeListCtrl::RowsIn(const QItemSelection& selection) const
{
    std::vector<CTreeListItem*> items;
    QSet<CTreeListItem*> seen;
    for (const QItemSelectionRange& range : selection) {
        const QModelIndex parent = range.parent();
        for (int row = range.top(); row <= range.bottom(); ++row) {
            CTreeListItem* item = model_.ItemAt(model_.index(row, 0, parent));
            if (item && !seen.contains(item)) {
                seen.insert(item);
                items.push_back(item);
            }
        }
    }
    return items;
}

void CTreeListCtrl::PushSelection(const QItemSelection& selected, const QItemSelection& deselected)
{
    if (showingSelection_ || modelChanging_)
        return;
    std::vector<CTreeListItem*> added;
    std::vector<CTreeListItem*> removed;
    for (CTreeListItem* item : RowsIn(selected)) {
        if (!(item->State() & tls::kSelected))
            added.push_back(item);
    }
    for (CTreeListItem* item : RowsIn(deselected)) {
        if (item->State() & tls::kSelected)
            removed.push_back(item);
    }
    if (added.empty() && removed.empty())
        return;
    const int column = std::max(0, currentIndex().column());
    bool allowed = true;
    {
        QScopedValueRollback pushing(pushingSelection_, true);
        const bool replacesAll = static_cast<int>(removed.size()) == model_.SelectedCount();
        if (!added.empty()) {
            // The owner is asked once, about the item the user acted on;
            // the rest of a range follows it.
            CTreeListItem* key = model_.ItemAt(currentIndex());
            if (std::find(added.begin(), added.end(), key) == added.end())
                key = added.front();
            allowed = model_.SelectItem(key, column, replacesAll);
            if (allowed) {
                if (!replacesAll) {
                    for (CTreeListItem* item : removed)
                        model_.SetSelected(item, false);
                }
                for (CTreeListItem* item : added) {
                    if (item != key)
                        model_.SetSelected(item, true);
                }
            }
        } else if (replacesAll) {
            allowed = model_.SelectItem(nullptr, column, true);
        } else {
            for (CTreeListItem* item : removed)
                model_.SetSelected(item, false);
        }
    }
    // Vetoed, the view goes back to the model's selection; allowed, it shows
    // exactly what the model made of the change.
    ShowModelSelection();
    if (!allowed && model_.SelectedCount() > 0)
        selectionModel()->setCurrentIndex(model_.IndexOf(model_.Selection().back()), QItemSelectionModel::NoUpdate);
}

void CTreeListCtrl::ShowModelSelection()
{
    if (modelChanging_)
        return;
    // Sibling runs become one range each, so a large selection stays a
    // handful of ranges for the view.
    std::vector<CTreeListItem*> items = model_.Selection();
    std::sort(items.begin(), items.end(), [](const CTreeListItem* a, const CTreeListItem* b) {
        return a->Parent() != b->Parent() ? std::less<const CTreeListItem*>()(a->Parent(), b->Parent())
                                          : a->Row() < b->Row();
    });
    const int lastColumn = std::max(0, model_.columnCount() - 1);
    QItemSelection selection;
    for (std::size_t i = 0; i < items.size();) {
        std::size_t end = i + 1;
        while (end < items.size() && items[end]->Parent() == items[i]->Parent()
               && items[end]->Row() == items[end - 1]->Row() + 1)
            ++end;
        selection.append(QItemSelectionRange(model_.IndexOf(items[i], 0), model_.IndexOf(items[end - 1], lastColumn)));
        i = end;
    }
    QScopedValueRollback showing(showingSelection_, true);
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

}  // namespace nbr
