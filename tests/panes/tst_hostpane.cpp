// The host pane's controller on a folder tree of its own: what is listed
// (never the store's volume, no hidden names, folders first, buttons only
// where there is something to open), where drops land, the questions of
// its copies, moves that delete only what arrived, and pastes out of the
// store, and a drag of the pane's files.

#include "StoreFixture.h"

#include "base/HeadlessProgress.h"
#include "base/MessageIds.h"
#include "panes/HostCopyThread.h"
#include "panes/HostFolderReader.h"
#include "panes/MyComputerTreeController.h"
#include "panes/PaneDropTarget.h"
#include "panes/PaneMimeData.h"
#include "platform/FaultInjection.h"
#include "platform/HostPlaces.h"
#include "store/CopyToDeviceThread.h"
#include "store/StoreStatus.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QTest>
#include <QUrl>

#include <functional>
#include <memory>

using namespace nbr;
using namespace nbr::test;

namespace {

// What the view does with the model's notices: list on expansion, free
// the data of deleted items.
class Wiring final : public ITreeListNotify {
public:
    explicit Wiring(TreeController& controller) : controller_(controller) {}
    bool SelectionChanging(CTreeListItem*) override { return true; }
    void SelectionChanged(CTreeListItem*, int) override {}
    bool ItemExpanding(CTreeListItem* item) override
    {
        int status = 0;
        (void)controller_.PopulateChildren(*model, item, &status);
        return true;
    }
    void ItemExpanded(CTreeListItem*) override {}
    void DeleteItem(CTreeListItem* item) override
    {
        ++deleted;
        controller_.ReleaseItemData(item);
    }
    TreeListModel* model = nullptr;
    int deleted = 0;

private:
    TreeController& controller_;
};

// The host is the temporary folder: its "host" folder is Home and its
// "stick" folder is the store's volume.
struct Pane : StoreFixture {
    QString stick = dir.filePath(QStringLiteral("stick"));
    std::unique_ptr<MyComputerTreeController> controller;
    std::unique_ptr<Wiring> wiring;
    TreeListModel model;
    QAbstractItemModelTester tester {&model, QAbstractItemModelTester::FailureReportingMode::QtTest};
    // The drag loop: gets the data of a drag and answers the effect.
    std::function<std::uint32_t(QMimeData*, std::uint32_t)> dragged;

    Pane()
    {
        HostTree tree;
        tree.places = {{QStringLiteral("Home"), host}, {QStringLiteral("All"), dir.path()},
                       {QStringLiteral("Stick"), stick}};
        tree.desktop = host;
        QDir().mkpath(root);
        PaneServices services {languages, [] { return std::make_unique<HeadlessProgress>(); }, nullptr,
                               [this](QMimeData* data, std::uint32_t allowed) -> std::uint32_t {
                                   const std::unique_ptr<QMimeData> owned(data);
                                   return dragged ? dragged(data, allowed) : drop::kNone;
                               }};
        controller = std::make_unique<MyComputerTreeController>(services, stick, store.get(), tree);
        wiring = std::make_unique<Wiring>(*controller);
        wiring->model = &model;
        model.SetNotify(wiring.get());
    }
    ~Pane() { model.DeleteItem(TLI_ROOT); }

    QString Host(const QString& relative) const { return host + u'/' + relative; }
    void Put(const QString& relative, const QByteArray& content = "x") const
    {
        QDir().mkpath(QFileInfo(Host(relative)).path());
        QVERIFY(WriteAll(Host(relative), content));
    }
    void List()
    {
        int status = 0;
        QCOMPARE(controller->PopulateChildren(model, nullptr, &status), S_OK);
    }
    // The item at a path of names from the top ("Home/docs/a.txt"),
    // expanding on the way.
    CTreeListItem* At(const QString& names)
    {
        CTreeListItem* parent = nullptr;
        CTreeListItem* found = nullptr;
        for (const QString& name : names.split(u'/')) {
            if (parent)
                model.Expand(parent, TreeExpand::Expand);
            found = nullptr;
            for (CTreeListItem* item = model.NextItem(parent, parent ? TreeNext::FirstChild : TreeNext::First); item;
                 item = model.NextItem(item, TreeNext::NextSibling)) {
                if (item->Text(0) == name)
                    found = item;
            }
            if (!found)
                return nullptr;
            parent = found;
        }
        return found;
    }
    QStringList Children(const QString& names)
    {
        QStringList out;
        CTreeListItem* parent = At(names);
        if (!parent)
            return {QStringLiteral("<missing>")};
        model.Expand(parent, TreeExpand::Expand);
        for (CTreeListItem* item : parent->Children())
            out << item->Text(0);
        return out;
    }
    Status Drop(const QStringList& paths, CTreeListItem** target, std::uint32_t effect)
    {
        return controller->DropFiles(model, DropFileList(paths), target, effect);
    }
};

}  // namespace

class TestHostPane : public QObject {
    Q_OBJECT

private slots:
    void volumesAPersonWorksWith();
    void storeVolumeNeverListed();
    void listingOrderHiddenNamesAndButtons();
    void slowFoldersComeInLater();
    void hugeFoldersFillInPieces();
    void dropOntoFileLandsInItsFolder();
    void dragCarriesThePathsAndAMoveRelists();
    void copyConflictsAskAndAreHonoured();
    void moveDeletesOnlyWhatArrived();
    void fullDriveLeavesNoPartialFile();
    void createFolderAndDeleteEdges();
    void pasteFromStoreWinsOverFileList();
    void renameAndProperties();
    void numberedCopyNames_data();
    void numberedCopyNames();
};

void TestHostPane::volumesAPersonWorksWith()
{
    QVERIFY(HostPlaces::IsUserVolume(QStringLiteral("/media/ann/STICK"), "vfat"));
    QVERIFY(HostPlaces::IsUserVolume(QStringLiteral("/run/media/ann/STICK"), "exfat"));
    QVERIFY(HostPlaces::IsUserVolume(QStringLiteral("/home"), "ext4"));
    QVERIFY(!HostPlaces::IsUserVolume(QStringLiteral("/"), "ext4"));  // a place of its own
    QVERIFY(!HostPlaces::IsUserVolume(QStringLiteral("/run/user/1000"), "tmpfs"));
    QVERIFY(!HostPlaces::IsUserVolume(QStringLiteral("/proc"), "proc"));
    QVERIFY(!HostPlaces::IsUserVolume(QStringLiteral("/sys/fs/cgroup"), "cgroup2"));
    QVERIFY(!HostPlaces::IsUserVolume(QStringLiteral("/snap/core22/1033"), "squashfs"));
    QVERIFY(!HostPlaces::IsUserVolume(QStringLiteral("/dev/shm"), "tmpfs"));
}

void TestHostPane::storeVolumeNeverListed()
{
    Pane p;
    p.Put(QStringLiteral("a.txt"));
    QVERIFY(QFile::link(p.stick, p.Host(QStringLiteral("to-stick"))));
    QVERIFY(QFile::link(p.root, p.Host(QStringLiteral("to-store"))));
    p.List();
    // Not as a place, not inside another place, not through a link.
    QVERIFY(p.At(QStringLiteral("Home")));
    QVERIFY(!p.At(QStringLiteral("Stick")));
    QCOMPARE(p.Children(QStringLiteral("All")), QStringList {QStringLiteral("host")});
    QCOMPARE(p.Children(QStringLiteral("Home")), QStringList {QStringLiteral("a.txt")});
    QCOMPARE(p.Children(QStringLiteral("All/host")), QStringList {QStringLiteral("a.txt")});
}

void TestHostPane::listingOrderHiddenNamesAndButtons()
{
    Pane p;
    p.Put(QStringLiteral("b/x.txt"));
    p.Put(QStringLiteral("Alpha/y.txt"));
    p.Put(QStringLiteral("hiddenonly/.secret"));
    QDir().mkpath(p.Host(QStringLiteral("empty")));
    QDir().mkpath(p.Host(QStringLiteral("locked/inner")));
    for (const char* name : {"c10.txt", "B.txt", "a.txt", "c9.txt", ".profile"})
        p.Put(QString::fromLatin1(name), "12345");
    // A link back to a folder above it: shown, but it opens nothing.
    QVERIFY(QFile::link(p.host, p.Host(QStringLiteral("b/up"))));
    QFile::setPermissions(p.Host(QStringLiteral("locked")), QFileDevice::Permissions());
    const bool lockedForUs = !QDir(p.Host(QStringLiteral("locked"))).isReadable();
    p.List();

    QCOMPARE(p.Children(QStringLiteral("Home")),
             (QStringList {QStringLiteral("Alpha"), QStringLiteral("b"), QStringLiteral("empty"),
                           QStringLiteral("hiddenonly"), QStringLiteral("locked"), QStringLiteral("a.txt"),
                           QStringLiteral("B.txt"), QStringLiteral("c9.txt"), QStringLiteral("c10.txt")}));
    const auto button = [&p](const char* names) { return TreeListModel::HasButton(p.At(QString::fromLatin1(names))); };
    QVERIFY(button("Home/Alpha"));
    QVERIFY(!button("Home/a.txt"));
    // Nothing looks inside a folder while its parent is listed: each keeps
    // its button until it is opened, and one with nothing to show (or that
    // cannot be read) loses it then.
    for (const char* folder : {"Home/empty", "Home/hiddenonly", "Home/locked"})
        QVERIFY2(button(folder), folder);
    QCOMPARE(p.Children(QStringLiteral("Home/empty")), QStringList {});
    QCOMPARE(p.Children(QStringLiteral("Home/hiddenonly")), QStringList {});
    QVERIFY(!button("Home/empty"));
    QVERIFY(!button("Home/hiddenonly"));
    if (lockedForUs) {
        QCOMPARE(p.Children(QStringLiteral("Home/locked")), QStringList {});
        QVERIFY(!button("Home/locked"));
    }
    QCOMPARE(p.Children(QStringLiteral("Home/b")), (QStringList {QStringLiteral("up"), QStringLiteral("x.txt")}));
    QVERIFY(!button("Home/b/up"));
    QVERIFY(p.controller->IsContainer(p.model, p.At(QStringLiteral("Home/b/up"))));
    QCOMPARE(p.At(QStringLiteral("Home/a.txt"))->Text(1), QStringLiteral("5"));
    QVERIFY(!p.At(QStringLiteral("Home/a.txt"))->Text(2).isEmpty());
    QFile::setPermissions(p.Host(QStringLiteral("locked")), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void TestHostPane::slowFoldersComeInLater()
{
    Pane p;
    for (const char* name : {"docs/b.txt", "docs/a.txt", "docs/sub/c.txt", "other/d.txt"})
        p.Put(QString::fromLatin1(name));
    QDir().mkpath(p.Host(QStringLiteral("empty")));
    p.List();
    CTreeListItem* home = p.At(QStringLiteral("Home"));
    QCOMPARE(p.Children(QStringLiteral("Home")).size(), 3);
    // Every read now outlasts the pane's wait, as on a slow mount: the
    // folder opens at once, empty, and its children come in when the read
    // ends, in the order and with the columns of a read that was quick.
    HostFolderReader::SetWait(0);
    const auto restore = qScopeGuard([] { HostFolderReader::SetWait(10000); });
    CTreeListItem* docs = p.At(QStringLiteral("Home/docs"));
    p.model.Expand(docs, TreeExpand::Expand);
    QVERIFY(docs->Children().empty());
    QVERIFY(!p.controller->ReadsDone());
    QTRY_VERIFY(p.controller->ReadsDone());
    QCOMPARE(p.Children(QStringLiteral("Home/docs")),
             (QStringList {QStringLiteral("sub"), QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
    QVERIFY(docs->State() & tls::kExpanded);
    QCOMPARE(p.At(QStringLiteral("Home/docs/a.txt"))->Text(1), QStringLiteral("1"));
    // An empty folder read late loses its button then.
    CTreeListItem* empty = p.At(QStringLiteral("Home/empty"));
    p.model.Expand(empty, TreeExpand::Expand);
    QTRY_VERIFY(p.controller->ReadsDone());
    QVERIFY(!TreeListModel::HasButton(empty));
    // A folder closed away and freed before its read ends: the read is
    // dropped, nothing touches the freed item.
    CTreeListItem* other = p.At(QStringLiteral("Home/other"));
    p.model.Expand(other, TreeExpand::Expand);
    p.model.Expand(home, TreeExpand::CollapseReset);
    QVERIFY(p.controller->ReadsDone());
    QTest::qWait(150);
    HostFolderReader::SetWait(10000);
    QCOMPARE(p.Children(QStringLiteral("Home")).size(), 3);
    QCOMPARE(p.Children(QStringLiteral("Home/other")), QStringList {QStringLiteral("d.txt")});

    // Places whose look-up does not end within the wait (a hung mount) are
    // listed at once, said to be not answering, and named again once the
    // look-up ends; the next listing looks again.
    Pane slow;
    HostFolderReader::SetWait(0);
    slow.List();
    CTreeListItem* place = slow.model.NextItem(nullptr, TreeNext::First);
    QVERIFY(place);
    QCOMPARE(place->Text(0), slow.languages.FormatText(msg::kPlaceNotAnswering, {QStringLiteral("Home")}));
    // Once the look-up ends, the place gets its name back.
    QTRY_COMPARE(place->Text(0), QStringLiteral("Home"));
    HostFolderReader::SetWait(10000);
    slow.model.DeleteItem(TLI_ROOT);
    slow.List();
    QCOMPARE(slow.model.NextItem(nullptr, TreeNext::First)->Text(0), QStringLiteral("Home"));
}

void TestHostPane::hugeFoldersFillInPieces()
{
    Pane p;
    for (int i = 0; i < 7; ++i)
        p.Put(QStringLiteral("big/f%1.txt").arg(i));
    p.Put(QStringLiteral("small/only.txt"));
    p.List();
    MyComputerTreeController::SetRowsPerStep(3);
    const auto restore = qScopeGuard([] { MyComputerTreeController::SetRowsPerStep(0); });
    // The first piece at once, the rest a piece per turn of the loop, in
    // order, with the folder busy until the last one is in.
    CTreeListItem* big = p.At(QStringLiteral("Home/big"));
    p.model.Expand(big, TreeExpand::Expand);
    QCOMPARE(big->Children().size(), std::size_t {3});
    QVERIFY(!p.controller->ReadsDone());
    QTRY_VERIFY(p.controller->ReadsDone());
    QStringList names;
    for (CTreeListItem* item : big->Children())
        names << item->Text(0);
    QCOMPARE(names, (QStringList {QStringLiteral("f0.txt"), QStringLiteral("f1.txt"), QStringLiteral("f2.txt"),
                                  QStringLiteral("f3.txt"), QStringLiteral("f4.txt"), QStringLiteral("f5.txt"),
                                  QStringLiteral("f6.txt")}));
    // A folder no longer as its first piece left it (a row deleted) takes
    // no later piece: it would land out of place.
    p.model.Expand(big, TreeExpand::CollapseReset);
    p.model.Expand(big, TreeExpand::Expand);
    QCOMPARE(big->Children().size(), std::size_t {3});
    QVERIFY(p.model.DeleteItem(big->Children().back()));
    QTRY_VERIFY(p.controller->ReadsDone());
    QCOMPARE(big->Children().size(), std::size_t {2});
    // Closed away and freed between two pieces: the rest is dropped.
    CTreeListItem* home = p.At(QStringLiteral("Home"));
    p.model.Expand(big, TreeExpand::CollapseReset);
    p.model.Expand(big, TreeExpand::Expand);
    p.model.Expand(home, TreeExpand::CollapseReset);
    QVERIFY(p.controller->ReadsDone());
    QTest::qWait(20);
    QCOMPARE(p.Children(QStringLiteral("Home/small")), QStringList {QStringLiteral("only.txt")});
}

void TestHostPane::dropOntoFileLandsInItsFolder()
{
    Pane p;
    p.Put(QStringLiteral("docs/a.txt"));
    const QString outside = p.dir.filePath(QStringLiteral("new.txt"));
    QVERIFY(WriteAll(outside, "new"));
    p.List();
    CTreeListItem* docs = p.At(QStringLiteral("Home/docs"));
    CTreeListItem* target = p.At(QStringLiteral("Home/docs/a.txt"));
    QCOMPARE(p.Drop({outside}, &target, drop::kCopy), S_OK);
    QCOMPARE(target, docs);
    QCOMPARE(ReadAll(p.Host(QStringLiteral("docs/new.txt"))), QByteArray("new"));
    // A paste onto the selected file lands there too, and that folder is
    // listed again.
    QVERIFY(WriteAll(outside + QStringLiteral("2"), "two"));
    p.model.SelectItem(p.At(QStringLiteral("Home/docs/a.txt")));
    std::unique_ptr<QMimeData> clip(PaneMimeData::ForHostFiles(DropFileList({outside + QStringLiteral("2")})));
    QCOMPARE(p.controller->Paste(p.model, clip.get()), S_OK);
    QCOMPARE(p.Children(QStringLiteral("Home/docs")),
             (QStringList {QStringLiteral("a.txt"), QStringLiteral("new.txt"), QStringLiteral("new.txt2")}));
    // No item at all: the desktop folder.
    CTreeListItem* none = nullptr;
    QCOMPARE(p.Drop({outside}, &none, drop::kCopy), S_OK);
    QVERIFY(QFile::exists(p.Host(QStringLiteral("new.txt"))));
}

void TestHostPane::dragCarriesThePathsAndAMoveRelists()
{
    Pane p;
    p.Put(QStringLiteral("docs/a.txt"));
    p.Put(QStringLiteral("docs/b.txt"));
    p.List();
    CTreeListItem* a = p.At(QStringLiteral("Home/docs/a.txt"));
    p.model.SelectItem(a);
    p.model.SetSelected(p.At(QStringLiteral("Home/docs/b.txt")), true);
    QStringList urls;
    p.dragged = [&](QMimeData* data, std::uint32_t allowed) {
        [&] {
            QCOMPARE(allowed, drop::kCopy | drop::kMove | drop::kScroll);
            QVERIFY(data->hasFormat(QString::fromLatin1(mime::kMyComputer)));
        }();
        for (const QUrl& url : data->urls())
            urls << url.toLocalFile();
        // The target moved the first file away.
        QFile::remove(p.Host(QStringLiteral("docs/a.txt")));
        return drop::kMove;
    };
    int status = 1;
    QCOMPARE(p.controller->BeginDrag(p.model, a, {}, &status), S_OK);
    QCOMPARE(status, 0);
    QCOMPARE(urls, (QStringList {p.Host(QStringLiteral("docs/a.txt")), p.Host(QStringLiteral("docs/b.txt"))}));
    QCOMPARE(p.Children(QStringLiteral("Home/docs")), QStringList {QStringLiteral("b.txt")});

    // Its own drags come back refused; the rules go with a detach, and with
    // a controller that was never detached.
    QCOMPARE(p.controller->AttachControl(p.model), S_OK);
    PaneDropTarget* rules = p.model.DropTarget();
    QVERIFY(rules);
    std::unique_ptr<QMimeData> own(PaneMimeData::ForHostFiles(DropFileList({p.Host(QStringLiteral("docs/b.txt"))})));
    own->setData(QString::fromLatin1(mime::kMyComputer), {});
    QCOMPARE(rules->Enter(own.get(), Qt::NoModifier, drop::kCopy), drop::kNone);
    QCOMPARE(p.controller->DetachControl(p.model), S_OK);
    QVERIFY(!p.model.DropTarget());
    QCOMPARE(p.controller->AttachControl(p.model), S_OK);
    QVERIFY(p.model.DropTarget());
    p.model.DeleteItem(TLI_ROOT);
    p.controller.reset();
    QVERIFY(!p.model.DropTarget());
}

void TestHostPane::copyConflictsAskAndAreHonoured()
{
    Pane p;
    p.Put(QStringLiteral("in/a.txt"), "new");
    p.Put(QStringLiteral("in/sub/s.txt"), "new");
    p.Put(QStringLiteral("out/a.txt"), "old");
    p.Put(QStringLiteral("out/sub/s.txt"), "old");
    p.List();
    CTreeListItem* out = p.At(QStringLiteral("Home/out"));
    // Replace the file? No. Merge the folders? Yes; replace inside? Yes.
    p.answers.Script({mb::kIdNo, mb::kIdYes, mb::kIdYes});
    (void)p.Drop({p.Host(QStringLiteral("in/a.txt")), p.Host(QStringLiteral("in/sub"))}, &out, drop::kCopy);
    QCOMPARE(ReadAll(p.Host(QStringLiteral("out/a.txt"))), QByteArray("old"));
    QCOMPARE(ReadAll(p.Host(QStringLiteral("out/sub/s.txt"))), QByteArray("new"));
    const QList<MessageBoxRequest> asked = p.answers.Asked();
    QCOMPARE(asked.size(), 3);
    QCOMPARE(asked.at(0).text, p.languages.FormatText(msg::kQuestionReplaceHostFile, {QStringLiteral("a.txt")}));
    QCOMPARE(asked.at(1).text, p.languages.FormatText(msg::kQuestionMergeFolder, {QStringLiteral("sub")}));
    // A folder into itself is refused, not copied round and round.
    CTreeListItem* in = p.At(QStringLiteral("Home/in"));
    QVERIFY(Failed(p.Drop({p.host}, &in, drop::kCopy)));
    QVERIFY(!QFile::exists(p.Host(QStringLiteral("in/host"))));

    // Copied into the folder that holds them: beside them, numbered; moved
    // there: nothing happens.
    const int before = static_cast<int>(p.answers.Asked().size());
    for (int round = 0; round < 2; ++round)
        QCOMPARE(p.Drop({p.Host(QStringLiteral("in/a.txt")), p.Host(QStringLiteral("in/sub"))}, &in, drop::kCopy), S_OK);
    QCOMPARE(ReadAll(p.Host(QStringLiteral("in/a (2).txt"))), QByteArray("new"));
    QCOMPARE(ReadAll(p.Host(QStringLiteral("in/a (3).txt"))), QByteArray("new"));
    QCOMPARE(ReadAll(p.Host(QStringLiteral("in/sub (2)/s.txt"))), QByteArray("new"));
    QVERIFY(QFile::exists(p.Host(QStringLiteral("in/sub (3)/s.txt"))));
    QCOMPARE(p.Drop({p.Host(QStringLiteral("in/a.txt"))}, &in, drop::kMove), S_OK);
    QCOMPARE(ReadAll(p.Host(QStringLiteral("in/a.txt"))), QByteArray("new"));
    QVERIFY(!QFile::exists(p.Host(QStringLiteral("in/a (4).txt"))));
    QCOMPARE(static_cast<int>(p.answers.Asked().size()), before);
}

void TestHostPane::renameAndProperties()
{
    Pane p;
    p.Put(QStringLiteral("docs/old.txt"), "12345");
    p.Put(QStringLiteral("docs/taken.txt"), "x");
    p.List();
    (void)p.Children(QStringLiteral("Home/docs"));
    CTreeListItem* old = p.At(QStringLiteral("Home/docs/old.txt"));
    // Never over another item, never out of its folder, never a place.
    QCOMPARE(p.controller->RenameItem(p.model, old, QStringLiteral("taken.txt")), E_STORE_ITEM_EXISTS);
    QVERIFY(Failed(p.controller->RenameItem(p.model, old, QStringLiteral("../out.txt"))));
    QVERIFY(Failed(p.controller->RenameItem(p.model, old, QString())));
    QVERIFY(Failed(p.controller->RenameItem(p.model, p.At(QStringLiteral("Home")), QStringLiteral("Away"))));
    QCOMPARE(ReadAll(p.Host(QStringLiteral("docs/taken.txt"))), QByteArray("x"));
    QCOMPARE(p.controller->RenameItem(p.model, old, QStringLiteral("new.txt")), S_OK);
    QVERIFY(!QFile::exists(p.Host(QStringLiteral("docs/old.txt"))));
    QCOMPARE(ReadAll(p.Host(QStringLiteral("docs/new.txt"))), QByteArray("12345"));
    // The folder is listed again with the new name.
    CTreeListItem* renamed = p.At(QStringLiteral("Home/docs/new.txt"));
    QVERIFY(renamed);

    QVERIFY(QFile::setPermissions(p.Host(QStringLiteral("docs/new.txt")),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    const QString facts = p.controller->PropertiesOf(p.model, renamed);
    for (const QString& part : {QStringLiteral("new.txt"), p.Host(QStringLiteral("docs")), QStringLiteral("5"),
                                QStringLiteral("rw-r-----")})
        QVERIFY2(facts.contains(part), qPrintable(facts));
    QVERIFY(p.controller->PropertiesOf(p.model, nullptr).isEmpty());
}

void TestHostPane::numberedCopyNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("folder");
    QTest::addColumn<QString>("copy");
    QTest::newRow("file") << "report.txt" << false << "report (2).txt";
    QTest::newRow("last dot only") << "archive.tar.gz" << false << "archive.tar (2).gz";
    QTest::newRow("no extension") << "README" << false << "README (2)";
    QTest::newRow("dot file") << ".profile" << false << ".profile (2)";
    QTest::newRow("folder with a dot") << "v1.2" << true << "v1.2 (2)";
    QTest::newRow("(2) taken") << "taken.txt" << false << "taken (3).txt";
}

void TestHostPane::numberedCopyNames()
{
    QFETCH(QString, name);
    QFETCH(bool, folder);
    QFETCH(QString, copy);
    QTemporaryDir dir;
    QVERIFY(WriteAll(dir.filePath(QStringLiteral("taken (2).txt")), "x"));
    QCOMPARE(HostCopyThread::NumberedCopyName(dir.path(), name, folder), copy);
}

void TestHostPane::moveDeletesOnlyWhatArrived()
{
    Pane p;
    p.Put(QStringLiteral("src/keep.txt"), "mine");
    p.Put(QStringLiteral("src/go.txt"), "go");
    p.Put(QStringLiteral("src/tree/deep.txt"), "deep");
    p.Put(QStringLiteral("dst/keep.txt"), "theirs");
    p.List();
    CTreeListItem* dst = p.At(QStringLiteral("Home/dst"));
    p.answers.Script({mb::kIdNo});
    (void)p.Drop({p.Host(QStringLiteral("src/keep.txt")), p.Host(QStringLiteral("src/go.txt")), p.Host(QStringLiteral("src/tree"))},
                 &dst, drop::kMove);
    // The declined file stays where it was; the others moved whole.
    QCOMPARE(ReadAll(p.Host(QStringLiteral("src/keep.txt"))), QByteArray("mine"));
    QCOMPARE(ReadAll(p.Host(QStringLiteral("dst/keep.txt"))), QByteArray("theirs"));
    QVERIFY(!QFile::exists(p.Host(QStringLiteral("src/go.txt"))));
    QVERIFY(!QFile::exists(p.Host(QStringLiteral("src/tree"))));
    QCOMPARE(ReadAll(p.Host(QStringLiteral("dst/go.txt"))), QByteArray("go"));
    QCOMPARE(ReadAll(p.Host(QStringLiteral("dst/tree/deep.txt"))), QByteArray("deep"));
    // An unreadable source is reported and stays.
    p.Put(QStringLiteral("src/secret.txt"), "s");
    QFile::setPermissions(p.Host(QStringLiteral("src/secret.txt")), QFileDevice::WriteOwner);
    if (!QFile(p.Host(QStringLiteral("src/secret.txt"))).open(QIODevice::ReadOnly)) {
        QVERIFY(Failed(p.Drop({p.Host(QStringLiteral("src/secret.txt"))}, &dst, drop::kMove)));
        QVERIFY(QFile::exists(p.Host(QStringLiteral("src/secret.txt"))));
        QVERIFY(!QFile::exists(p.Host(QStringLiteral("dst/secret.txt"))));
        QVERIFY(p.answers.Asked().last().text.startsWith(p.languages.FormatText(msg::kFileNotCopied,
                                                                                   {p.Host(QStringLiteral("src/secret.txt")), QString()})));
    }
}

void TestHostPane::fullDriveLeavesNoPartialFile()
{
    Pane p;
    p.Put(QStringLiteral("src/big.bin"), QByteArray(3 << 20, 'b'));
    QDir().mkpath(p.Host(QStringLiteral("dst")));
    p.List();
    CTreeListItem* dst = p.At(QStringLiteral("Home/dst"));
    // The file is created, then its first write finds the drive full.
    FaultInjection::Arm(FaultInjection::Mode::Full, 2);
    const Status s = p.Drop({p.Host(QStringLiteral("src/big.bin"))}, &dst, drop::kMove);
    FaultInjection::Arm(FaultInjection::Mode::Off, 0);
    QCOMPARE(s, StatusFromWin32(win32::kDiskFull));
    QVERIFY(!QFile::exists(p.Host(QStringLiteral("dst/big.bin"))));
    QCOMPARE(QFileInfo(p.Host(QStringLiteral("src/big.bin"))).size(), qint64(3 << 20));
    QCOMPARE(p.answers.Asked().last().text, p.languages.GetText(msg::kDriveFull));
}

void TestHostPane::createFolderAndDeleteEdges()
{
    Pane p;
    p.Put(QStringLiteral("docs/a.txt"));
    p.List();
    QCOMPARE(p.controller->DeleteSelection(p.model), S_FALSE);  // nothing selected
    QVERIFY(p.At(QStringLiteral("Home/docs/a.txt")));  // listed, so a refresh shows
    p.model.SelectItem(p.At(QStringLiteral("Home/docs")));
    const int deletedBefore = p.wiring->deleted;
    QCOMPARE(p.controller->CreateFolder(p.model, QStringLiteral("new")), S_OK);
    QCOMPARE(p.Children(QStringLiteral("Home/docs")), (QStringList {QStringLiteral("new"), QStringLiteral("a.txt")}));
    QVERIFY(p.At(QStringLiteral("Home/docs"))->State() & tls::kExpanded);
    const int deletedAfterCreate = p.wiring->deleted;
    QVERIFY(deletedAfterCreate > deletedBefore);
    QCOMPARE(p.controller->CreateFolder(p.model, QStringLiteral("new")), E_STORE_ITEM_EXISTS);
    QCOMPARE(p.controller->CreateFolder(p.model, QStringLiteral("a.txt")), E_STORE_ITEM_EXISTS);
    QCOMPARE(p.wiring->deleted, deletedAfterCreate);  // no refresh
    // A declined question deletes nothing.
    p.model.SelectItem(p.At(QStringLiteral("Home/docs")));
    p.answers.Script({mb::kIdNo});
    QCOMPARE(p.controller->DeleteSelection(p.model), S_FALSE);
    QCOMPARE(p.answers.Asked().last().text, p.languages.FormatText(msg::kQuestionDeleteFolder, {QStringLiteral("docs")}));
    QVERIFY(QFile::exists(p.Host(QStringLiteral("docs/a.txt"))));
}

void TestHostPane::pasteFromStoreWinsOverFileList()
{
    Pane p;
    p.Put(QStringLiteral("plain.txt"), "secret words");
    p.Put(QStringLiteral("out/other.txt"), "other");
    QVERIFY(QDir().mkpath(p.Host(QStringLiteral("second"))));
    {
        HeadlessProgress progress;
        CopyToDeviceThread worker(&progress, *p.store, DropFileList({p.Host(QStringLiteral("plain.txt"))}), QString(),
                                  p.languages);
        worker.Start();
        progress.RunModal(worker.Thread(), false);
        QCOMPARE(worker.GetStatus(), S_OK);
    }
    QString stored;
    ManifestEntry entry;
    QCOMPARE(p.store->Resolve(QStringLiteral("plain.txt"), &stored, &entry), S_OK);
    p.List();
    p.model.SelectItem(p.At(QStringLiteral("Home/out")));
    std::unique_ptr<QMimeData> clip(PaneMimeData::ForStoreFiles(DropFileList({stored})));
    std::unique_ptr<QMimeData> files(PaneMimeData::ForHostFiles(DropFileList({p.Host(QStringLiteral("out/other.txt"))})));
    for (const QString& format : files->formats())
        clip->setData(format, files->data(format));
    QVERIFY(p.controller->CanPaste(clip.get()));
    QCOMPARE(p.controller->Paste(p.model, clip.get()), S_OK);
    QCOMPARE(ReadAll(p.Host(QStringLiteral("out/plain.txt"))), QByteArray("secret words"));
    QCOMPARE(p.Children(QStringLiteral("Home/out")), (QStringList {QStringLiteral("other.txt"), QStringLiteral("plain.txt")}));
    QVERIFY(p.answers.Asked().isEmpty());

    // A stored item that has gone is told of once: no second box after the
    // one of the item.
    QVERIFY(QFile::remove(stored));
    QVERIFY(p.At(QStringLiteral("Home/second")));
    p.model.SelectItem(p.At(QStringLiteral("Home/second")));
    std::unique_ptr<QMimeData> gone(PaneMimeData::ForStoreFiles(DropFileList({stored})));
    (void)p.controller->Paste(p.model, gone.get());
    QCOMPARE(p.answers.Asked().size(), 1);
}

QTEST_GUILESS_MAIN(TestHostPane)
#include "tst_hostpane.moc"
