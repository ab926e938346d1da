// Drag and drop without a window: the effect a drop offers, which drags a
// pane takes, where a drop goes, the hover wait that opens a folder, the
// data object's delayed decryption and the drag's temporary folder.

#include "StoreFixture.h"
#include "base/HeadlessProgress.h"
#include "base/MessageIds.h"
#include "panes/DropEffect.h"
#include "panes/PaneDropTarget.h"
#include "panes/PaneMimeData.h"
#include "panes/PaneServices.h"
#include "panes/StoreDragRender.h"
#include "panes/TreeController.h"
#include "panes/TreeListDataObject.h"
#include "panes/TreeListModel.h"
#include "platform/FaultInjection.h"
#include "store/CopyToDeviceThread.h"
#include "store/DragTempFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QThread>
#include <QTest>
#include <QUrl>

#include <atomic>
#include <memory>

using namespace nbr;

namespace {

const QString kHostMarker = QString::fromLatin1(mime::kMyComputer);
const QString kStoreMarker = QString::fromLatin1(mime::kUsbDevice);
constexpr std::uint32_t kHostAllowed = drop::kScroll | drop::kCopy | drop::kMove;
constexpr std::uint32_t kStoreAllowed = drop::kScroll | drop::kCopy;
constexpr std::uint32_t kDesktopAllowed = drop::kCopy | drop::kMove | drop::kLink;

// A pane over "a" (folder: "a1" folder, "f" file) and the top-level file
// "b". Records what a drop asks of it; DropFiles replaces a file target by
// its folder as the real controllers do.
class RecordingController final : public TreeController {
public:
    int IsStoreSide() const override { return 1; }
    Status PopulateChildren(TreeListModel& ctrl, CTreeListItem* parent, int* status) override
    {
        *status = 0;
        ++listings;
        if (parent && parent->Text(0) == QLatin1String("a1"))
            ctrl.SetItemState(ctrl.InsertItem(QStringLiteral("deep"), parent), tls::kExpanded | tls::kLeaf);
        return S_OK;
    }
    DropFileList BuildDropFileList(TreeListModel&, int, int, const QString&) override { return {}; }
    void ReleaseItemData(CTreeListItem*) override {}
    Status DropFiles(TreeListModel&, const DropFileList& files, CTreeListItem** target, std::uint32_t effect) override
    {
        dropped = files.Paths();
        droppedOn = *target;
        droppedEffect = effect;
        busyWhileDropping = IsBusy();
        return dropStatus;
    }
    Status RefreshItem(TreeListModel&, CTreeListItem* item, int* status) override
    {
        refreshed = item;
        *status = 0;
        return S_OK;
    }
    Status OpenItem(TreeListModel&, CTreeListItem*) override { return S_OK; }
    Status DeleteSelection(TreeListModel&) override { return S_OK; }
    bool CanPaste(const QMimeData*) const override { return false; }
    Status Paste(TreeListModel&, const QMimeData*) override { return S_FALSE; }
    bool IsContainer(TreeListModel&, CTreeListItem* item) override
    {
        return !item || item == TLI_ROOT || !(item->State() & tls::kLeaf);
    }
    Status CreateFolder(TreeListModel&, const QString&) override { return S_OK; }

    QStringList dropped;
    CTreeListItem* droppedOn = nullptr;
    CTreeListItem* refreshed = nullptr;
    std::uint32_t droppedEffect = 0;
    int busyWhileDropping = 0;
    int listings = 0;
    Status dropStatus = S_OK;
};

// Lists a folder on expansion, as the pane's control does.
class Expander final : public ITreeListNotify {
public:
    Expander(TreeListModel& model, TreeController& controller) : model_(model), controller_(controller) {}
    bool SelectionChanging(CTreeListItem*) override { return true; }
    void SelectionChanged(CTreeListItem*, int) override {}
    bool ItemExpanding(CTreeListItem* item) override
    {
        int status = 0;
        (void)controller_.PopulateChildren(model_, item, &status);
        return true;
    }
    void ItemExpanded(CTreeListItem*) override {}
    void DeleteItem(CTreeListItem*) override {}

private:
    TreeListModel& model_;
    TreeController& controller_;
};

struct StorePane {
    TreeListModel model;
    RecordingController controller;
    Expander expander {model, controller};
    std::int64_t now = 0;
    PaneDropTarget target {controller, model, kStoreMarker, [this] { return now; }};
    CTreeListItem* a = nullptr;
    CTreeListItem* a1 = nullptr;
    CTreeListItem* f = nullptr;
    CTreeListItem* b = nullptr;

    StorePane()
    {
        model.SetNotify(&expander);
        a = model.InsertItem(QStringLiteral("a"));
        a1 = model.InsertItem(QStringLiteral("a1"), a);
        f = model.InsertItem(QStringLiteral("f"), a);
        b = model.InsertItem(QStringLiteral("b"));
        model.SetItemState(a, tls::kExpanded);
        model.SetItemState(f, tls::kExpanded | tls::kLeaf);
        model.SetItemState(b, tls::kExpanded | tls::kLeaf);
    }
    CTreeListItem* Named(const QString& name) const
    {
        if (name == QLatin1String("a"))
            return a;
        if (name == QLatin1String("a1"))
            return a1;
        if (name == QLatin1String("f"))
            return f;
        if (name == QLatin1String("b"))
            return b;
        return nullptr;
    }
};

// A drag from the host pane (or a file manager, without the marker).
QMimeData* HostDrag(const QStringList& urls, bool marker = true)
{
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(mime::kUriList), urls.join(u'\n').toUtf8());
    if (marker)
        data->setData(kHostMarker, QByteArray());
    return data;
}

}  // namespace

class TestDragDrop : public QObject {
    Q_OBJECT

private slots:
    void effectChoice_data();
    void effectChoice();
    void acceptance_data();
    void acceptance();
    void dropGoesToAFolder_data();
    void dropGoesToAFolder();
    void dropRefusedOrEmpty();
    void hoverOpensAFolderOnce();
    void storeDragDecryptsOnlyWhenAsked();
    void dragFolderLivesUntilTheNextDrag();
    void storeDragDecryptsIntoThePrivateFolder();
};

void TestDragDrop::effectChoice_data()
{
    QTest::addColumn<int>("keys");
    QTest::addColumn<quint32>("allowed");
    QTest::addColumn<quint32>("effect");
    const int none = Qt::NoModifier;
    const int shift = Qt::ShiftModifier;
    const int ctrl = Qt::ControlModifier;
    const int both = Qt::ControlModifier | Qt::ShiftModifier;
    QTest::newRow("plain from the host pane copies") << none << kHostAllowed << drop::kCopy;
    QTest::newRow("Shift moves") << shift << kHostAllowed << drop::kMove;
    QTest::newRow("Ctrl copies") << ctrl << kHostAllowed << drop::kCopy;
    QTest::newRow("Ctrl+Shift from a pane: nothing") << both << kHostAllowed << drop::kNone;
    QTest::newRow("Ctrl+Shift links where allowed") << both << kDesktopAllowed << drop::kLink;
    QTest::newRow("Shift from the store: nothing") << shift << kStoreAllowed << drop::kNone;
    QTest::newRow("plain from the store copies") << none << kStoreAllowed << drop::kCopy;
    QTest::newRow("plain, move only: moves") << none << drop::kMove << drop::kMove;
    QTest::newRow("plain, link only: links") << none << drop::kLink << drop::kLink;
    QTest::newRow("Alt alone counts as plain") << int(Qt::AltModifier) << kHostAllowed << drop::kCopy;
    QTest::newRow("nothing allowed") << none << drop::kScroll << drop::kNone;
}

void TestDragDrop::effectChoice()
{
    QFETCH(int, keys);
    QFETCH(quint32, allowed);
    QFETCH(quint32, effect);
    QCOMPARE(DropEffect::Choose(Qt::KeyboardModifiers(keys), allowed), effect);
    // The round trip through Qt's actions keeps the choice (scroll has none).
    QCOMPARE(DropEffect::Choose(Qt::KeyboardModifiers(keys), DropEffect::FromActions(DropEffect::ToActions(allowed))),
             effect);
}

void TestDragDrop::acceptance_data()
{
    QTest::addColumn<QStringList>("formats");
    QTest::addColumn<QString>("ownMarker");
    QTest::addColumn<bool>("accepted");
    const QString uris = QString::fromLatin1(mime::kUriList);
    QTest::newRow("host pane into the store") << QStringList {uris, kHostMarker} << kStoreMarker << true;
    QTest::newRow("store into the host pane") << QStringList {uris, kStoreMarker} << kHostMarker << true;
    QTest::newRow("within the host pane") << QStringList {uris, kHostMarker} << kHostMarker << false;
    QTest::newRow("within the store pane") << QStringList {uris, kStoreMarker} << kStoreMarker << false;
    QTest::newRow("file manager into the store") << QStringList {uris} << kStoreMarker << true;
    QTest::newRow("stored paths alone (no file list)") << QStringList {kStoreMarker} << kHostMarker << false;
    QTest::newRow("text only") << QStringList {QStringLiteral("text/plain")} << kStoreMarker << false;
}

void TestDragDrop::acceptance()
{
    QFETCH(QStringList, formats);
    QFETCH(QString, ownMarker);
    QFETCH(bool, accepted);
    QMimeData data;
    for (const QString& format : formats)
        data.setData(format, format == QLatin1String("text/uri-list") ? QByteArray("file:///tmp/x") : QByteArray());
    QCOMPARE(PaneDropTarget::Accepts(&data, ownMarker), accepted);
    if (ownMarker == kStoreMarker) {
        StorePane pane;
        QCOMPARE(pane.target.Enter(&data, Qt::NoModifier, kHostAllowed), accepted ? drop::kCopy : drop::kNone);
    }
}

void TestDragDrop::dropGoesToAFolder_data()
{
    QTest::addColumn<QString>("hit");
    QTest::addColumn<QString>("target");  // empty: the pane's root
    QTest::newRow("onto a folder") << "a" << "a";
    QTest::newRow("onto a folder inside") << "a1" << "a1";
    QTest::newRow("onto a file: its folder") << "f" << "a";
    QTest::newRow("onto a top-level file: the root") << "b" << "";
    QTest::newRow("onto empty space: the root") << "" << "";
}

void TestDragDrop::dropGoesToAFolder()
{
    QFETCH(QString, hit);
    QFETCH(QString, target);
    StorePane pane;
    CTreeListItem* hitItem = pane.Named(hit);
    CTreeListItem* expected = target.isEmpty() ? TLI_ROOT : pane.Named(target);
    std::unique_ptr<QMimeData> data(HostDrag({QStringLiteral("file:///home/u/one.txt"),
                                              QStringLiteral("file:///home/u/two%20words")}));
    QCOMPARE(pane.target.Enter(data.get(), Qt::ShiftModifier, kHostAllowed), drop::kMove);
    QCOMPARE(pane.target.Over(hitItem, Qt::ShiftModifier, kHostAllowed), drop::kMove);
    // The item under the cursor is marked, a file as much as a folder.
    QCOMPARE(pane.model.DropHighlight(), hitItem);
    QCOMPARE(pane.model.TargetItem(), hitItem);

    std::uint32_t told = 0;
    QStringList notLocal;
    QCOMPARE(pane.target.Drop(data.get(), hitItem, Qt::ShiftModifier, kHostAllowed, &told, &notLocal), S_OK);
    QCOMPARE(pane.controller.droppedOn, expected);
    QCOMPARE(pane.controller.refreshed, expected);
    QCOMPARE(pane.controller.dropped,
             (QStringList {QStringLiteral("/home/u/one.txt"), QStringLiteral("/home/u/two words")}));
    QCOMPARE(pane.controller.droppedEffect, drop::kMove);
    QCOMPARE(pane.controller.busyWhileDropping, 1);
    QCOMPARE(pane.controller.IsBusy(), 0);
    QCOMPARE(told, drop::kMove);  // our host pane refreshes after a move
    QVERIFY(notLocal.isEmpty());
    QCOMPARE(pane.model.DropHighlight(), nullptr);
    QCOMPARE(pane.model.TargetItem(), nullptr);
}

void TestDragDrop::dropRefusedOrEmpty()
{
    StorePane pane;
    std::uint32_t told = 99;
    // A drag out of this very pane: refused, nothing marked, nothing dropped.
    {
        QMimeData own;
        own.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/_Orvane1/x"))});
        own.setData(kStoreMarker, QByteArray());
        QCOMPARE(pane.target.Enter(&own, Qt::NoModifier, kStoreAllowed), drop::kNone);
        QCOMPARE(pane.target.Over(pane.a, Qt::NoModifier, kStoreAllowed), drop::kNone);
        QCOMPARE(pane.model.DropHighlight(), nullptr);
        QCOMPARE(pane.target.Drop(&own, pane.a, Qt::NoModifier, kStoreAllowed, &told, nullptr), S_OK);
        QCOMPARE(told, drop::kNone);
        QVERIFY(pane.controller.dropped.isEmpty());
    }
    // Ctrl+Shift from the host pane: no effect, so nothing is dropped.
    {
        std::unique_ptr<QMimeData> data(HostDrag({QStringLiteral("file:///home/u/one.txt")}));
        (void)pane.target.Enter(data.get(), Qt::NoModifier, kHostAllowed);
        const Qt::KeyboardModifiers both = Qt::ControlModifier | Qt::ShiftModifier;
        QCOMPARE(pane.target.Drop(data.get(), pane.a, both, kHostAllowed, &told, nullptr), S_OK);
        QCOMPARE(told, drop::kNone);
        QVERIFY(pane.controller.dropped.isEmpty());
    }
    // A file manager's move: remote entries left out and named, the local
    // ones dropped; the source hears "copied" so it deletes nothing itself.
    {
        std::unique_ptr<QMimeData> data(HostDrag({QStringLiteral("sftp://host/etc/passwd"),
                                                  QStringLiteral("file:///home/u/one.txt")}, false));
        (void)pane.target.Enter(data.get(), Qt::ShiftModifier, kDesktopAllowed);
        QStringList notLocal;
        QCOMPARE(pane.target.Drop(data.get(), nullptr, Qt::ShiftModifier, kDesktopAllowed, &told, &notLocal), S_OK);
        QCOMPARE(pane.controller.dropped, QStringList {QStringLiteral("/home/u/one.txt")});
        QCOMPARE(pane.controller.droppedEffect, drop::kMove);
        QCOMPARE(notLocal, QStringList {QStringLiteral("sftp://host/etc/passwd")});
        QCOMPARE(told, drop::kCopy);
    }
    // A failed transfer tells the source nothing was done.
    {
        pane.controller.dropStatus = E_FAIL;
        std::unique_ptr<QMimeData> data(HostDrag({QStringLiteral("file:///home/u/one.txt")}));
        (void)pane.target.Enter(data.get(), Qt::ShiftModifier, kHostAllowed);
        QCOMPARE(pane.target.Drop(data.get(), pane.a, Qt::ShiftModifier, kHostAllowed, &told, nullptr), E_FAIL);
        QCOMPARE(told, drop::kNone);
        QCOMPARE(pane.controller.IsBusy(), 0);
    }
    // A pane busy with a transfer takes no drag until it is done.
    {
        pane.controller.dropStatus = S_OK;
        pane.controller.dropped.clear();
        pane.controller.SetBusy(1);
        std::unique_ptr<QMimeData> data(HostDrag({QStringLiteral("file:///home/u/one.txt")}));
        QCOMPARE(pane.target.Enter(data.get(), Qt::NoModifier, kHostAllowed), drop::kNone);
        QCOMPARE(pane.target.Drop(data.get(), pane.a, Qt::NoModifier, kHostAllowed, &told, nullptr), S_OK);
        QVERIFY(pane.controller.dropped.isEmpty());
        pane.controller.SetBusy(0);
    }
}

void TestDragDrop::hoverOpensAFolderOnce()
{
    StorePane pane;
    std::unique_ptr<QMimeData> data(HostDrag({QStringLiteral("file:///home/u/one.txt")}));
    (void)pane.target.Enter(data.get(), Qt::NoModifier, kHostAllowed);
    QCOMPARE(pane.target.HoverRemainingMs(), -1);

    // Over a1 from t = 0: not at 1000 ms, just after it; once.
    (void)pane.target.Over(pane.a1, Qt::NoModifier, kHostAllowed);
    QCOMPARE(pane.target.HoverRemainingMs(), 1001);
    pane.now = 1000;
    (void)pane.target.Over(pane.a1, Qt::NoModifier, kHostAllowed);
    QVERIFY(!pane.target.CheckHover());
    QVERIFY(!(pane.a1->State() & tls::kExpanded));
    pane.now = 1001;
    QCOMPARE(pane.target.HoverRemainingMs(), 0);
    QVERIFY(pane.target.CheckHover());
    QVERIFY(pane.a1->State() & tls::kExpanded);
    QCOMPARE(pane.a1->Children().size(), std::size_t {1});
    pane.model.Expand(pane.a1, TreeExpand::Collapse);
    pane.now = 5000;
    QVERIFY(!pane.target.CheckHover());  // still over a1: it opened once

    // Another item restarts the wait: b at 5000, a at 5600.
    (void)pane.target.Over(pane.b, Qt::NoModifier, kHostAllowed);
    pane.now = 5600;
    (void)pane.target.Over(pane.a, Qt::NoModifier, kHostAllowed);
    pane.now = 6100;
    QVERIFY(!pane.target.CheckHover());
    QCOMPARE(pane.target.HoverRemainingMs(), 501);
    // Empty space stops the wait; a file never opens.
    (void)pane.target.Over(nullptr, Qt::NoModifier, kHostAllowed);
    QCOMPARE(pane.target.HoverRemainingMs(), -1);
    (void)pane.target.Over(pane.b, Qt::NoModifier, kHostAllowed);
    pane.now = 9000;
    QVERIFY(!pane.target.CheckHover());

    // Leaving and coming back over the same folder starts afresh.
    (void)pane.target.Over(pane.a1, Qt::NoModifier, kHostAllowed);
    pane.target.Leave();
    QCOMPARE(pane.model.DropHighlight(), nullptr);
    pane.now = 20000;
    (void)pane.target.Enter(data.get(), Qt::NoModifier, kHostAllowed);
    (void)pane.target.Over(pane.a1, Qt::NoModifier, kHostAllowed);
    QCOMPARE(pane.target.HoverRemainingMs(), 1001);
    pane.now = 21001;
    QVERIFY(pane.target.CheckHover());
    QVERIFY(pane.a1->State() & tls::kExpanded);
}

void TestDragDrop::storeDragDecryptsOnlyWhenAsked()
{
    const QStringList offered {QStringLiteral("/tmp/_Orvane7/report.pdf"), QStringLiteral("/tmp/_Orvane7/photos")};
    int renders = 0;
    bool succeed = true;
    auto makeDrag = [&](const QString& tempFolder) {
        auto drag = std::make_unique<TreeListDataObject>(kStoreMarker);
        drag->SetTempFolder(tempFolder);
        drag->AddStoreFile(QStringLiteral("/media/u/STICK/Store/12"));
        drag->AddStoreFile(QStringLiteral("/media/u/STICK/Store/13"));
        drag->SetFiles(DropFileList(offered));
        // The folder by value: the caller's text is gone when the target asks.
        drag->SetRenderer([&renders, &succeed, tempFolder](const QStringList& files, const QString& folder) {
            ++renders;
            return files.size() == 2 && folder == tempFolder && succeed;
        });
        return drag;
    };

    // Formats and the marker are answered without decrypting anything: a
    // target may look while the button is still down.
    auto drag = makeDrag(QStringLiteral("/tmp/_Orvane7/"));
    QVERIFY(drag->hasUrls());
    QVERIFY(PaneMimeData::HasFileList(drag.get()));
    QVERIFY(drag->hasFormat(kStoreMarker));
    QVERIFY(drag->data(kStoreMarker).isEmpty());
    QCOMPARE(renders, 0);
    // The first read of the list decrypts, once.
    QCOMPARE(PaneMimeData::LocalFiles(drag.get()).Paths(), offered);
    QCOMPARE(drag->urls().size(), 2);
    QCOMPARE(renders, 1);
    QCOMPARE(drag->RenderState(), TreeListDataObject::Rendering::Done);

    // A failed decryption: the list reads empty, nothing reaches a target.
    succeed = false;
    drag = makeDrag(QStringLiteral("/tmp/_Orvane7/"));
    QVERIFY(PaneMimeData::LocalFiles(drag.get()).Paths().isEmpty());
    QVERIFY(drag->data(QString::fromLatin1(mime::kUriList)).isEmpty());
    QVERIFY(drag->urls().isEmpty());
    QCOMPARE(renders, 2);

    // No temporary folder: refused without decrypting.
    succeed = true;
    drag = makeDrag(QString());
    QVERIFY(!drag->RenderStoreFiles());
    QVERIFY(drag->urls().isEmpty());
    QCOMPARE(renders, 2);

    // A host drag has nothing to decrypt and no renderer.
    TreeListDataObject host(kHostMarker);
    host.SetFiles(DropFileList({QStringLiteral("/home/u/one.txt")}));
    QCOMPARE(host.urls(), QList<QUrl> {QUrl::fromLocalFile(QStringLiteral("/home/u/one.txt"))});
}

namespace {
std::atomic<bool> g_unlinkOnCaller {false};
std::atomic<QThread*> g_caller {nullptr};
}  // namespace

void TestDragDrop::dragFolderLivesUntilTheNextDrag()
{
    QString first;
    QString second;
    {
        DragTempFolder folders;
        first = folders.Next();
        QVERIFY(!first.isEmpty());
        QVERIFY(first.endsWith(u'/'));
        QVERIFY(QFileInfo(first).fileName().isEmpty() && QDir(first).dirName().startsWith(QLatin1String("_Orvane")));
        // Qt's "user" bits are the file's owner bits; group and others none.
        QCOMPARE(QFileInfo(QDir(first).absolutePath()).permissions() & 0x0777,
                 QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
        QFile plain(first + QStringLiteral("secret.txt"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        QCOMPARE(plain.write("decrypted"), qint64 {9});
        plain.close();
        QVERIFY(QDir(first + QStringLiteral("sub")).mkpath(QStringLiteral(".")));
        // The drag is over; a program may still copy: the folder stays.
        QVERIFY(QFileInfo::exists(first + QStringLiteral("secret.txt")));
        // The next drag starts without waiting on the disk: the old folder
        // is wiped on another thread.
        g_unlinkOnCaller = false;
        g_caller = QThread::currentThread();
        FaultInjection::Observe([](const char* what) {
            if (qstrcmp(what, "unlink") == 0 && QThread::currentThread() == g_caller)
                g_unlinkOnCaller = true;
        });
        second = folders.Next();
        folders.WaitForWipes();
        FaultInjection::Observe(nullptr);
        QVERIFY(!g_unlinkOnCaller);
        QVERIFY(second != first);
        QVERIFY(!QFileInfo::exists(first));
        QVERIFY(QFileInfo::exists(second));
    }
    QVERIFY(!QFileInfo::exists(second));
}

void TestDragDrop::storeDragDecryptsIntoThePrivateFolder()
{
    test::StoreFixture f;
    QVERIFY(test::WriteAll(f.host + QStringLiteral("/note.txt"), "plain words"));
    {
        HeadlessProgress progress(&f.languages);
        CopyToDeviceThread worker(&progress, *f.store, DropFileList({f.host + QStringLiteral("/note.txt")}), {},
                                  f.languages);
        worker.Start();
        progress.RunModal(worker.Thread(), false);
        QCOMPARE(worker.GetStatus(), S_OK);
    }
    QString stored;
    ManifestEntry entry;
    QCOMPARE(f.store->Resolve(QStringLiteral("note.txt"), &stored, &entry), S_OK);
    const PaneServices services {f.languages, [&f] { return std::make_unique<HeadlessProgress>(&f.languages); }};

    DragTempFolder folders;
    const QString folder = folders.Next();
    TreeListDataObject drag(kStoreMarker);
    drag.SetTempFolder(folder);
    drag.AddStoreFile(stored);
    drag.SetFiles(DropFileList({folder + QStringLiteral("note.txt")}));
    drag.SetRenderer([&](const QStringList& files, const QString& into) {
        return StoreDragRender::Run(services, *f.store, files, into);
    });
    QVERIFY(!QFileInfo::exists(folder + QStringLiteral("note.txt")));
    const QStringList offered = PaneMimeData::LocalFiles(&drag).Paths();
    QCOMPARE(offered, QStringList {folder + QStringLiteral("note.txt")});
    QCOMPARE(test::ReadAll(offered.first()), QByteArray("plain words"));
    QCOMPARE(QFileInfo(offered.first()).permissions() & 0x0777, QFile::ReadUser | QFile::WriteUser);

    // A stored file that went missing: the error is shown, nothing offered.
    TreeListDataObject broken(kStoreMarker);
    broken.SetTempFolder(folders.Next());
    broken.AddStoreFile(stored + QStringLiteral("9"));
    broken.SetFiles(DropFileList({folders.Current() + QStringLiteral("gone.txt")}));
    broken.SetRenderer([&](const QStringList& files, const QString& into) {
        return StoreDragRender::Run(services, *f.store, files, into);
    });
    QVERIFY(broken.urls().isEmpty());
    // Said once: the run that left the file out told why.
    QCOMPARE(f.answers.Asked().size(), 1);
    QCOMPARE(f.answers.Asked().first().title, f.languages.GetText(msg::kCaptionError));
    folders.WaitForWipes();
    QVERIFY(!QFileInfo::exists(folder));  // the earlier drag's folder went with this drag
}

QTEST_GUILESS_MAIN(TestDragDrop)
#include "tst_dragdrop.moc"
