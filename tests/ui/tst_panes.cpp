// The panes: the command rules and the context menu without a window, the
// new-folder name rule and dialog, the refresh that keeps open folders, the
// clipboard formats of Copy and Paste, and the frame that routes the
// commands to the active pane and hands the panes their controllers.

#include "FakeTreeController.h"
#include "ScriptedMessageBox.h"

#include "app/MainFrameRules.h"
#include "app/StoreSession.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "base/RegistrySettings.h"
#include "base/VariableStore.h"
#include "panes/DropEffect.h"
#include "panes/FolderNameRule.h"
#include "panes/PaneCommandRules.h"
#include "panes/PaneMimeData.h"
#include "panes/TreeListModel.h"
#include "platform/HostFacts.h"
#include "ui/panes/DragDropTreeListCtrl.h"
#include "ui/panes/NewDirectoryDlg.h"
#include "ui/panes/TreeListCtrlView.h"
#include "ui/panes/TreeStatusPanel.h"
#include "ui/windows/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

using namespace nbr;
using namespace nbr::test;

namespace {

struct Texts {
    LanguageManager languages;
    ScriptedMessageBox answers;
    Texts()
    {
        languages.AddPack(0, QStringLiteral(NIMBRA_LANG_DIR "/LangENG.json"));
        (void)languages.SelectLanguage(0, false);
        MessageBox::Install(&answers);
    }
    ~Texts() { MessageBox::Install(nullptr); }
};

// A shown pane over a fake controller.
struct Pane {
    FakeLog log;
    FakeTreeController controller;
    TreeListCtrlView view;
    Pane(LanguageManager& languages, bool storeSide, const QStringList& paths)
        : controller(storeSide, &log), view(languages)
    {
        for (const QString& path : paths)
            controller.Add(path);
        view.SetController(&controller);
        view.resize(400, 300);
        view.show();
        if (storeSide) {
            int status = 0;
            (void)controller.PopulateChildren(view.Model(), nullptr, &status);
        }
    }
    ~Pane() { view.SetController(nullptr); }
    CTreeListItem* Item(const QString& path) const { return FakeTreeController::Find(view.Model(), path); }
    void Select(const QString& path) { QVERIFY(view.Model().SelectItem(Item(path))); }
    void Expand(const QString& path) { QCOMPARE(view.Model().Expand(Item(path), TreeExpand::Expand), 1); }
    bool Expanded(const QString& path) const
    {
        const CTreeListItem* item = Item(path);
        return item && (item->State() & tls::kExpanded);
    }
};

QList<int> Ids(const std::vector<PaneMenuEntry>& entries)
{
    QList<int> ids;
    for (const PaneMenuEntry& entry : entries)
        ids << entry.id;
    return ids;
}

void SetClipboard(QMimeData* data)
{
    QGuiApplication::clipboard()->setMimeData(data);
}

// Runs `drive` on the next modal dialog once the event loop turns.
template <typename Dialog, typename Drive>
void WhenModal(QObject* context, Drive drive)
{
    QTimer::singleShot(0, context, [drive] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget()))
            drive(dialog);
    });
}

}  // namespace

class TestPanes : public QObject {
    Q_OBJECT
private slots:
    void commandRules();
    void contextEntries();
    void folderNameRule();
    void refreshRestoresOpenFolders();
    void newFolderDialogKeepsNamesClean();
    void newDirectoryCommand();
    void copyAndPasteFormats();
    void openAndContextMenu();
    void frameRoutesToTheActivePane();
    void dropFromAnotherProgramRunsAfterIt();
    void listingShowsTheWaitCursor();
};

void TestPanes::commandRules()
{
    PaneState state;
    // Nothing selected: only New directory and Refresh (and Paste when the
    // clipboard has files); Cut never.
    QVERIFY(!PaneCommandRules::IsEnabled(cmd::kCopy, state));
    QVERIFY(!PaneCommandRules::IsEnabled(cmd::kDelete, state));
    QVERIFY(PaneCommandRules::IsEnabled(cmd::kNewDirectory, state));
    QVERIFY(PaneCommandRules::IsEnabled(cmd::kRefresh, state));
    QVERIFY(!PaneCommandRules::IsEnabled(cmd::kPaste, state));
    state.selected = 2;
    QVERIFY(PaneCommandRules::IsEnabled(cmd::kCopy, state));
    QVERIFY(PaneCommandRules::IsEnabled(cmd::kDelete, state));
    QVERIFY(!PaneCommandRules::IsEnabled(cmd::kCut, state));
    // A file first in the selection: no new folder inside it.
    QVERIFY(!PaneCommandRules::IsEnabled(cmd::kNewDirectory, state));
    state.firstIsFolder = true;
    QVERIFY(PaneCommandRules::IsEnabled(cmd::kNewDirectory, state));
    // Paste: plain files anywhere; the store's own list only in the host.
    state.clipboardStore = true;
    QVERIFY(PaneCommandRules::IsEnabled(cmd::kPaste, state));
    state.storeSide = true;
    QVERIFY(!PaneCommandRules::IsEnabled(cmd::kPaste, state));
    state.clipboardFiles = true;
    QVERIFY(PaneCommandRules::IsEnabled(cmd::kPaste, state));
    // An empty pane: only Refresh, which does nothing.
    state.hasController = false;
    QVERIFY(!PaneCommandRules::IsEnabled(cmd::kCopy, state));
    QVERIFY(!PaneCommandRules::IsEnabled(cmd::kNewDirectory, state));
    QVERIFY(PaneCommandRules::IsEnabled(cmd::kRefresh, state));
}

void TestPanes::contextEntries()
{
    using namespace pane;
    PaneState file;
    file.selected = 1;
    file.canPaste = true;
    // One file in the host pane: Open and the desktop's Open With, Copy,
    // Rename and Delete (to the trash), then the desktop's own entries.
    QCOMPARE(Ids(PaneCommandRules::ContextEntries(file)),
             (QList<int> {kRefresh, kSeparator, kOpen, kOpenWith, kSeparator, kCopy, kPaste, kSeparator, kRename,
                          kDelete, kSeparator, kShowInFileManager, kProperties}));
    QCOMPARE(PaneCommandRules::ContextEntries(file)[9].text, msg::kMenuMoveToTrash);
    // A place of the top level keeps its name.
    PaneState place = file;
    place.firstIsPlace = true;
    place.firstIsFolder = true;
    place.canPaste = false;
    QCOMPARE(Ids(PaneCommandRules::ContextEntries(place)),
             (QList<int> {kExpand, kRefresh, kSeparator, kOpen, kNewDirectory, kSeparator, kCopy, kSeparator,
                          kShowInFileManager, kProperties}));
    QVERIFY(!PaneCommandRules::IsEnabled(cmd::kDelete, place));
    // The store pane: a file opens there too; no desktop entries.
    file.storeSide = true;
    QCOMPARE(Ids(PaneCommandRules::ContextEntries(file)),
             (QList<int> {kRefresh, kSeparator, kOpen, kSeparator, kCopy, kPaste, kSeparator, kDelete}));
    // A closed store folder: Expand, New directory instead of Open.
    PaneState folder = file;
    folder.firstIsFolder = true;
    folder.canPaste = false;
    QCOMPARE(Ids(PaneCommandRules::ContextEntries(folder)),
             (QList<int> {kExpand, kRefresh, kSeparator, kNewDirectory, kSeparator, kCopy, kSeparator, kDelete}));
    // An open host folder: Collapse, Open and New directory side by side.
    folder.storeSide = false;
    folder.firstExpanded = true;
    QCOMPARE(Ids(PaneCommandRules::ContextEntries(folder)),
             (QList<int> {kCollapse, kRefresh, kSeparator, kOpen, kNewDirectory, kSeparator, kCopy, kSeparator,
                          kRename, kDelete, kSeparator, kShowInFileManager, kProperties}));
    // Two selected: no Open, no Paste; nothing selected: no Copy or Delete.
    folder.selected = 2;
    folder.canPaste = true;
    QCOMPARE(Ids(PaneCommandRules::ContextEntries(folder)),
             (QList<int> {kRefresh, kSeparator, kNewDirectory, kSeparator, kCopy, kSeparator, kDelete}));
    PaneState none;
    QCOMPARE(Ids(PaneCommandRules::ContextEntries(none)), (QList<int> {kRefresh, kSeparator, kNewDirectory}));
    none.canPaste = true;
    QCOMPARE(Ids(PaneCommandRules::ContextEntries(none)),
             (QList<int> {kRefresh, kSeparator, kNewDirectory, kSeparator, kPaste}));
    // The texts are the menu's.
    const std::vector<PaneMenuEntry> entries = PaneCommandRules::ContextEntries(file);
    QCOMPARE(entries[0].text, msg::kMenuRefresh);
    QCOMPARE(entries.back().text, msg::kMenuDelete);
}

void TestPanes::folderNameRule()
{
    QCOMPARE(FolderNameRule::Strip(QStringLiteral("a/b\\c:d*e?f\"g<h>i|j")), QStringLiteral("abcdefghij"));
    QCOMPARE(FolderNameRule::Final(QStringLiteral("  Reports 2024 ")), QStringLiteral("Reports 2024"));
    QVERIFY(FolderNameRule::Final(QStringLiteral("   ")).isEmpty());
    QVERIFY(FolderNameRule::Final(QStringLiteral(" :/ ")).isEmpty());
    // Too long is refused, never cut; the limit counts UTF-16 units, as the
    // file systems of sticks do (a character of two halves counts twice).
    QCOMPARE(FolderNameRule::Final(QString(300, QLatin1Char('n'))).size(), 300);
    QVERIFY(FolderNameRule::TooLong(QString(256, QLatin1Char('n'))));
    QVERIFY(!FolderNameRule::TooLong(QString(255, QLatin1Char('n'))));
    const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E");
    QVERIFY(FolderNameRule::TooLong(QString(254, QLatin1Char('n')) + clef));
    QVERIFY(!EncryptedStore::IsValidFolderName(QString(256, QLatin1Char('n'))));
    QVERIFY(EncryptedStore::IsValidFolderName(QString(255, QLatin1Char('n'))));
}

void TestPanes::refreshRestoresOpenFolders()
{
    Texts texts;
    Pane pane(texts.languages, false,
              {QStringLiteral("a/"), QStringLiteral("a/b/"), QStringLiteral("a/b/c.txt"), QStringLiteral("a/k/"),
               QStringLiteral("x/"), QStringLiteral("x/sub/"), QStringLiteral("x/sub/f.txt"), QStringLiteral("y/"),
               QStringLiteral("y/sub/"), QStringLiteral("y/sub/g.txt"), QStringLiteral("gone/"),
               QStringLiteral("gone/inner/"), QStringLiteral("gone/inner/h.txt")});
    QVERIFY(pane.Item(QStringLiteral("a")));
    for (const char* path : {"a", "a/b", "x", "x/sub", "y", "gone", "gone/inner"})
        pane.Expand(QString::fromLatin1(path));
    pane.controller.Add(QStringLiteral("a/b/new.txt"));
    pane.controller.Remove(QStringLiteral("gone/"));
    const int before = pane.log.liveData;

    pane.view.RunCommand(cmd::kRefresh);
    // Both levels open again, with what is new in them.
    QVERIFY(pane.Expanded(QStringLiteral("a")));
    QVERIFY(pane.Expanded(QStringLiteral("a/b")));
    QVERIFY(pane.Item(QStringLiteral("a/b/new.txt")));
    QVERIFY(!pane.Expanded(QStringLiteral("a/k")));
    // "sub" was open once at depth 2: the first "sub" in the walk takes it.
    QVERIFY(pane.Expanded(QStringLiteral("x/sub")));
    QVERIFY(!pane.Expanded(QStringLiteral("y/sub")));
    QVERIFY(!pane.Item(QStringLiteral("gone")));
    // The old items' data went back to the controller.
    QCOMPARE(pane.log.liveData, before - 3 + 1);

    // While the pane is busy, Refresh leaves everything as it is.
    pane.controller.Add(QStringLiteral("late/"));
    pane.controller.SetBusy(1);
    pane.view.RunCommand(cmd::kRefresh);
    QVERIFY(!pane.Item(QStringLiteral("late")));
    pane.controller.SetBusy(0);
}

void TestPanes::newFolderDialogKeepsNamesClean()
{
    Texts texts;
    NewDirectoryDlg dialog(texts.languages, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(QApplication::focusWidget(), dialog.Field());
    // Typed: the forbidden characters never stay.
    QTest::keyClicks(dialog.Field(), QStringLiteral("a/b:c*d"));
    QCOMPARE(dialog.Field()->text(), QStringLiteral("abcd"));
    // Pasted: the same, and the cursor stays after the pasted text.
    dialog.Field()->clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("x<y>z|\"w\"?"));
    dialog.Field()->paste();
    QCOMPARE(dialog.Field()->text(), QStringLiteral("xyzw"));
    QCOMPARE(dialog.Field()->cursorPosition(), 4);
    QTest::keyClicks(dialog.Field(), QStringLiteral("!"));
    QCOMPARE(dialog.Field()->text(), QStringLiteral("xyzw!"));
    // Too long: kept whole, and refused with the limit when confirmed; the
    // dialog stays open. 255 characters are fine.
    dialog.Field()->clear();
    QGuiApplication::clipboard()->setText(QString(256, QLatin1Char('n')));
    dialog.Field()->paste();
    QCOMPARE(dialog.Field()->text().size(), 256);
    texts.answers.Script({mb::kIdOk});
    QTest::keyClick(dialog.Field(), Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!texts.answers.Asked().isEmpty());
    QCOMPARE(texts.answers.Asked().last().text, QStringLiteral("A folder name can be at most 255 characters long."));
    QVERIFY(FolderNameRule::TooLong(FolderNameRule::Final(QString(256, QLatin1Char('n')))));
    QVERIFY(!FolderNameRule::TooLong(FolderNameRule::Final(QStringLiteral(" ") + QString(255, QLatin1Char('n')))));
    // Enter is OK; the name keeps no blanks around it.
    dialog.Field()->setText(QStringLiteral("  Reports  "));
    QTest::keyClick(dialog.Field(), Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.Name(), QStringLiteral("Reports"));
    QCOMPARE(dialog.OkButton()->text(), texts.languages.GetText(msg::kButtonOk));
}

void TestPanes::newDirectoryCommand()
{
    Texts texts;
    Pane pane(texts.languages, false, {QStringLiteral("a/"), QStringLiteral("a/f.txt")});
    const auto create = [&](const QString& typed) {
        WhenModal<NewDirectoryDlg>(this, [typed](NewDirectoryDlg* dialog) {
            QTest::keyClicks(dialog->Field(), typed);
            dialog->OkButton()->click();
        });
        pane.view.RunCommand(cmd::kNewDirectory);
    };
    // Blanks only: nothing is created.
    create(QStringLiteral("   "));
    QVERIFY(pane.log.calls.filter(QStringLiteral("Create")).isEmpty());
    // A name: created while the pane is busy, and idle again after.
    create(QStringLiteral(" new:one "));
    QCOMPARE(pane.log.calls.filter(QStringLiteral("Create")), QStringList {QStringLiteral("Create newone busy=1")});
    QCOMPARE(pane.controller.IsBusy(), 0);
    QVERIFY(texts.answers.Asked().isEmpty());
    // A failure is shown as an error.
    pane.controller.createResult = StatusFromWin32(5);
    create(QStringLiteral("locked"));
    QCOMPARE(texts.answers.Asked().size(), 1);
    QCOMPARE(texts.answers.Asked()[0].title, texts.languages.GetText(msg::kCaptionError));
    QCOMPARE(texts.answers.Asked()[0].icon, mb::kIconError);
    QVERIFY(!texts.answers.Asked()[0].text.isEmpty());
    QCOMPARE(pane.controller.IsBusy(), 0);
    // A file selected: no new folder inside it.
    pane.Expand(QStringLiteral("a"));
    pane.Select(QStringLiteral("a/f.txt"));
    QVERIFY(!pane.view.IsCommandEnabled(cmd::kNewDirectory));
}

void TestPanes::copyAndPasteFormats()
{
    Texts texts;
    Pane host(texts.languages, false, {QStringLiteral("h.txt")});
    Pane store(texts.languages, true, {QStringLiteral("s.txt")});
    host.Select(QStringLiteral("h.txt"));
    store.Select(QStringLiteral("s.txt"));

    host.view.RunCommand(cmd::kCopy);
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    QVERIFY(copied->hasFormat(QString::fromLatin1(mime::kUriList)));
    QCOMPARE(PaneMimeData::LocalFiles(copied).Paths(), QStringList {QStringLiteral("/base/h.txt")});
    QVERIFY(host.view.IsCommandEnabled(cmd::kPaste));
    QVERIFY(store.view.IsCommandEnabled(cmd::kPaste));

    store.view.RunCommand(cmd::kCopy);
    copied = QGuiApplication::clipboard()->mimeData();
    QVERIFY(PaneMimeData::HasStoreList(copied));
    QVERIFY(!PaneMimeData::HasFileList(copied));
    QCOMPARE(PaneMimeData::StoreFiles(copied).Paths(), QStringList {QStringLiteral("/base/s.txt")});
    // Only the store's own list: the store pane cannot paste it, the host can.
    QVERIFY(!store.view.IsCommandEnabled(cmd::kPaste));
    QVERIFY(host.view.IsCommandEnabled(cmd::kPaste));
    host.view.RunCommand(cmd::kPaste);
    QCOMPARE(host.log.calls.filter(QStringLiteral("Paste")), QStringList {QStringLiteral("Paste 1")});
    store.view.RunCommand(cmd::kPaste);
    QVERIFY(store.log.calls.filter(QStringLiteral("Paste")).isEmpty());
    SetClipboard(new QMimeData);
    QVERIFY(!host.view.IsCommandEnabled(cmd::kPaste));
}

void TestPanes::openAndContextMenu()
{
    Texts texts;
    // A file inside a place of the top level, as host files are.
    Pane pane(texts.languages, false, {QStringLiteral("d/"), QStringLiteral("d/f.txt")});
    pane.view.activateWindow();
    pane.view.Control()->setFocus();
    // Double click: a file opens, a folder does not.
    pane.Select(QStringLiteral("d"));
    emit pane.view.Control()->ItemDoubleClicked(pane.Item(QStringLiteral("d")));
    pane.Expand(QStringLiteral("d"));
    pane.Select(QStringLiteral("d/f.txt"));
    emit pane.view.Control()->ItemDoubleClicked(pane.Item(QStringLiteral("d/f.txt")));
    QCOMPARE(pane.log.calls.filter(QStringLiteral("Open")), QStringList {QStringLiteral("Open d/f.txt")});

    // Shift+F10 opens the pane's menu; its Delete reaches the controller.
    QStringList shown;
    QTimer::singleShot(0, this, [&shown] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        QAction* remove = nullptr;
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator())
                shown << action->text();
            if (action->data().toInt() == pane::kDelete)
                remove = action;
        }
        menu->setActiveAction(remove);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QTest::keyClick(pane.view.Control(), Qt::Key_F10, Qt::ShiftModifier);
    QCOMPARE(shown, (QStringList {QStringLiteral("Refresh"), QStringLiteral("Open"), QStringLiteral("Open With"),
                                  QStringLiteral("Copy"), QStringLiteral("Rename..."), QStringLiteral("Move to Trash"),
                                  QStringLiteral("Show in File Manager"), QStringLiteral("Properties")}));
    QCOMPARE(pane.log.calls.filter(QStringLiteral("Delete")), QStringList {QStringLiteral("Delete 1")});
}

void TestPanes::frameRoutesToTheActivePane()
{
    Texts texts;
    QTemporaryDir dir;
    VariableStore variables;
    variables.InitVariables({}, HostFacts {});
    variables.SetVariable(QStringLiteral("NBR_DEVICE_DOCUMENT_LETTER"), dir.path());
    RegistrySettings settings(dir.filePath(QStringLiteral("settings.conf")));
    StoreSession session(variables);
    FakeLog hostLog;
    FakeLog storeLog;
    {
        CMainFrame frame(MainFrameServices {texts.languages, settings, variables, session});
        frame.SetHostControllerFactory([&hostLog] {
            auto controller = std::make_unique<FakeTreeController>(false, &hostLog);
            controller->Add(QStringLiteral("home/"));
            return controller;
        });
        auto store = std::make_unique<FakeTreeController>(true, &storeLog);
        store->Add(QStringLiteral("secret.txt"));
        frame.SetStoreController(std::move(store));
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        // The host lists itself on showing; the store when it is loaded.
        QVERIFY(FakeTreeController::Find(frame.HostPane()->Model(), QStringLiteral("home")));
        QCOMPARE(frame.StorePane()->Model().rowCount(), 0);
        QCOMPARE(frame.LoadStorePane(), S_OK);
        CTreeListItem* secret = FakeTreeController::Find(frame.StorePane()->Model(), QStringLiteral("secret.txt"));
        QVERIFY(secret);
        QCOMPARE(frame.HostPane()->Panel()->IconNumber(), TreeStatusPanel::kHostIcon);
        QCOMPARE(frame.StorePane()->Panel()->IconNumber(), TreeStatusPanel::kStoreIcon);

        // The actions follow the active pane's selection.
        QCOMPARE(frame.ActivePane(), frame.StorePane());
        QVERIFY(frame.StorePane()->Panel()->IsActive());
        QVERIFY(!frame.Action(cmd::kCopy)->isEnabled());
        QVERIFY(frame.StorePane()->Model().SelectItem(secret));
        QVERIFY(frame.Action(cmd::kCopy)->isEnabled());
        QVERIFY(!frame.Action(cmd::kNewDirectory)->isEnabled());
        QVERIFY(!frame.Action(cmd::kCut)->isEnabled());
        frame.Action(cmd::kDelete)->trigger();
        QCOMPARE(storeLog.calls.filter(QStringLiteral("Delete")), QStringList {QStringLiteral("Delete 1")});
        // F6 to the host pane, where nothing is selected; Tab back.
        frame.activateWindow();
        QTest::keyClick(&frame, Qt::Key_F6);
        QCOMPARE(frame.ActivePane(), frame.HostPane());
        QVERIFY(!frame.StorePane()->Panel()->IsActive());
        QVERIFY(!frame.Action(cmd::kCopy)->isEnabled());
        QVERIFY(frame.Action(cmd::kNewDirectory)->isEnabled());
        QTest::keyClick(frame.HostPane()->Control(), Qt::Key_Tab);
        QCOMPARE(frame.ActivePane(), frame.StorePane());
        // The clipboard changes what Paste offers at once.
        SetClipboard(PaneMimeData::ForHostFiles(DropFileList({QStringLiteral("/tmp/x")})));
        QVERIFY(frame.Action(cmd::kPaste)->isEnabled());
        SetClipboard(new QMimeData);
        QVERIFY(!frame.Action(cmd::kPaste)->isEnabled());

        // Store pane alone: the host pane and its controller go, with every
        // item's data given back first; the store pane is the same store.
        frame.Action(cmd::kMyComputer)->trigger();
        QCOMPARE(hostLog.liveData, 0);
        QVERIFY(hostLog.calls.contains(QStringLiteral("Detach")));
        QCOMPARE(hostLog.calls.last(), QStringLiteral("Destroyed"));
        QVERIFY(FakeTreeController::Find(frame.StorePane()->Model(), QStringLiteral("secret.txt")));
    }
    // The frame gives the store's items back before the controller goes.
    QCOMPARE(storeLog.liveData, 0);
    QCOMPARE(storeLog.calls.last(), QStringLiteral("Destroyed"));
}

void TestPanes::dropFromAnotherProgramRunsAfterIt()
{
    Texts t;
    FakeLog log;
    FakeTreeController controller(true, &log);
    controller.takesDrops = true;
    controller.Add(QStringLiteral("docs/"));
    TreeListCtrlView view(t.languages);
    view.SetController(&controller);
    view.resize(400, 300);
    view.show();
    int status = 0;
    QCOMPARE(controller.PopulateChildren(view.Model(), nullptr, &status), S_OK);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("from-elsewhere.txt"));
    QFile plain(file);
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QWidget* viewport = view.Control()->viewport();
    const QPoint below(10, viewport->height() - 5);

    // What another program's drag carries: a file list, no marker of ours.
    auto dropOnce = [&](QMimeData& data) {
        QDragEnterEvent enter(below, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &enter);
        QDragMoveEvent move(below, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::ShiftModifier);
        QCoreApplication::sendEvent(viewport, &move);
        QDropEvent drop(QPointF(below), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::ShiftModifier);
        QCoreApplication::sendEvent(viewport, &drop);
        return std::pair {drop.isAccepted(), drop.dropAction()};
    };
    QMimeData outside;
    outside.setUrls({QUrl::fromLocalFile(file)});
    const auto [accepted, action] = dropOnce(outside);
    // Answered at once, as a copy (a move deletes its sources here), and
    // carried out after the drop has returned.
    QVERIFY(accepted);
    QCOMPARE(action, Qt::CopyAction);
    const QString dropped = QStringLiteral("Drop %1 %2").arg(file).arg(drop::kMove);
    QVERIFY(!log.calls.contains(dropped));
    QTRY_VERIFY(log.calls.contains(dropped));

    // The other pane's drag is carried out before its drop returns: it reads
    // back what the drop did.
    QMimeData ours;
    ours.setUrls({QUrl::fromLocalFile(file)});
    ours.setData(QString::fromLatin1(mime::kMyComputer), QByteArray("1"));
    log.calls.clear();
    const auto [oursAccepted, oursAction] = dropOnce(ours);
    QVERIFY(oursAccepted);
    QCOMPARE(oursAction, Qt::MoveAction);
    QVERIFY(log.calls.contains(dropped));
    view.SetController(nullptr);
}

void TestPanes::listingShowsTheWaitCursor()
{
    Texts t;
    Pane p(t.languages, true, {QStringLiteral("docs/"), QStringLiteral("docs/a.txt")});
    QList<int> shapes;
    p.controller.onPopulate = [&] {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        shapes << (cursor ? static_cast<int>(cursor->shape()) : -1);
    };
    // Opening a folder and refreshing both list under the wait cursor.
    p.Expand(QStringLiteral("docs"));
    p.Select(QStringLiteral("docs"));
    p.view.RunCommand(cmd::kRefresh);
    QVERIFY(!shapes.isEmpty());
    for (const int shape : std::as_const(shapes))
        QCOMPARE(shape, static_cast<int>(Qt::WaitCursor));
    QVERIFY(!QGuiApplication::overrideCursor());
}

QTEST_MAIN(TestPanes)
#include "tst_panes.moc"
