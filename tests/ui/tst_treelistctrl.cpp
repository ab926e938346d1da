// The tree-list control as the user meets it: expansion and selection go
// through the model (and its vetoes), the pane's control lists folders as
// they open, names the selection's folder and frees every item's data when
// it goes; columns, drop marks and pictures; fifty thousand rows.

#include "base/LanguageManager.h"
#include "base/MessageIds.h"
#include "panes/FileIconTable.h"
#include "panes/TreeController.h"
#include "panes/TreeData.h"
#include "ui/controls/Artwork.h"
#include "ui/controls/CTreeListCtrl.h"
#include "ui/controls/Theme.h"
#include "ui/panes/DragDropTreeListCtrl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTest>

#include <cstdlib>
#include <functional>
#include <map>

using namespace nbr;

namespace {

// The data the fake controller hangs on its items; counts the live ones.
class FakeData final : public TreeData {
public:
    explicit FakeData(bool folder) : folder_(folder) { ++live; }
    ~FakeData() { --live; }
    FakeData(const FakeData&) = delete;
    FakeData& operator=(const FakeData&) = delete;
    Status GetInfoTip(QString* /*tip*/) const override { return E_FAIL; }
    [[nodiscard]] bool Folder() const { return folder_; }

    static inline int live = 0;

private:
    bool folder_;
};

// A fixed tree: "docs" (a.txt, b.txt, sub), "empty" (nothing), "readme.txt".
// Counts the listings of each folder and the drags.
class FakeController final : public TreeController {
public:
    int IsStoreSide() const override { return 1; }
    Status PopulateChildren(TreeListModel& ctrl, CTreeListItem* parent, int* status) override
    {
        *status = 0;
        if (parent && (parent->State() & tls::kChildrenLoaded))
            return S_OK;
        const QString name = parent ? parent->Text(0) : QString();
        ++listings[name];
        QStringList children;
        if (name.isEmpty())
            children = {QStringLiteral("docs/"), QStringLiteral("empty/"), QStringLiteral("readme.txt")};
        else if (name == QLatin1String("docs"))
            children = {QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("sub/")};
        for (QString child : children) {
            const bool folder = child.endsWith(u'/');
            child.chop(folder ? 1 : 0);
            CTreeListItem* item = ctrl.InsertItem(child, parent ? parent : TLI_ROOT);
            ctrl.SetItemData(item, new FakeData(folder));
            if (!folder)
                ctrl.SetItemState(item, tls::kLeaf | tls::kChildrenLoaded);
        }
        if (parent)
            ctrl.SetItemState(parent, tls::kChildrenLoaded);
        return S_OK;
    }
    DropFileList BuildDropFileList(TreeListModel&, int, int, const QString&) override { return {}; }
    void ReleaseItemData(CTreeListItem* item) override { delete static_cast<FakeData*>(item->Data()); }
    Status DropFiles(TreeListModel&, const DropFileList&, CTreeListItem**, std::uint32_t) override { return S_OK; }
    Status OpenItem(TreeListModel&, CTreeListItem*) override { return S_OK; }
    Status DeleteSelection(TreeListModel&) override { return S_OK; }
    bool CanPaste(const QMimeData*) const override { return false; }
    Status Paste(TreeListModel&, const QMimeData*) override { return S_FALSE; }
    bool IsContainer(TreeListModel&, CTreeListItem* item) override
    {
        return !item || item == TLI_ROOT || !item->Data() || static_cast<FakeData*>(item->Data())->Folder();
    }
    Status CreateFolder(TreeListModel&, const QString&) override { return S_OK; }
    Status BeginDrag(TreeListModel&, CTreeListItem* item, QPoint point, int* status) override
    {
        ++drags;
        dragged = item;
        dragPoint = point;
        *status = 0;
        return S_OK;
    }

    std::map<QString, int> listings;
    int drags = 0;
    CTreeListItem* dragged = nullptr;
    QPoint dragPoint;
};

// Vetoes on request.
class Gate final : public ITreeListNotify {
public:
    bool SelectionChanging(CTreeListItem*) override { return !vetoSelection; }
    void SelectionChanged(CTreeListItem*, int) override {}
    bool ItemExpanding(CTreeListItem* item) override
    {
        if (onExpanding)
            onExpanding(item);
        return !vetoExpansion;
    }
    void ItemExpanded(CTreeListItem*) override {}
    void DeleteItem(CTreeListItem*) override {}

    bool vetoSelection = false;
    bool vetoExpansion = false;
    std::function<void(CTreeListItem*)> onExpanding;
};

void AddColumns(TreeListModel& model)
{
    model.InsertColumn(QStringLiteral("Name"), TreeController::kNameFormat, 0);
    model.InsertColumn(QStringLiteral("Size"), TreeController::kSizeFormat, TreeController::kSizeWidth);
    model.InsertColumn(QStringLiteral("Date"), TreeController::kDateFormat, TreeController::kDateWidth);
}

void ShowControl(CTreeListCtrl& ctrl, QSize size = {400, 300})
{
    ctrl.resize(size);
    ctrl.show();
    QVERIFY(QTest::qWaitForWindowExposed(&ctrl));
}

CTreeListItem* Find(TreeListModel& model, const QString& text, CTreeListItem* under = nullptr)
{
    for (CTreeListItem* item : (under ? under : model.RootItem())->Children()) {
        if (item->Text(0) == text)
            return item;
        if (CTreeListItem* found = Find(model, text, item))
            return found;
    }
    return nullptr;
}

QPoint TextPoint(CTreeListCtrl& ctrl, const CTreeListItem* item)
{
    return ctrl.visualRect(ctrl.Model().IndexOf(item)).center();
}

QPoint ButtonPoint(CTreeListCtrl& ctrl, const CTreeListItem* item)
{
    const QRect cell = ctrl.visualRect(ctrl.Model().IndexOf(item));
    return {cell.left() - ctrl.indentation() / 2, cell.center().y()};
}

// A double click as the mouse makes it: a click, then the second press.
void DoubleClick(CTreeListCtrl& ctrl, QPoint point)
{
    QTest::mouseClick(ctrl.viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(ctrl.viewport(), Qt::LeftButton, {}, point);
}

bool Near(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 && std::abs(a.blue() - b.blue()) <= 2;
}

QList<CTreeListItem*> ViewSelection(CTreeListCtrl& ctrl)
{
    QList<CTreeListItem*> items;
    for (const QModelIndex& row : ctrl.selectionModel()->selectedRows())
        items << ctrl.Model().ItemAt(row);
    std::sort(items.begin(), items.end(), [](auto* a, auto* b) { return a->Row() < b->Row(); });
    return items;
}

// A pane's control over the fake controller, its top level listed.
struct Pane {
    FakeController controller;
    DragDropTreeListCtrl ctrl;
    Pane()
    {
        AddColumns(ctrl.Model());
        ctrl.SetController(&controller, nullptr);
        int status = 0;
        (void)controller.PopulateChildren(ctrl.Model(), nullptr, &status);
    }
    CTreeListItem* Item(const char* text) { return Find(ctrl.Model(), QString::fromLatin1(text)); }
};

}  // namespace

class TestTreeListCtrl : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        languages_.AddPack(0, QStringLiteral(NIMBRA_LANG_DIR "/LangENG.json"));
        QVERIFY(languages_.SelectLanguage(LanguageManager::kEnglish, true));
        Theme::Instance().SetLanguages(&languages_);
    }

    // Keys, the button and double clicks all expand through the model: a
    // folder is listed once, an empty one stays closed without a button, a
    // file only reports the double click.
    void expansionGoesThroughTheModel()
    {
        Pane pane;
        ShowControl(pane.ctrl);
        CTreeListItem* docs = pane.Item("docs");
        const QModelIndex docsIndex = pane.ctrl.Model().IndexOf(docs);
        pane.ctrl.setCurrentIndex(docsIndex);

        QTest::keyClick(&pane.ctrl, Qt::Key_Right);
        QCOMPARE(pane.controller.listings[QStringLiteral("docs")], 1);
        QVERIFY(pane.ctrl.isExpanded(docsIndex));
        QVERIFY(docs->State() & tls::kExpanded);
        QTest::keyClick(&pane.ctrl, Qt::Key_Left);
        QVERIFY(!pane.ctrl.isExpanded(docsIndex));
        QVERIFY(!(docs->State() & tls::kExpanded));

        QTest::mouseClick(pane.ctrl.viewport(), Qt::LeftButton, {}, ButtonPoint(pane.ctrl, docs));
        QVERIFY(pane.ctrl.isExpanded(docsIndex));
        QCOMPARE(pane.controller.listings[QStringLiteral("docs")], 1);

        QSignalSpy doubleClicks(&pane.ctrl, &CTreeListCtrl::ItemDoubleClicked);
        DoubleClick(pane.ctrl, TextPoint(pane.ctrl, docs));
        QVERIFY(!pane.ctrl.isExpanded(docsIndex));
        QCOMPARE(doubleClicks.count(), 1);
        QCOMPARE(doubleClicks.at(0).at(0).value<CTreeListItem*>(), docs);
        CTreeListItem* readme = pane.Item("readme.txt");
        DoubleClick(pane.ctrl, TextPoint(pane.ctrl, readme));
        QCOMPARE(doubleClicks.count(), 2);
        QCOMPARE(doubleClicks.at(1).at(0).value<CTreeListItem*>(), readme);
        QVERIFY(!pane.controller.listings.contains(QStringLiteral("readme.txt")));
        QVERIFY(!(readme->State() & tls::kExpanded));
        // Enter on the current item is the keyboard's double click.
        pane.ctrl.setCurrentIndex(docsIndex);
        QTest::keyClick(&pane.ctrl, Qt::Key_Return);
        QVERIFY(pane.ctrl.isExpanded(docsIndex));
        pane.ctrl.setCurrentIndex(pane.ctrl.Model().IndexOf(readme));
        QTest::keyClick(&pane.ctrl, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(doubleClicks.count(), 4);
        QCOMPARE(doubleClicks.at(3).at(0).value<CTreeListItem*>(), readme);

        CTreeListItem* empty = pane.Item("empty");
        const QModelIndex emptyIndex = pane.ctrl.Model().IndexOf(empty);
        QVERIFY(pane.ctrl.Model().hasChildren(emptyIndex));
        DoubleClick(pane.ctrl, TextPoint(pane.ctrl, empty));
        QCOMPARE(pane.controller.listings[QStringLiteral("empty")], 1);
        QVERIFY(!pane.ctrl.isExpanded(emptyIndex));
        QVERIFY(!(empty->State() & tls::kExpanded));
        QVERIFY(!pane.ctrl.Model().hasChildren(emptyIndex));
    }

    // The owner's veto keeps the row closed, from the button and the keys.
    void vetoedExpansionStaysCollapsed()
    {
        CTreeListCtrl ctrl;
        Gate gate;
        ctrl.Model().SetNotify(&gate);
        AddColumns(ctrl.Model());
        CTreeListItem* folder = ctrl.Model().InsertItem(QStringLiteral("folder"));
        gate.onExpanding = [&](CTreeListItem* item) {
            if (item->Children().empty())
                ctrl.Model().InsertItem(QStringLiteral("child"), item);
        };
        ShowControl(ctrl);
        const QModelIndex index = ctrl.Model().IndexOf(folder);
        ctrl.setCurrentIndex(index);

        gate.vetoExpansion = true;
        QTest::mouseClick(ctrl.viewport(), Qt::LeftButton, {}, ButtonPoint(ctrl, folder));
        QTest::keyClick(&ctrl, Qt::Key_Right);
        QTest::keyClick(&ctrl, Qt::Key_Plus);
        QVERIFY(!ctrl.isExpanded(index));
        QVERIFY(!(folder->State() & tls::kExpanded));

        gate.vetoExpansion = false;
        QTest::keyClick(&ctrl, Qt::Key_Right);
        QVERIFY(ctrl.isExpanded(index));
        // Right again steps into the open folder.
        QTest::keyClick(&ctrl, Qt::Key_Right);
        QCOMPARE(ctrl.Model().ItemAt(ctrl.currentIndex()), folder->Children().front());
        QCOMPARE(ctrl.Model().Selection(), std::vector<CTreeListItem*> {folder->Children().front()});
    }

    // Clicks, Ctrl-clicks and keys build the model's ordered selection; the
    // model's own changes show in the view; a veto restores both.
    void selectionBothWays()
    {
        CTreeListCtrl ctrl;
        Gate gate;
        ctrl.Model().SetNotify(&gate);
        AddColumns(ctrl.Model());
        std::vector<CTreeListItem*> rows;
        for (const char* name : {"a", "b", "c", "d"}) {
            rows.push_back(ctrl.Model().InsertItem(QString::fromLatin1(name)));
            ctrl.Model().SetItemState(rows.back(), tls::kLeaf | tls::kChildrenLoaded);
        }
        ShowControl(ctrl);
        TreeListModel& model = ctrl.Model();
        auto click = [&](CTreeListItem* item, Qt::KeyboardModifiers keys = {}) {
            QTest::mouseClick(ctrl.viewport(), Qt::LeftButton, keys, TextPoint(ctrl, item));
        };
        using Items = std::vector<CTreeListItem*>;

        click(rows[2]);
        click(rows[0], Qt::ControlModifier);
        click(rows[1], Qt::ControlModifier);
        QCOMPARE(model.Selection(), (Items {rows[2], rows[0], rows[1]}));
        QCOMPARE(ViewSelection(ctrl), (QList<CTreeListItem*> {rows[0], rows[1], rows[2]}));
        click(rows[0], Qt::ControlModifier);
        QCOMPARE(model.Selection(), (Items {rows[2], rows[1]}));
        click(rows[1]);
        click(rows[3], Qt::ShiftModifier);
        QCOMPARE(model.SelectedCount(), 3);
        QCOMPARE(model.Selection().front(), rows[1]);
        QCOMPARE(ViewSelection(ctrl), (QList<CTreeListItem*> {rows[1], rows[2], rows[3]}));

        // Keys: Home selects the first row alone, Ctrl+Down moves on without
        // selecting, Ctrl+Space adds.
        QTest::keyClick(&ctrl, Qt::Key_Home);
        QCOMPARE(model.Selection(), Items {rows[0]});
        QTest::keyClick(&ctrl, Qt::Key_Down, Qt::ControlModifier);
        QTest::keyClick(&ctrl, Qt::Key_Down, Qt::ControlModifier);
        QTest::keyClick(&ctrl, Qt::Key_Space, Qt::ControlModifier);
        QCOMPARE(model.Selection(), (Items {rows[0], rows[2]}));
        QTest::keyClick(&ctrl, Qt::Key_End);
        QCOMPARE(model.Selection(), Items {rows[3]});

        model.SelectItem(rows[1]);
        QCOMPARE(ViewSelection(ctrl), QList<CTreeListItem*> {rows[1]});
        model.SetSelected(rows[3], true);
        QCOMPARE(ViewSelection(ctrl), (QList<CTreeListItem*> {rows[1], rows[3]}));

        gate.vetoSelection = true;
        click(rows[0]);
        QCOMPARE(model.Selection(), (Items {rows[1], rows[3]}));
        QCOMPARE(ViewSelection(ctrl), (QList<CTreeListItem*> {rows[1], rows[3]}));
        click(rows[2], Qt::ControlModifier);
        QTest::keyClick(&ctrl, Qt::Key_Up);
        QCOMPARE(model.Selection(), (Items {rows[1], rows[3]}));
        QCOMPARE(ViewSelection(ctrl), (QList<CTreeListItem*> {rows[1], rows[3]}));

        // A selected row that goes leaves both selections.
        gate.vetoSelection = false;
        model.DeleteItem(rows[1]);
        QCOMPARE(model.Selection(), Items {rows[3]});
        QCOMPARE(ViewSelection(ctrl), QList<CTreeListItem*> {rows[3]});
    }

    // The caption names the selected file's folder, or the folder itself.
    void statusTextNamesTheFolder()
    {
        Pane pane;
        ShowControl(pane.ctrl);
        QSignalSpy texts(&pane.ctrl, &DragDropTreeListCtrl::StatusTextChanged);
        pane.ctrl.Model().Expand(pane.Item("docs"), TreeExpand::Expand);
        const auto clickOn = [&](const char* name) {
            QTest::mouseClick(pane.ctrl.viewport(), Qt::LeftButton, {}, TextPoint(pane.ctrl, pane.Item(name)));
            return texts.isEmpty() ? QStringLiteral("(none)") : texts.takeLast().at(0).toString();
        };
        QCOMPARE(clickOn("b.txt"), QStringLiteral("docs"));
        QCOMPARE(clickOn("sub"), QStringLiteral("sub"));
        QCOMPARE(clickOn("readme.txt"), QString());
        QCOMPARE(clickOn("docs"), QStringLiteral("docs"));
        QCOMPARE(pane.ctrl.accessibleName(), languages_.GetText(msg::kPaneStore));
        QVERIFY(!pane.ctrl.accessibleName().isEmpty());
    }

    // A drag from a selected row is the controller's, with the row and the
    // point it started from.
    void dragGoesToTheController()
    {
        Pane pane;
        ShowControl(pane.ctrl);
        CTreeListItem* readme = pane.Item("readme.txt");
        const QPoint from = TextPoint(pane.ctrl, readme);
        QTest::mouseClick(pane.ctrl.viewport(), Qt::LeftButton, {}, from);
        QTest::mousePress(pane.ctrl.viewport(), Qt::LeftButton, {}, from);
        QTest::mouseMove(pane.ctrl.viewport(), from + QPoint(4, 0));
        QTest::mouseMove(pane.ctrl.viewport(), from + QPoint(4 + 2 * QApplication::startDragDistance(), 0));
        QTest::mouseRelease(pane.ctrl.viewport(), Qt::LeftButton, {}, from);
        QCOMPARE(pane.controller.drags, 1);
        QCOMPARE(pane.controller.dragged, readme);
        QCOMPARE(pane.controller.dragPoint, from);
    }

    // Every item's data is freed when the control goes, open folders too.
    void deletingTheControlFreesEveryItem()
    {
        QCOMPARE(FakeData::live, 0);
        {
            Pane pane;
            pane.ctrl.Model().Expand(pane.Item("docs"), TreeExpand::Expand);
            pane.ctrl.Model().Expand(pane.Item("sub"), TreeExpand::Expand);
            QCOMPARE(FakeData::live, 6);
            pane.ctrl.Model().SelectItem(pane.Item("a.txt"));
        }
        QCOMPARE(FakeData::live, 0);
    }

    // The first column takes what the others leave, never under 80 pixels;
    // widths the model sets reach the header.
    void columnsFollowTheModel()
    {
        CTreeListCtrl ctrl;
        AddColumns(ctrl.Model());
        ShowControl(ctrl);
        QHeaderView* header = ctrl.header();
        QCOMPARE(header->count(), 3);
        QCOMPARE(header->sectionSize(1), TreeController::kSizeWidth);
        QCOMPARE(header->sectionSize(2), TreeController::kDateWidth);
        QCOMPARE(header->sectionSize(0), ctrl.viewport()->width() - TreeController::kSizeWidth - TreeController::kDateWidth);
        QCOMPARE(ctrl.Model().ClientWidth(), ctrl.viewport()->width());
        ctrl.Model().SetColumnWidth(2, 90);
        QCOMPARE(header->sectionSize(2), 90);
        QCOMPARE(header->sectionSize(0), ctrl.viewport()->width() - 150);
        ctrl.resize(150, 200);
        QApplication::processEvents();
        QCOMPARE(header->sectionSize(0), 80);
    }

    // Drop marks are drawn highlighted; every image index has a picture, and
    // our own are drawn for 16 pixels.
    void marksAndPictures()
    {
        CTreeListCtrl ctrl;
        AddColumns(ctrl.Model());
        CTreeListItem* first = ctrl.Model().InsertItem(QStringLiteral("first"));
        CTreeListItem* second = ctrl.Model().InsertItem(QStringLiteral("second"));
        ctrl.Model().SetItemImage(first, FileIconTable::kFolder, FileIconTable::kFolder, FileIconTable::kFolder,
                                  FileIconTable::kFolder);
        ShowControl(ctrl);
        const QColor highlight = ctrl.palette().color(QPalette::Active, QPalette::Highlight);
        const auto rowColour = [&](const CTreeListItem* item) {
            const QImage image = ctrl.viewport()->grab().toImage();
            const int y = TextPoint(ctrl, item).y();
            return image.pixelColor(ctrl.viewport()->width() - 3, y);
        };
        QVERIFY(!Near(rowColour(second), highlight));
        ctrl.Model().SetDropHighlight(second);
        QVERIFY(Near(rowColour(second), highlight));
        QVERIFY(!Near(rowColour(first), highlight));
        ctrl.Model().SetDropHighlight(nullptr);
        ctrl.Model().SetTargetItem(first);
        QVERIFY(Near(rowColour(first), highlight));
        QVERIFY(!Near(rowColour(second), highlight));

        const ThemeBitmaps bitmaps;
        for (const int number : {bitmaps.treeFolder, bitmaps.treeFile})
            QCOMPARE(Artwork::Size(number), QSize(16, 16));
        const int text = FileIconTable::Shared().IndexFor(QStringLiteral("notes.txt"), false);
        for (const int index : {FileIconTable::kFolder, FileIconTable::kFile, text, 9999})
            QVERIFY2(!CTreeListCtrl::IconFor(index).pixmap(16, 16).isNull(), qPrintable(QString::number(index)));
        QCOMPARE(ctrl.HitTest(TextPoint(ctrl, second)), second);
        QCOMPARE(ctrl.HitTest(QPoint(5, ctrl.viewport()->height() - 2)), nullptr);
    }

    // Fifty thousand rows insert, show, scroll, select and go without a
    // cost per row that grows with the rows (the times are reported).
    void fiftyThousandRows()
    {
        constexpr int kRows = 50000;
        CTreeListCtrl ctrl;
        AddColumns(ctrl.Model());
        TreeListModel& model = ctrl.Model();
        ShowControl(ctrl);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < kRows; ++i) {
            CTreeListItem* item = model.InsertItem(QStringLiteral("file %1.txt").arg(i));
            model.SetItemText(item, QStringLiteral("%1 KB").arg(i % 977), 1);
            model.SetItemText(item, QStringLiteral("2026-12-07 10:%1").arg(i % 60, 2, 10, QLatin1Char('0')), 2);
            model.SetItemState(item, tls::kLeaf | tls::kChildrenLoaded);
            model.SetItemImage(item, FileIconTable::kFile, FileIconTable::kFile, FileIconTable::kFile,
                               FileIconTable::kFile);
        }
        const qint64 inserted = clock.restart();
        ctrl.viewport()->repaint();
        const qint64 shown = clock.restart();
        ctrl.setCurrentIndex(model.IndexOf(model.NextItem(nullptr, TreeNext::First)));
        QTest::keyClick(&ctrl, Qt::Key_End);
        ctrl.viewport()->repaint();
        const qint64 scrolled = clock.restart();
        QCOMPARE(model.Selection(), std::vector<CTreeListItem*> {model.RootItem()->Children().back()});
        QCOMPARE(ctrl.HitTest(TextPoint(ctrl, model.RootItem()->Children().back())),
                 model.RootItem()->Children().back());
        clock.restart();
        ctrl.selectAll();
        const qint64 selected = clock.restart();
        QCOMPARE(model.SelectedCount(), kRows);
        model.DeleteItem(TLI_ROOT);
        const qint64 deleted = clock.restart();
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(ctrl.selectionModel()->selectedRows().isEmpty());
        qInfo("%d rows: insert %lld ms, first paint %lld ms, End and paint %lld ms, select all %lld ms, delete %lld ms",
              kRows, inserted, shown, scrolled, selected, deleted);
    }

private:
    LanguageManager languages_;
};

QTEST_MAIN(TestTreeListCtrl)
#include "tst_treelistctrl.moc"
