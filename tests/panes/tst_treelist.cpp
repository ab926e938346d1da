// The tree-list model without a window: state-bit coupling, deletion
// notices, navigation codes, selection veto, expansion codes, the base
// refresh and the shared column set-up.

#include "base/LanguageManager.h"
#include "panes/FileIconTable.h"
#include "panes/PaneMimeData.h"
#include "panes/TreeController.h"
#include "panes/TreeListModel.h"

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QMimeDatabase>
#include <QSignalSpy>
#include <QTest>

using namespace nbr;

namespace {

// Records notices; vetoes on request; lists a fixed tree on expansion.
class Recorder final : public ITreeListNotify {
public:
    bool SelectionChanging(CTreeListItem* item) override
    {
        log << QStringLiteral("changing:") + (item ? item->Text(0) : QString());
        return !vetoSelection;
    }
    void SelectionChanged(CTreeListItem* item, int) override
    {
        log << QStringLiteral("changed:") + (item ? item->Text(0) : QString());
    }
    bool ItemExpanding(CTreeListItem* item) override
    {
        log << QStringLiteral("expanding:") + item->Text(0);
        if (onExpanding)
            onExpanding(item);
        return !vetoExpansion;
    }
    void ItemExpanded(CTreeListItem* item) override { log << QStringLiteral("expanded:") + item->Text(0); }
    void DeleteItem(CTreeListItem* item) override { log << QStringLiteral("delete:") + item->Text(0); }

    QStringList log;
    bool vetoSelection = false;
    bool vetoExpansion = false;
    std::function<void(CTreeListItem*)> onExpanding;
};

// A controller over a fixed tree: "a" holds "a1" and "a2", "a1" holds "x";
// "b" is a file. Counts its listings.
class FixedController final : public TreeController {
public:
    int IsStoreSide() const override { return 0; }
    Status PopulateChildren(TreeListModel& ctrl, CTreeListItem* parent, int* status) override
    {
        *status = 0;
        if (parent && (parent->State() & tls::kChildrenLoaded))
            return S_OK;
        ++listings;
        const QString name = parent ? parent->Text(0) : QString();
        QStringList children;
        if (name.isEmpty())
            children = {QStringLiteral("a"), QStringLiteral("b")};
        else if (name == QLatin1String("a"))
            children = {QStringLiteral("a1"), QStringLiteral("a2")};
        else if (name == QLatin1String("a1"))
            children = {QStringLiteral("x")};
        for (const QString& child : children) {
            CTreeListItem* item = ctrl.InsertItem(child, parent ? parent : TLI_ROOT);
            if (child == QLatin1String("b") || child == QLatin1String("x") || child == QLatin1String("a2"))
                ctrl.SetItemState(item, tls::kExpanded | tls::kLeaf);
        }
        return S_OK;
    }
    DropFileList BuildDropFileList(TreeListModel&, int, int, const QString&) override { return {}; }
    void ReleaseItemData(CTreeListItem*) override {}
    Status DropFiles(TreeListModel&, const DropFileList&, CTreeListItem**, std::uint32_t) override { return S_OK; }
    Status OpenItem(TreeListModel&, CTreeListItem*) override { return S_OK; }
    Status DeleteSelection(TreeListModel&) override { return S_OK; }
    bool CanPaste(const QMimeData*) const override { return false; }
    Status Paste(TreeListModel&, const QMimeData*) override { return S_FALSE; }
    bool IsContainer(TreeListModel&, CTreeListItem*) override { return true; }
    Status CreateFolder(TreeListModel&, const QString&) override { return S_OK; }

    int listings = 0;
};

// Wires expansion to the controller, as the pane's control does.
struct Pane {
    TreeListModel model;
    // Qt's own checks of the model's signals and answers, after every change.
    QAbstractItemModelTester tester {&model, QAbstractItemModelTester::FailureReportingMode::QtTest};
    FixedController controller;
    Recorder notices;
    Pane()
    {
        notices.onExpanding = [this](CTreeListItem* item) {
            int status = 0;
            (void)controller.PopulateChildren(model, item, &status);
        };
        model.SetNotify(&notices);
        int status = 0;
        (void)controller.PopulateChildren(model, nullptr, &status);
    }
    CTreeListItem* Find(const QString& text)
    {
        for (CTreeListItem* at = model.NextItem(nullptr, TreeNext::First); at;
             at = model.NextItem(at, TreeNext::NextVisible)) {
            if (at->Text(0) == text)
                return at;
        }
        return nullptr;
    }
};

}  // namespace

class TreeListTest : public QObject {
    Q_OBJECT
private slots:
    // The table's quick answers (by the last extension, with the rare
    // patterns of other shapes checked first) give the icon the type
    // database gives for the whole name.
    void iconsAgreeWithTheTypeDatabase_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : {"notes.txt", "PHOTO.JPG", "archive.tar.gz", "README", "readme.md", "Makefile.am",
                                 "ls.1", "libc.so.6", "draft~", "cost%", "file,v", "001.vdr", "film.anim3", "a",
                                 ".hidden", "x.", "main.C", "main.c", "ends.9z", "README.txt"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void iconsAgreeWithTheTypeDatabase()
    {
        QFETCH(QString, name);
        FileIconTable& table = FileIconTable::Shared();
        const QMimeType type = QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension);
        const QString expected =
            type.isValid() && !type.isDefault() ? type.iconName() : table.IconName(FileIconTable::kFile);
        QCOMPARE(table.IconName(table.IndexFor(name, false)), expected);
        QCOMPARE(table.IconName(table.IndexForFile(name, FileIconTable::NeedsOwnLookUp(name))), expected);
    }
    void manyRowsAreOneNotice()
    {
        TreeListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        (void)model.InsertColumn(QStringLiteral("Name"), 0, 100);
        (void)model.InsertColumn(QStringLiteral("Size"), 0, 50);
        CTreeListItem* folder = model.InsertItem(QStringLiteral("folder"));
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        std::vector<NewTreeItem> rows;
        for (int i = 0; i < 1000; ++i)
            rows.push_back(NewTreeItem {{QStringLiteral("f%1").arg(i)}, nullptr, 3, tls::kLeaf | tls::kExpanded | tls::kSelected});
        const std::vector<CTreeListItem*> items = model.AppendItems(folder, std::move(rows));
        QCOMPARE(items.size(), std::size_t(1000));
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(inserted.first().at(1).toInt(), 0);
        QCOMPARE(inserted.first().at(2).toInt(), 999);
        QCOMPARE(changed.size(), 0);
        QCOMPARE(items.back()->Row(), 999);
        QCOMPARE(items.back()->Depth(), 2);
        QCOMPARE(items.back()->Image(2), 3);
        // Complete as given, never selected behind the selection list's back.
        QCOMPARE(items.back()->State(), tls::kLeaf | tls::kExpanded | tls::kChildrenLoaded);
        QCOMPARE(model.SelectedCount(), 0);
        QCOMPARE(items.back()->Text(1), QString());
        QCOMPARE(model.rowCount(model.IndexOf(folder)), 1000);

        // Three runs of neighbours: three notices, however many rows.
        std::vector<std::pair<CTreeListItem*, QString>> sizes;
        for (int i = 0; i < 400; ++i)
            sizes.emplace_back(items[i], QStringLiteral("%1").arg(i));
        for (int i = 500; i < 700; ++i)
            sizes.emplace_back(items[i], QStringLiteral("%1").arg(i));
        sizes.emplace_back(folder, QStringLiteral("folder size"));
        model.SetItemTexts(1, sizes);
        QCOMPARE(changed.size(), 3);
        QCOMPARE(changed.first().at(1).value<QModelIndex>().row(), 399);
        QCOMPARE(items[650]->Text(1), QStringLiteral("650"));
        QCOMPARE(folder->Text(1), QStringLiteral("folder size"));
        QVERIFY(model.AppendItems(folder, {}).empty());
    }

    void stateBitsAreCoupled()
    {
        TreeListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        CTreeListItem* item = model.InsertItem(QStringLiteral("a"));
        model.SetItemState(item, tls::kExpanded);
        QCOMPARE(item->State(), tls::kExpanded | tls::kChildrenLoaded);
        model.SetItemState(item, 0, tls::kChildrenLoaded);
        QCOMPARE(item->State(), 0u);
        // The selected bit follows the selection list, never the other way.
        model.SetItemState(item, tls::kSelected);
        QCOMPARE(model.SelectedCount(), 1);
        QVERIFY(model.HasButton(item));
        model.SetItemState(item, tls::kChildrenLoaded);
        QVERIFY(!model.HasButton(item));
        QVERIFY(!model.hasChildren(model.IndexOf(item)));
    }

    void deletionTellsItemThenDescendants()
    {
        TreeListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        Recorder notices;
        model.SetNotify(&notices);
        CTreeListItem* a = model.InsertItem(QStringLiteral("a"));
        CTreeListItem* a1 = model.InsertItem(QStringLiteral("a1"), a);
        model.InsertItem(QStringLiteral("x"), a1);
        model.InsertItem(QStringLiteral("a2"), a);
        model.InsertItem(QStringLiteral("b"));
        model.SelectItem(a1);
        notices.log.clear();
        QVERIFY(model.DeleteItem(a));
        QCOMPARE(notices.log, QStringList({"delete:a", "delete:a1", "delete:x", "delete:a2"}));
        QCOMPARE(model.SelectedCount(), 0);  // no dangling selection
        QCOMPARE(model.rowCount(), 1);
        CTreeListItem* c = model.InsertItem(QStringLiteral("c"));
        model.InsertItem(QStringLiteral("c1"), c);
        model.SetSelected(model.InsertItem(QStringLiteral("c2"), c), true);
        model.SetSelected(c, true);
        notices.log.clear();
        QVERIFY(model.DeleteChildren(c));
        QCOMPARE(notices.log, QStringList({"delete:c1", "delete:c2"}));
        QCOMPARE(model.Selection(), std::vector<CTreeListItem*>({c}));
        QCOMPARE(model.rowCount(model.IndexOf(c)), 0);
        notices.log.clear();
        QVERIFY(model.DeleteItem(TLI_ROOT));
        QCOMPARE(notices.log, QStringList({"delete:b", "delete:c"}));
        QCOMPARE(model.rowCount(), 0);
    }

    void navigationCodes()
    {
        TreeListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        CTreeListItem* a = model.InsertItem(QStringLiteral("a"));
        CTreeListItem* a1 = model.InsertItem(QStringLiteral("a1"), a);
        CTreeListItem* a2 = model.InsertItem(QStringLiteral("a2"), a);
        CTreeListItem* b = model.InsertItem(QStringLiteral("b"), TLI_ROOT, TLI_LAST);
        CTreeListItem* first = model.InsertItem(QStringLiteral("0"), TLI_ROOT, TLI_ROOT);
        QCOMPARE(model.NextItem(nullptr, TreeNext::First), first);
        QCOMPARE(model.NextItem(a, TreeNext::NextSibling), b);
        QCOMPARE(model.NextItem(a, TreeNext::PreviousSibling), first);
        QCOMPARE(model.NextItem(a1, TreeNext::Parent), a);
        QCOMPARE(model.NextItem(a, TreeNext::Parent), nullptr);
        QCOMPARE(model.NextItem(a, TreeNext::FirstChild), a1);
        // Collapsed children are not visible; expanded ones are.
        QCOMPARE(model.NextItem(a, TreeNext::NextVisible), b);
        model.SetItemState(a, tls::kExpanded);
        QCOMPARE(model.NextItem(a, TreeNext::NextVisible), a1);
        QCOMPARE(model.NextItem(a2, TreeNext::NextVisible), b);
        QCOMPARE(model.NextItem(b, TreeNext::PreviousVisible), a2);
        QCOMPARE(model.NextItem(a1, TreeNext::PreviousVisible), a);
        model.SelectItem(b);
        model.SetSelected(a1, true);
        QCOMPARE(model.NextItem(nullptr, TreeNext::FirstSelected), b);
        QCOMPARE(model.NextItem(b, TreeNext::NextSelected), a1);
        QCOMPARE(model.NextItem(a1, TreeNext::NextSelected), nullptr);
        QCOMPARE(model.IndexOf(a2).row(), 1);
        QCOMPARE(model.ItemAt(model.index(1, 0, model.IndexOf(a))), a2);
        QCOMPARE(model.ItemAt(model.parent(model.IndexOf(a2))), a);
    }

    void selectionCanBeVetoed()
    {
        TreeListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        Recorder notices;
        model.SetNotify(&notices);
        CTreeListItem* a = model.InsertItem(QStringLiteral("a"));
        CTreeListItem* b = model.InsertItem(QStringLiteral("b"));
        QVERIFY(model.SelectItem(a));
        QCOMPARE(notices.log, QStringList({"changing:a", "changed:a"}));
        notices.vetoSelection = true;
        QVERIFY(!model.SelectItem(b));
        QCOMPARE(model.Selection(), std::vector<CTreeListItem*>({a}));
        notices.vetoSelection = false;
        QVERIFY(model.SelectItem(b, 0, false));
        QCOMPARE(model.SelectedCount(), 2);
        QVERIFY(model.SelectItem(nullptr));
        QCOMPARE(model.SelectedCount(), 0);
    }

    void expansionCodes()
    {
        Pane pane;
        CTreeListItem* a = pane.Find(QStringLiteral("a"));
        CTreeListItem* b = pane.Find(QStringLiteral("b"));
        QSignalSpy changes(&pane.model, &TreeListModel::ExpansionChanged);
        pane.notices.log.clear();
        QCOMPARE(pane.model.Expand(a, TreeExpand::Expand), 1);
        QCOMPARE(pane.notices.log, QStringList({"expanding:a", "expanded:a"}));
        QVERIFY(a->State() & tls::kExpanded);
        QCOMPARE(a->Children().size(), std::size_t {2});
        QVERIFY(!changes.isEmpty());  // the view follows the model
        QCOMPARE(changes.last().at(0).toModelIndex(), pane.model.IndexOf(a));
        QCOMPARE(changes.last().at(1).toBool(), true);
        // Already expanded, or loaded with nothing inside: no notice.
        pane.notices.log.clear();
        QCOMPARE(pane.model.Expand(a, TreeExpand::Expand), 1);
        QCOMPARE(pane.model.Expand(b, TreeExpand::Expand), 1);
        QVERIFY(pane.notices.log.isEmpty());
        QCOMPARE(pane.model.Expand(a, TreeExpand::Toggle), 1);
        QVERIFY(!(a->State() & tls::kExpanded));
        QCOMPARE(a->Children().size(), std::size_t {2});  // collapse keeps them
        pane.notices.vetoExpansion = true;
        QCOMPARE(pane.model.Expand(a, TreeExpand::Expand), 0);
        QVERIFY(!(a->State() & tls::kExpanded));
        pane.notices.vetoExpansion = false;
        QCOMPARE(pane.model.Expand(a, TreeExpand::CollapseReset), 1);
        QVERIFY(a->Children().empty());
        QVERIFY(!(a->State() & tls::kChildrenLoaded));
    }

    void refreshKeepsCollapsedFoldersCollapsed()
    {
        Pane pane;
        CTreeListItem* a = pane.Find(QStringLiteral("a"));
        pane.model.Expand(a, TreeExpand::Expand);
        pane.model.Expand(a, TreeExpand::Collapse);
        const int before = pane.controller.listings;
        int status = -1;
        QCOMPARE(pane.controller.RefreshItem(pane.model, a, &status), S_OK);
        QCOMPARE(status, 0);
        QVERIFY(a->Children().empty());
        QVERIFY(!(a->State() & (tls::kExpanded | tls::kChildrenLoaded)));
        QCOMPARE(pane.controller.listings, before);
        QVERIFY(pane.model.HasButton(a));
        // An expanded one is listed again at once.
        pane.model.Expand(a, TreeExpand::Expand);
        QCOMPARE(pane.controller.RefreshItem(pane.model, a, &status), S_OK);
        QVERIFY(a->State() & tls::kExpanded);
        QCOMPARE(a->Children().size(), std::size_t {2});
        // Null and TLI_ROOT both rebuild the first level.
        for (CTreeListItem* root : {static_cast<CTreeListItem*>(nullptr), TLI_ROOT}) {
            QCOMPARE(pane.controller.RefreshItem(pane.model, root, &status), S_OK);
            QCOMPARE(pane.model.rowCount(), 2);
            QVERIFY(!(pane.Find(QStringLiteral("a"))->State() & tls::kExpanded));
        }
    }

    void columnsKeepAUsableNameColumn_data()
    {
        QTest::addColumn<int>("clientWidth");
        QTest::addColumn<int>("nameWidth");
        QTest::newRow("0") << 0 << 80;
        QTest::newRow("235") << 235 << 80;
        QTest::newRow("236") << 236 << 80;
        QTest::newRow("237") << 237 << 81;
        QTest::newRow("640") << 640 << 484;
    }
    void columnsKeepAUsableNameColumn()
    {
        QFETCH(int, clientWidth);
        QFETCH(int, nameWidth);
        LanguageManager languages;
        TreeListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        FixedController controller;
        model.SetClientWidth(clientWidth);
        QCOMPARE(controller.SetupColumns(model, languages), S_OK);
        QCOMPARE(model.Columns().size(), 3);
        QCOMPARE(model.Style(), TreeController::kPaneStyle);
        QCOMPARE(model.Columns().at(0).width, nameWidth);
        QCOMPARE(model.Columns().at(1).width, 60);
        QCOMPARE(model.Columns().at(2).format, TreeController::kDateFormat);
        QCOMPARE(model.Columns().at(2).editor, 1);
        QCOMPARE(controller.SetupColumns(model, languages), S_OK);
        QCOMPARE(model.Columns().size(), 3);  // set up twice, still three
    }

    void fileListsFromOtherPrograms()
    {
        QMimeData data;
        data.setData(QStringLiteral("text/uri-list"),
                     "file:///tmp/a%20b.txt\r\n# a comment\r\nsftp://host/etc/passwd\r\nfile:///tmp/dir/\r\n"
                     "file://otherhost/etc/shadow\r\nfile://localhost/tmp/c\r\nfile:///tmp/x%00y\r\n");
        QStringList others;
        const DropFileList files = PaneMimeData::LocalFiles(&data, &others);
        QCOMPARE(files.Paths(), QStringList({"/tmp/a b.txt", "/tmp/dir", "/tmp/c"}));
        QCOMPARE(others, QStringList({"sftp://host/etc/passwd", "file://otherhost/etc/shadow", "file:///tmp/x%00y"}));
        QVERIFY(!PaneMimeData::HasStoreList(&data));

        std::unique_ptr<QMimeData> host(PaneMimeData::ForHostFiles(DropFileList({QStringLiteral("/tmp/ü x")})));
        QCOMPARE(PaneMimeData::LocalFiles(host.get()).Paths(), QStringList({"/tmp/ü x"}));
        QVERIFY(host->data(QString::fromLatin1(mime::kCopiedFiles)).startsWith("copy\nfile:///tmp/"));
        std::unique_ptr<QMimeData> stored(PaneMimeData::ForStoreFiles(DropFileList({QStringLiteral("S/4/2")})));
        QVERIFY(!PaneMimeData::HasFileList(stored.get()));
        QCOMPARE(PaneMimeData::StoreFiles(stored.get()).Paths(), QStringList({"S/4/2"}));
    }
};

QTEST_GUILESS_MAIN(TreeListTest)
#include "tst_treelist.moc"
