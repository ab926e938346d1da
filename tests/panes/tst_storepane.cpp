// The store pane's controller on a real store, without a window: listing
// order, expand buttons, paths, columns, the delete question, drops and
// pastes into the right folder, a new folder under a file, and folders
// whose list or stored files are gone, and a drag out of the store.

#include "StoreFixture.h"
#include "TestSupport.h"

#include "base/HeadlessProgress.h"
#include "base/MessageIds.h"
#include "panes/DeviceDataTreeController.h"
#include "panes/FileIconTable.h"
#include "panes/PaneDropTarget.h"
#include "panes/PaneMimeData.h"
#include "panes/TreeListDataObject.h"
#include "panes/TreeListModel.h"
#include "platform/FaultInjection.h"
#include "store/CopyToDeviceThread.h"
#include "store/OpenedFileList.h"
#include "store/StoreStatus.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QMimeData>
#include <QTest>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>

using namespace nbr;
using namespace nbr::test;

namespace {

// What the pane does with the control's notices: list on expansion, free
// the data of deleted items.
class PaneNotify final : public ITreeListNotify {
public:
    PaneNotify(TreeListModel& ctrl, TreeController& controller) : ctrl_(ctrl), controller_(controller) {}
    bool SelectionChanging(CTreeListItem*) override { return true; }
    void SelectionChanged(CTreeListItem*, int) override {}
    bool ItemExpanding(CTreeListItem* item) override
    {
        int status = 0;
        (void)controller_.PopulateChildren(ctrl_, item, &status);
        return true;
    }
    void ItemExpanded(CTreeListItem*) override {}
    void DeleteItem(CTreeListItem* item) override { controller_.ReleaseItemData(item); }

private:
    TreeListModel& ctrl_;
    TreeController& controller_;
};

struct Pane : StoreFixture {
    OpenedFileList opened {*store, dir.filePath(QStringLiteral("stick/LaunchBin")), languages};
    // The drag loop: gets the data of a drag and answers the effect.
    std::function<std::uint32_t(QMimeData*, std::uint32_t)> dragged;
    DeviceDataTreeController controller {
        PaneServices {languages,
                      [this] {
                          auto dialog = std::make_unique<HeadlessProgress>(&languages);
                          // Cancel pressed at once, while the job still counts its work.
                          if (cancelAtOnce)
                              dialog->Cancel();
                          return dialog;
                      },
                      nullptr,
                      [this](QMimeData* data, std::uint32_t allowed) -> std::uint32_t {
                          const std::unique_ptr<QMimeData> owned(data);
                          return dragged ? dragged(data, allowed) : drop::kNone;
                      }},
        *store, opened};
    bool cancelAtOnce = false;
    TreeListModel ctrl;
    QAbstractItemModelTester tester {&ctrl, QAbstractItemModelTester::FailureReportingMode::QtTest};
    PaneNotify notify {ctrl, controller};

    Pane() { ctrl.SetNotify(&notify); }
    ~Pane() { ctrl.DeleteItem(TLI_ROOT); }

    QString Host(const QString& name, const QByteArray& content = "x") const
    {
        const QString path = host + QLatin1Char('/') + name;
        (void)WriteAll(path, content);
        return path;
    }
    // Stores host files into a stored folder (the root when empty).
    void Store(const QStringList& paths, const QString& folder = {})
    {
        HeadlessProgress progress(&languages);
        CopyToDeviceThread worker(&progress, *store, DropFileList(paths), folder, languages);
        QCOMPARE(worker.RunHere(), S_OK);
    }
    QString Folder(const QString& name, const QString& parent = {})
    {
        QString path;
        (void)store->CreateStoreFolder(parent.isEmpty() ? root : parent, name, &path);
        return path;
    }
    Status List()
    {
        ctrl.DeleteItem(TLI_ROOT);
        int status = 0;
        return controller.PopulateChildren(ctrl, nullptr, &status);
    }
    CTreeListItem* Item(const QString& name, CTreeListItem* parent = nullptr) const
    {
        for (CTreeListItem* c = ctrl.NextItem(parent, TreeNext::FirstChild); c; c = ctrl.NextItem(c, TreeNext::NextSibling))
            if (c->Text(0) == name)
                return c;
        return nullptr;
    }
    QStringList Names(CTreeListItem* parent = nullptr) const
    {
        QStringList names;
        for (CTreeListItem* c = ctrl.NextItem(parent, TreeNext::FirstChild); c; c = ctrl.NextItem(c, TreeNext::NextSibling))
            names << c->Text(0);
        return names;
    }
    QStringList Stored(const QString& folder)
    {
        std::vector<StoreListEntry> entries;
        (void)store->ListFolder(folder, &entries);
        QStringList names;
        for (const StoreListEntry& e : entries)
            names << e.name;
        return names;
    }
};

}  // namespace

class TestStorePane : public QObject {
    Q_OBJECT

private slots:
    void listsAFolder();
    void columnsFollowTheNames();
    void listsWhatItCan();
    void asksOnceBeforeDeleting();
    void dropsIntoTheFolderOfAFile();
    void pastesLocalFilesAndReportsTheRest();
    void dragDecryptsOnlyWhenTheTargetAsks();
    void dropsLocalFilesAndReportsTheRest();
    void refusesANewFolderUnderAFile();
    void iconsFollowTheWholeName();
};

void TestStorePane::columnsFollowTheNames()
{
    Pane p;
    const QString big = p.Folder(QStringLiteral("Big"));
    QStringList files;
    for (int i = 0; i < 150; ++i)
        files << p.Host(QStringLiteral("f%1.txt").arg(i, 3, 10, QLatin1Char('0')));
    p.Store(files, big);
    QCOMPARE(p.List(), S_OK);
    CTreeListItem* folder = p.Item(QStringLiteral("Big"));
    QTRY_VERIFY(p.controller.ColumnsFilled());
    QVERIFY(!folder->Text(2).isEmpty());
    QVERIFY(folder->Text(1).isEmpty());

    // The names show before anything of the stick is read; the columns come
    // in afterwards, the first rows and the rest alike.
    p.ctrl.Expand(folder, TreeExpand::Expand);
    QCOMPARE(p.Names(folder).size(), 150);
    CTreeListItem* firstRow = p.Item(QStringLiteral("f000.txt"), folder);
    CTreeListItem* lastRow = p.Item(QStringLiteral("f149.txt"), folder);
    QVERIFY(firstRow->Text(1).isEmpty());
    QVERIFY(!p.controller.ColumnsFilled());
    QTRY_VERIFY(p.controller.ColumnsFilled());
    QCOMPARE(firstRow->Text(1), QStringLiteral("189"));
    QCOMPARE(lastRow->Text(1), QStringLiteral("189"));
    QVERIFY(!lastRow->Text(2).isEmpty());
    QString tip;
    QCOMPARE(lastRow->Data()->GetInfoTip(&tip), S_OK);
    QVERIFY2(tip.contains(QStringLiteral("189")), qPrintable(tip));

    // Listed again and emptied before the results come: they are dropped,
    // nothing touches the freed rows (the sanitizer build would say so).
    p.ctrl.Expand(folder, TreeExpand::CollapseReset);
    p.ctrl.Expand(folder, TreeExpand::Expand);
    p.ctrl.Expand(folder, TreeExpand::CollapseReset);
    p.ctrl.Expand(folder, TreeExpand::Expand);
    (void)p.ctrl.DeleteItem(p.Item(QStringLiteral("f100.txt"), folder));
    QTRY_VERIFY(p.controller.ColumnsFilled());
    QCOMPARE(p.Names(folder).size(), 149);
    QCOMPARE(p.Item(QStringLiteral("f149.txt"), folder)->Text(1), QStringLiteral("189"));
    // A stored file gone from the stick keeps both columns empty.
    QVERIFY(QFile::remove(p.controller.ItemStoredPath(p.Item(QStringLiteral("f148.txt"), folder))));
    p.ctrl.Expand(folder, TreeExpand::CollapseReset);
    p.ctrl.Expand(folder, TreeExpand::Expand);
    QTRY_VERIFY(p.controller.ColumnsFilled());
    QVERIFY(p.Item(QStringLiteral("f148.txt"), folder)->Text(1).isEmpty());
    QVERIFY(p.Item(QStringLiteral("f148.txt"), folder)->Text(2).isEmpty());
    (void)p.ctrl.DeleteItem(TLI_ROOT);
    // Results of a listing whose pane went away find nothing to change.
    QCOMPARE(p.List(), S_OK);
    (void)p.ctrl.DeleteItem(TLI_ROOT);
    QTest::qWait(200);
}

void TestStorePane::listsAFolder()
{
    Pane p;
    const QString docs = p.Folder(QStringLiteral("Docs"));
    (void)p.Folder(QStringLiteral("alpha"));
    p.Store({p.Host(QStringLiteral("B.txt")), p.Host(QStringLiteral("a.txt"))});
    p.Store({p.Host(QStringLiteral("x.txt"))}, docs);
    // A folder that once held an item keeps its list files when emptied.
    const QString once = p.Folder(QStringLiteral("Once"));
    p.Store({p.Host(QStringLiteral("gone.txt"))}, once);
    QString gone;
    ManifestEntry entry;
    QCOMPARE(p.store->Resolve(QStringLiteral("Once/gone.txt"), &gone, &entry), S_OK);
    QCOMPARE(p.store->DeleteStoreItem(gone, nullptr), S_OK);

    QCOMPARE(p.List(), S_OK);
    QCOMPARE(p.Names(), (QStringList {"alpha", "Docs", "Once", "a.txt", "B.txt"}));
    QCOMPARE(p.ctrl.Selection(), std::vector<CTreeListItem*> {p.Item("alpha")});

    // Buttons: every folder has one until it is opened (no subfolder is
    // read to list its parent); opened and found empty, it loses it.
    QVERIFY(TreeListModel::HasButton(p.Item("alpha")));
    QVERIFY(TreeListModel::HasButton(p.Item("Docs")));
    p.ctrl.Expand(p.Item("alpha"), TreeExpand::Expand);
    QVERIFY(!TreeListModel::HasButton(p.Item("alpha")));
    CTreeListItem* onceItem = p.Item("Once");
    QVERIFY(TreeListModel::HasButton(onceItem));
    p.ctrl.Expand(onceItem, TreeExpand::Expand);
    QVERIFY(p.Names(onceItem).isEmpty());
    QVERIFY(!TreeListModel::HasButton(onceItem));

    CTreeListItem* file = p.Item("a.txt");
    QCOMPARE(file->State() & (tls::kLeaf | tls::kExpanded | tls::kImage), tls::kLeaf | tls::kExpanded | tls::kImage);
    QTRY_VERIFY(p.controller.ColumnsFilled());
    QCOMPARE(file->Text(1), QStringLiteral("189"));  // the encrypted size of one byte
    QVERIFY(!file->Text(2).isEmpty());
    QVERIFY(p.Item("Docs")->Text(1).isEmpty());

    CTreeListItem* docsItem = p.Item("Docs");
    p.ctrl.Expand(docsItem, TreeExpand::Expand);
    CTreeListItem* x = p.Item("x.txt", docsItem);
    QVERIFY(x);
    const QString xStored = EncryptedStore::StoredPathOf(docs, static_cast<DeviceDataTreeController::Data*>(x->Data())->Id());
    QCOMPARE(p.controller.ItemStoredPath(x), xStored);
    QVERIFY(QFile::exists(xStored));
    QCOMPARE(DeviceDataTreeController::ItemDisplayPath(x), QStringLiteral("Docs/x.txt"));
    QVERIFY(p.controller.ItemIsFolder(docsItem));
    QVERIFY(!p.controller.ItemIsFolder(x));
    // The column shows the stored size; the tip gives the content's size
    // beside it, to compare with the host pane. A folder has no tip.
    QString tip;
    QCOMPARE(file->Data()->GetInfoTip(&tip), S_OK);
    QCOMPARE(tip, p.languages.FormatText(msg::kStoredSizeTip, {QStringLiteral("1"), QStringLiteral("189")}));
    QCOMPARE(docsItem->Data()->GetInfoTip(&tip), E_FAIL);

    p.ctrl.SelectItem(x);
    QCOMPARE(p.controller.BuildDropFileList(p.ctrl, 0, 0, QStringLiteral("/tmp/T/")).Paths(),
             QStringList {"/tmp/T/x.txt"});
    QCOMPARE(p.controller.BuildDropFileList(p.ctrl, 0, 0, {}).Paths(), QStringList {xStored});
}

void TestStorePane::listsWhatItCan()
{
    Pane p;
    const QString docs = p.Folder(QStringLiteral("Docs"));
    p.Store({p.Host(QStringLiteral("x.txt"))}, docs);
    p.Store({p.Host(QStringLiteral("lost.txt"))});
    QString lostPath;
    ManifestEntry entry;
    QCOMPARE(p.store->Resolve(QStringLiteral("lost.txt"), &lostPath, &entry), S_OK);
    QVERIFY(QFile::remove(lostPath));
    for (const QString& name : {QStringLiteral(".manifest"), QStringLiteral(".manifest.bak")})
        QVERIFY(WriteAll(docs + QLatin1Char('/') + name, QByteArray(64, 'z')));

    QCOMPARE(p.List(), S_OK);
    CTreeListItem* lost = p.Item("lost.txt");
    QVERIFY(lost);
    QVERIFY(lost->Text(1).isEmpty() && lost->Text(2).isEmpty());

    CTreeListItem* docsItem = p.Item("Docs");
    int status = 0;
    QCOMPARE(p.controller.PopulateChildren(p.ctrl, docsItem, &status), E_STORE_MANIFEST);
    QCOMPARE(status, -1);
    QVERIFY(p.Names(docsItem).isEmpty());
}

void TestStorePane::asksOnceBeforeDeleting()
{
    Pane p;
    const QString docs = p.Folder(QStringLiteral("Docs"));
    p.Store({p.Host(QStringLiteral("x.txt")), p.Host(QStringLiteral("y.txt"))}, docs);
    p.Store({p.Host(QStringLiteral("a.txt")), p.Host(QStringLiteral("b.txt"))});
    QCOMPARE(p.List(), S_OK);
    CTreeListItem* docsItem = p.Item("Docs");
    p.ctrl.Expand(docsItem, TreeExpand::Expand);

    // Three items, declined: one question with the count, nothing goes.
    p.ctrl.SelectItem(p.Item("a.txt"));
    p.ctrl.SetSelected(p.Item("b.txt"), true);
    p.ctrl.SetSelected(p.Item("x.txt", docsItem), true);
    p.answers.Script({mb::kIdNo});
    QCOMPARE(p.controller.DeleteSelection(p.ctrl), S_FALSE);
    QCOMPARE(p.answers.Asked().size(), 1);
    const MessageBoxRequest asked = p.answers.Asked().first();
    QCOMPARE(asked.text, p.languages.FormatText(msg::kQuestionDeleteItems, {3}));
    QCOMPARE(asked.title, p.languages.GetText(msg::kCaptionNotice));
    QCOMPARE(asked.buttons, mb::kYes | mb::kNo);
    QCOMPARE(asked.icon, mb::kIconInformation);
    QCOMPARE(p.Stored(p.root), (QStringList {"Docs", "a.txt", "b.txt"}));
    QCOMPARE(p.Stored(docs), (QStringList {"x.txt", "y.txt"}));

    // A file inside a folder and one at the top: both lists change and the
    // tree is read again.
    p.answers.Script({mb::kIdYes});
    p.ctrl.SelectItem(p.Item("x.txt", docsItem));
    p.ctrl.SetSelected(p.Item("a.txt"), true);
    QCOMPARE(p.controller.DeleteSelection(p.ctrl), S_OK);
    QCOMPARE(p.Stored(p.root), (QStringList {"Docs", "b.txt"}));
    QCOMPARE(p.Stored(docs), QStringList {"y.txt"});
    QCOMPARE(p.Names(), (QStringList {"Docs", "b.txt"}));
    QVERIFY(!p.controller.IsBusy());

    // Inside a folder alone: that folder is read again and selected.
    docsItem = p.Item("Docs");
    p.ctrl.Expand(docsItem, TreeExpand::Expand);
    p.answers.Script({mb::kIdYes});
    p.ctrl.SelectItem(p.Item("y.txt", docsItem));
    QCOMPARE(p.controller.DeleteSelection(p.ctrl), S_OK);
    QCOMPARE(p.answers.Asked().last().text, p.languages.FormatText(msg::kQuestionDeleteFile, {QStringLiteral("y.txt")}));
    QVERIFY(p.Names(docsItem).isEmpty());
    QCOMPARE(p.ctrl.Selection(), std::vector<CTreeListItem*> {docsItem});

    // One folder: the folder question with its name.
    p.answers.Script({mb::kIdYes});
    p.ctrl.SelectItem(p.Item("Docs"));
    QCOMPARE(p.controller.DeleteSelection(p.ctrl), S_OK);
    QCOMPARE(p.answers.Asked().last().text, p.languages.FormatText(msg::kQuestionDeleteFolder, {QStringLiteral("Docs")}));
    QCOMPARE(p.Names(), QStringList {"b.txt"});
    QVERIFY(!QFile::exists(docs));
}

namespace {
std::atomic<bool> g_deletedOnGuiThread {false};
}  // namespace

void TestStorePane::dropsIntoTheFolderOfAFile()
{
    Pane p;
    const QString docs = p.Folder(QStringLiteral("Docs"));
    p.Store({p.Host(QStringLiteral("x.txt"))}, docs);
    QCOMPARE(p.List(), S_OK);
    CTreeListItem* docsItem = p.Item("Docs");
    p.ctrl.Expand(docsItem, TreeExpand::Expand);

    // A move onto a file: into its folder, and the sources go.
    CTreeListItem* target = p.Item("x.txt", docsItem);
    // The sources are deleted off the GUI thread.
    const QString moved = p.Host(QStringLiteral("new.txt"));
    g_deletedOnGuiThread = false;
    FaultInjection::Observe([](const char* what) {
        if (qstrcmp(what, "unlink") == 0 && QThread::currentThread() == qApp->thread())
            g_deletedOnGuiThread = true;
    });
    QCOMPARE(p.controller.DropFiles(p.ctrl, DropFileList({moved}), &target, drop::kMove), S_OK);
    FaultInjection::Observe(nullptr);
    QVERIFY(!g_deletedOnGuiThread);
    QCOMPARE(target, docsItem);
    QCOMPARE(p.Stored(docs), (QStringList {"new.txt", "x.txt"}));
    QVERIFY(!QFile::exists(moved));

    // A move whose replacement was declined keeps that source, though the
    // item after it went in.
    const QString kept = p.Host(QStringLiteral("x.txt"), "newer");
    const QString other = p.Host(QStringLiteral("z.txt"));
    p.answers.Script({mb::kIdNo});
    target = docsItem;
    QCOMPARE(p.controller.DropFiles(p.ctrl, DropFileList({kept, other}), &target, drop::kMove), S_OK);
    QCOMPARE(p.Stored(docs), (QStringList {"new.txt", "x.txt", "z.txt"}));
    QVERIFY(QFile::exists(kept));

    // A move cancelled before it began to copy stores nothing and keeps
    // every source.
    QVERIFY(QDir().mkpath(p.host + QStringLiteral("/Album")));
    const QString album = p.Host(QStringLiteral("Album/one.txt"));
    const QString loose = p.Host(QStringLiteral("loose.txt"));
    p.cancelAtOnce = true;
    target = docsItem;
    QCOMPARE(p.controller.DropFiles(p.ctrl, DropFileList({p.host + QStringLiteral("/Album"), loose}), &target,
                                    drop::kMove),
             S_OK);
    QCOMPARE(p.Stored(docs), (QStringList {"new.txt", "x.txt", "z.txt"}));
    QVERIFY(QFile::exists(album));
    QVERIFY(QFile::exists(loose));

    // A move whose first item fails (a folder by a name that can never be
    // stored) keeps its sources, though the item after it went in.
    p.cancelAtOnce = false;
    target = docsItem;
    QCOMPARE(p.controller.DropFiles(p.ctrl, DropFileList({p.host + QStringLiteral("/Album/."), loose}), &target,
                                    drop::kMove),
             S_OK);
    QCOMPARE(p.Stored(docs), (QStringList {"loose.txt", "new.txt", "x.txt", "z.txt"}));
    QVERIFY(QFile::exists(album));
    QVERIFY(QFile::exists(loose));
}

void TestStorePane::pastesLocalFilesAndReportsTheRest()
{
    Pane p;
    const QString docs = p.Folder(QStringLiteral("Docs"));
    QCOMPARE(p.List(), S_OK);
    p.ctrl.SelectItem(nullptr);

    QMimeData data;
    const QString local = p.Host(QStringLiteral("a.txt"));
    data.setData(QStringLiteral("text/uri-list"),
                 QUrl::fromLocalFile(local).toEncoded() + "\r\nsftp://server/home/b.txt\r\n");
    QVERIFY(p.controller.CanPaste(&data));
    const std::unique_ptr<QMimeData> ours(PaneMimeData::ForStoreFiles(DropFileList({docs})));
    QVERIFY(!p.controller.CanPaste(ours.get()));
    QCOMPARE(p.controller.Paste(p.ctrl, &data), S_OK);
    QCOMPARE(p.Stored(p.root), (QStringList {"Docs", "a.txt"}));
    QCOMPARE(p.Names(), (QStringList {"Docs", "a.txt"}));
    QCOMPARE(p.answers.Asked().size(), 1);
    QVERIFY(p.answers.Asked().first().text.contains(QStringLiteral("sftp://server/home/b.txt")));
    QVERIFY(!p.controller.IsBusy());
}

void TestStorePane::dragDecryptsOnlyWhenTheTargetAsks()
{
    Pane p;
    const QString docs = p.Folder(QStringLiteral("Docs"));
    p.Store({p.Host(QStringLiteral("x.txt"), "deep")}, docs);
    p.Store({p.Host(QStringLiteral("a.txt"), "alpha")});
    QCOMPARE(p.List(), S_OK);
    p.ctrl.SelectItem(p.Item("a.txt"));
    p.ctrl.SetSelected(p.Item("Docs"), true);
    QString folder;
    p.dragged = [&](QMimeData* data, std::uint32_t allowed) {
        [&] {
            auto* object = qobject_cast<TreeListDataObject*>(data);
            QVERIFY(object);
            QCOMPARE(allowed, drop::kCopy | drop::kScroll);
            QCOMPARE(object->Marker(), QString::fromLatin1(mime::kUsbDevice));
            QVERIFY(data->hasFormat(QString::fromLatin1(mime::kUsbDevice)));
            QCOMPARE(object->GetStoreFiles(),
                     (QStringList {p.controller.ItemStoredPath(p.Item("a.txt")), docs}));
            folder = object->TempFolder();
            QVERIFY(!folder.isEmpty());
            QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFileDevice::Permissions());
            // Nothing is decrypted before the target asks for the list.
            QVERIFY(QDir(folder).isEmpty());
            QStringList urls;
            for (const QUrl& url : data->urls())
                urls << url.toLocalFile();
            QCOMPARE(urls, (QStringList {QDir(folder).filePath(QStringLiteral("a.txt")),
                                         QDir(folder).filePath(QStringLiteral("Docs"))}));
            QCOMPARE(ReadAll(urls.at(0)), QByteArray("alpha"));
            QCOMPARE(ReadAll(QDir(folder).filePath(QStringLiteral("Docs/x.txt"))), QByteArray("deep"));
        }();
        return drop::kCopy;
    };
    int status = 1;
    QCOMPARE(p.controller.BeginDrag(p.ctrl, p.Item("a.txt"), {}, &status), S_OK);
    QCOMPARE(status, 0);
    // A program may copy after the drag: the folder stays until the next.
    QVERIFY(QFile::exists(QDir(folder).filePath(QStringLiteral("a.txt"))));
    const QString first = folder;
    p.dragged = [&](QMimeData* data, std::uint32_t) {
        folder = qobject_cast<TreeListDataObject*>(data)->TempFolder();
        return drop::kNone;
    };
    QCOMPARE(p.controller.BeginDrag(p.ctrl, p.Item("a.txt"), {}, &status), S_OK);
    QVERIFY(folder != first);
    // Wiped beside the new drag.
    QTRY_VERIFY(!QFileInfo::exists(first));
}

void TestStorePane::dropsLocalFilesAndReportsTheRest()
{
    Pane p;
    QCOMPARE(p.List(), S_OK);
    QCOMPARE(p.controller.AttachControl(p.ctrl), S_OK);
    PaneDropTarget* rules = p.ctrl.DropTarget();
    QVERIFY(rules);
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"), QUrl::fromLocalFile(p.Host(QStringLiteral("a.txt"))).toEncoded()
                                                      + "\r\nsmb://server/share/b.txt\r\n");
    QCOMPARE(rules->Enter(&data, Qt::NoModifier, drop::kCopy | drop::kMove), drop::kCopy);
    std::uint32_t told = 0;
    QStringList notLocal;
    QCOMPARE(rules->Drop(&data, nullptr, Qt::NoModifier, drop::kCopy | drop::kMove, &told, &notLocal), S_OK);
    QCOMPARE(told, drop::kCopy);
    QCOMPARE(p.Stored(p.root), QStringList {"a.txt"});
    QCOMPARE(p.Names(), QStringList {"a.txt"});
    // The pane tells of what it left out with the store's own words.
    QCOMPARE(notLocal, QStringList {"smb://server/share/b.txt"});
    p.controller.ReportNotLocalFiles(notLocal);
    QCOMPARE(p.answers.Asked().size(), 1);
    QCOMPARE(p.answers.Asked().first().text,
             p.languages.FormatText(msg::kNotLocalFiles, {QStringLiteral("smb://server/share/b.txt")}));
    QCOMPARE(p.controller.DetachControl(p.ctrl), S_OK);
    QVERIFY(!p.ctrl.DropTarget());
}

void TestStorePane::refusesANewFolderUnderAFile()
{
    Pane p;
    p.Store({p.Host(QStringLiteral("a.txt"))});
    QCOMPARE(p.List(), S_OK);
    p.ctrl.SelectItem(p.Item("a.txt"));
    QCOMPARE(p.controller.CreateFolder(p.ctrl, QStringLiteral("New")), E_STORE_MANIFEST);
    QCOMPARE(p.Stored(p.root), QStringList {"a.txt"});

    // Under nothing selected: at the top, listed at once.
    p.ctrl.SelectItem(nullptr);
    QCOMPARE(p.controller.CreateFolder(p.ctrl, QStringLiteral("New")), S_OK);
    QCOMPARE(p.Names(), (QStringList {"New", "a.txt"}));
}

// Names that share an extension share an icon, except where the database
// names whole files or longer endings: an extension's answer, once known,
// must not go to those.
void TestStorePane::iconsFollowTheWholeName()
{
    const QStringList names {QStringLiteral("notes.txt"), QStringLiteral("CMakeLists.txt"), QStringLiteral("a.gz"),
                             QStringLiteral("archive.tar.gz"), QStringLiteral("x.c"), QStringLiteral("y.C"),
                             QStringLiteral("photo.JPG"), QStringLiteral("photo.jpg"), QStringLiteral("Makefile"),
                             QStringLiteral("plain"), QStringLiteral("README"), QStringLiteral("readme.txt"),
                             QStringLiteral("draft.txt~"), QStringLiteral("page.1"), QStringLiteral("libz.so.1"),
                             QStringLiteral("other.so"), QStringLiteral("a.b.c.unknownext"), QStringLiteral(".hidden")};
    const QMimeDatabase database;
    for (const bool reversed : {false, true}) {
        FileIconTable table;
        QStringList order = names;
        if (reversed)
            std::reverse(order.begin(), order.end());
        for (const QString& name : order)
            (void)table.IndexFor(name, false);
        for (const QString& name : order) {
            const QMimeType type = database.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
            const QString expected = type.isDefault() ? table.IconName(FileIconTable::kFile) : type.iconName();
            QVERIFY2(table.IconName(table.IndexFor(name, false)) == expected, qPrintable(name));
        }
    }
}

QTEST_GUILESS_MAIN(TestStorePane)
#include "tst_storepane.moc"
