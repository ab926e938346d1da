// The main window: its rules without a window (placement, manual choice,
// commands), then the window itself offscreen: pane mode, language, the
// closing order, the unclean-end notice and the password page.

#include "ScriptedMessageBox.h"
#include "TestSupport.h"

#include "Version.h"
#include "app/MainFrameRules.h"
#include "app/StoreSession.h"
#include "base/HeadlessProgress.h"
#include "base/OwnedThread.h"
#include "base/ProgressWorker.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "base/RegistrySettings.h"
#include "base/VariableStore.h"
#include "panes/TreeListModel.h"
#include "platform/HostFacts.h"
#include "security/KeyFileLayout.h"
#include "security/Password.h"
#include "store/EncryptedStore.h"
#include "store/OpenedFileList.h"
#include "ui/panes/ProgressDlg.h"
#include "ui/panes/TreeListCtrlView.h"
#include "ui/windows/CAboutDlg.h"
#include "ui/windows/CMainFrame.h"
#include "ui/windows/ConfigurationDlg.h"
#include "ui/windows/ConfigurationPagePassword.h"
#include "ui/windows/RecoveryKeyDlg.h"
#include "security/RecoveryKey.h"
#include "security/StretchTuning.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QToolBar>

using namespace nbr;
using namespace nbr::test;

namespace {

int Number(const RegistrySettings& settings, const char* name)
{
    int value = -1;
    return settings.ReadNumber(QString::fromLatin1(name), &value) ? value : -1;
}

// A stick with a set-up key file, the packs, private settings and scripted
// boxes.
struct Stick {
    QTemporaryDir dir;
    VariableStore variables;
    LanguageManager languages;
    std::unique_ptr<RegistrySettings> settings;
    std::unique_ptr<StoreSession> session;
    ScriptedMessageBox answers;

    Stick()
    {
        variables.InitVariables({}, HostFacts {});
        variables.SetVariable(QStringLiteral("NBR_DEVICE_DOCUMENT_LETTER"), dir.path());
        settings = std::make_unique<RegistrySettings>(dir.filePath(QStringLiteral("settings.conf")));
        languages.SetSettings(settings.get());
        for (const auto& [index, name] : {std::pair {0, "ENG"}, {2, "FRA"}, {6, "SPA"}, {7, "POR"}})
            languages.AddPack(index, QStringLiteral(NIMBRA_LANG_DIR "/Lang%1.json").arg(QLatin1String(name)));
        (void)languages.SelectLanguage(0, true);
        session = std::make_unique<StoreSession>(variables);
        MessageBox::Install(&answers);
    }
    ~Stick() { MessageBox::Install(nullptr); }
    [[nodiscard]] MainFrameServices Services() { return {languages, *settings, variables, *session}; }
    bool SetUp(const QString& password)
    {
        if (Failed(session->Open(true)) || Failed(session->Setup(Password(password), QStringLiteral("a hint"))))
            return false;
        HeadlessProgress progress(&languages);
        return session->Save(progress, languages) && Succeeded(session->BeginLogin()) &&
               session->Attempt(Password(password)).kind == LoginOutcome::kLoggedIn;
    }
    [[nodiscard]] QList<QString> Texts() const
    {
        QList<QString> texts;
        for (const MessageBoxRequest& r : answers.Asked())
            texts << r.text;
        return texts;
    }
};

}  // namespace

class TestMainFrame : public QObject {
    Q_OBJECT
private slots:
    void placementRules();
    void manualAndCommandRules();
    void paneModeSwitchesAndSaves();
    void languageCommands();
    void placementFollowsTheWindow();
    void commandsRouteToTheActivePane();
    void closingCleansUpThenMarksTheRunClean();
    void keptCopiesAreReportedThenStoredAtTheNextStart();
    void closeDuringAJobAsksThenWaits();
    void launcherCommandRunsBesideTheWindow();
    void uncleanEndIsReportedOnce();
    void passwordPageChecksTheCurrentPassword();
    void okAppliesAPendingChange();
    void appliedChangeIsSavedEvenOnCancel();
    void everyControlIsNamed();
    void settingsHardenAndShowTheRecoveryKey();
};

void TestMainFrame::placementRules()
{
    QTemporaryDir dir;
    RegistrySettings settings(dir.filePath(QStringLiteral("s.conf")));
    const QRect desktop(0, 0, 1600, 1000);
    // Nothing saved, or only part of it: the default size, centred.
    QCOMPARE(MainFrameRules::InitialPlacement(settings, desktop).rect, QRect(475, 225, 650, 549));
    QVERIFY(settings.WriteNumber(QStringLiteral("ui.Frame.X"), 10));
    QVERIFY(settings.WriteNumber(QStringLiteral("ui.Frame.Y"), 20));
    QVERIFY(settings.WriteNumber(QStringLiteral("ui.Frame.Width"), 700));
    QVERIFY(!MainFrameRules::InitialPlacement(settings, desktop).saved);
    QVERIFY(settings.WriteNumber(QStringLiteral("ui.Frame.Height"), 500));
    QCOMPARE(MainFrameRules::InitialPlacement(settings, desktop).rect, QRect(10, 20, 700, 500));

    // Off the left or top edge: saved at 0, the size kept; minimised: nothing.
    QCOMPARE(*MainFrameRules::PlacementToSave(QRect(-40, -5, 650, 549), false), QRect(0, 0, 650, 549));
    QCOMPARE(*MainFrameRules::PlacementToSave(QRect(-40, 30, 650, 549), false), QRect(0, 30, 650, 549));
    QCOMPARE(*MainFrameRules::PlacementToSave(QRect(1500, 900, 650, 549), false), QRect(1500, 900, 650, 549));
    QVERIFY(!MainFrameRules::PlacementToSave(QRect(0, 0, 650, 549), true));
    MainFrameRules::SavePlacement(settings, QRect(5, 6, 7, 8), true);
    QCOMPARE(Number(settings, "ui.Frame.X"), 10);
    MainFrameRules::SavePlacement(settings, QRect(-5, 6, 7, 8), false);
    QCOMPARE(MainFrameRules::InitialPlacement(settings, desktop).rect, QRect(0, 6, 7, 8));

    // Pane mode: only 1 shows the store alone.
    QVERIFY(!MainFrameRules::StoreOnly(settings));
    QVERIFY(settings.WriteText(QStringLiteral("ui.Frame.ViewMode"), QStringLiteral("2")));
    QVERIFY(!MainFrameRules::StoreOnly(settings));
    QVERIFY(settings.WriteText(QStringLiteral("ui.Frame.ViewMode"), QStringLiteral("1")));
    QVERIFY(MainFrameRules::StoreOnly(settings));
}

void TestMainFrame::manualAndCommandRules()
{
    QStringList tried;
    QStringList present;
    const auto exists = [&](const QString& path) {
        tried << path;
        return present.contains(path);
    };
    // English has no tag: the untagged name first, then the English file.
    QCOMPARE(MainFrameRules::ManualPath(QStringLiteral("/stick/bin"), QString(), exists),
             QStringLiteral("/stick/bin/Nimbra_Manual_en.pdf"));
    QCOMPARE(tried, QStringList {QStringLiteral("/stick/bin/Nimbra_Manual.pdf")});
    // Spanish without its manual falls back to English; with it, it is used.
    QCOMPARE(MainFrameRules::ManualPath(QStringLiteral("/stick/bin/"), QStringLiteral("es"), exists),
             QStringLiteral("/stick/bin/Nimbra_Manual_en.pdf"));
    present << QStringLiteral("/stick/bin/Nimbra_Manual_es.pdf");
    QCOMPARE(MainFrameRules::ManualPath(QStringLiteral("/stick/bin/"), QStringLiteral("es"), exists),
             QStringLiteral("/stick/bin/Nimbra_Manual_es.pdf"));

    // The toolbar: New directory first, 8 pictures, groups as arranged.
    const std::vector<int> order {32794, 0, 57634, 57637, 32771, 0, 32782, 32792, 32781, 0, 57664};
    QCOMPARE(MainFrameRules::ToolbarOrder(), order);
    int pictures = 0;
    for (const int id : order) {
        if (id != cmd::kSeparator)
            QCOMPARE(MainFrameRules::Find(id)->image, pictures++);
    }
    QCOMPARE(pictures, MainFrameRules::kToolbarImages);
    QCOMPARE(MainFrameRules::Find(cmd::kCut)->keys, QStringList({QStringLiteral("Ctrl+X"), QStringLiteral("Shift+Del")}));
    QCOMPARE(MainFrameRules::Find(cmd::kRefresh)->keys, QStringList({QStringLiteral("F5"), QStringLiteral("Ctrl+R")}));
    QCOMPARE(MainFrameRules::Find(cmd::kDelete)->route, CommandRoute::ActivePane);
    QCOMPARE(MainFrameRules::Find(cmd::kMyComputer)->route, CommandRoute::Frame);
    // Languages without a pack have no command.
    QCOMPARE(MainFrameRules::LanguageOfCommand(32827), 6);
    QCOMPARE(MainFrameRules::LanguageOfCommand(32822), -1);

    QString status;
    QString tip;
    MainFrameRules::SplitPrompt(QStringLiteral("Says what\n") + QString(100, QLatin1Char('t')), &status, &tip);
    QCOMPARE(status, QStringLiteral("Says what"));
    QCOMPARE(tip.size(), MainFrameRules::kMaxTipLength);
}

void TestMainFrame::paneModeSwitchesAndSaves()
{
    Stick stick;
    QVERIFY(stick.settings->WriteNumber(QStringLiteral("ui.Frame.ViewMode"), 1));
    CMainFrame frame(stick.Services());
    QCOMPARE(frame.Mode(), CMainFrame::PaneMode::StoreOnly);
    QVERIFY(!frame.HostPane());
    QVERIFY(!frame.Action(cmd::kMyComputer)->isChecked());
    frame.Action(cmd::kMyComputer)->trigger();
    QCOMPARE(frame.Mode(), CMainFrame::PaneMode::TwoPanes);
    QVERIFY(frame.HostPane());
    QVERIFY(frame.Action(cmd::kMyComputer)->isChecked());
    QCOMPARE(Number(*stick.settings, "ui.Frame.ViewMode"), 0);
    QCOMPARE(frame.ActivePane(), frame.StorePane());
    // Both panes are tree lists with the three columns.
    frame.HostPane()->InitialUpdate();
    frame.StorePane()->InitialUpdate();
    QCOMPARE(frame.HostPane()->Model().columnCount(), 3);
    QCOMPARE(frame.StorePane()->Model().headerData(2, Qt::Horizontal).toString(),
             stick.languages.GetText(msg::kColumnDate));
    frame.Action(cmd::kMyComputer)->trigger();
    QCOMPARE(Number(*stick.settings, "ui.Frame.ViewMode"), 1);
    QVERIFY(!frame.HostPane());
}

void TestMainFrame::languageCommands()
{
    Stick stick;
    CMainFrame frame(stick.Services());
    frame.StorePane()->InitialUpdate();
    // The current language again: nothing written.
    frame.Action(32821)->trigger();
    QCOMPARE(Number(*stick.settings, "languageIndex"), -1);
    QVERIFY(frame.Action(32821)->isChecked());
    frame.Action(32823)->trigger();
    QCOMPARE(Number(*stick.settings, "languageIndex"), 2);
    QCOMPARE(stick.languages.CurrentIndex(), 2);
    QCOMPARE(frame.MenuTitles().size(), 5);
    QCOMPARE(frame.Action(cmd::kExit)->text(), QStringLiteral("&Quitter"));
    QVERIFY(frame.Action(32823)->isChecked());
    QVERIFY(!frame.Action(32821)->isChecked());
    QCOMPARE(frame.windowTitle(), QStringLiteral("Nimbra- Orvane"));
    // The column captions follow too.
    QCOMPARE(frame.StorePane()->Model().headerData(0, Qt::Horizontal).toString(),
             stick.languages.GetText(msg::kColumnName));
    // A dialog open over the frame follows as well.
    CAboutDlg about(stick.languages, &frame);
    frame.Action(32828)->trigger();
    QVERIFY(about.windowTitle().startsWith(QStringLiteral("Sobre")));
    QVERIFY(about.VersionText().endsWith(QString::fromLatin1(kVersion)));
}

void TestMainFrame::placementFollowsTheWindow()
{
    Stick stick;
    {
        CMainFrame frame(stick.Services());
        frame.ShowWithPlacement();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QCOMPARE(frame.size(), QSize(650, 549));
        // A drag of the window: many moves, one write once they settle.
        const int writes = stick.settings->Writes();
        for (int step = 0; step < 20; ++step) {
            frame.setGeometry(QRect(-30 + step, 40, 681 + step, 560));
            QCoreApplication::processEvents();
        }
        QTRY_COMPARE(Number(*stick.settings, "ui.Frame.X"), 0);
        QCOMPARE(Number(*stick.settings, "ui.Frame.Width"), 700);
        QCOMPARE(stick.settings->Writes(), writes + 1);
        frame.showMinimized();
        QCoreApplication::processEvents();
        frame.close();
        QCOMPARE(Number(*stick.settings, "ui.Frame.Width"), 700);
    }
    CMainFrame again(stick.Services());
    again.ShowWithPlacement();
    QCOMPARE(again.size(), QSize(700, 560));
}

void TestMainFrame::commandsRouteToTheActivePane()
{
    Stick stick;
    CMainFrame frame(stick.Services());
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QList<std::pair<int, TreeListCtrlView*>> routed;
    connect(&frame, &CMainFrame::PaneCommand, this,
            [&routed](int id, TreeListCtrlView* pane) { routed.append({id, pane}); });
    // Empty panes: nothing to copy, but Refresh is always there.
    QVERIFY(!frame.Action(cmd::kCopy)->isEnabled());
    frame.Action(cmd::kRefresh)->trigger();
    QCOMPARE(routed.size(), 1);
    QCOMPARE(routed[0].first, cmd::kRefresh);
    QCOMPARE(routed[0].second, frame.StorePane());
    // F6 moves to the other pane; pane commands follow it.
    frame.activateWindow();
    QTest::keyClick(&frame, Qt::Key_F6);
    QCOMPARE(frame.ActivePane(), frame.HostPane());
    QTest::keyClick(frame.HostPane(), Qt::Key_F5);
    QCOMPARE(routed.size(), 2);
    QCOMPARE(routed[1].first, cmd::kRefresh);
    QCOMPARE(routed[1].second, frame.HostPane());
    // The toolbar hides and shows from the View menu.
    frame.Action(cmd::kToolbar)->trigger();
    QVERIFY(!frame.ToolBar()->isVisible());
    QVERIFY(!frame.Action(cmd::kToolbar)->isChecked());
}

void TestMainFrame::closingCleansUpThenMarksTheRunClean()
{
    Stick stick;
    QVERIFY(stick.SetUp(QStringLiteral("right-password")));
    QVERIFY(Succeeded(stick.session->Properties().WriteInt(KeyFileLayout::kSlotCleanShutdown, 0)));
    const QString launch = OpenedFileList::LaunchFolderOf(stick.dir.path());
    QVERIFY(QDir().mkpath(launch));
    QFile leftover(launch + QStringLiteral("/plain.txt"));
    QVERIFY(leftover.open(QIODevice::WriteOnly));
    leftover.write("plaintext that must not stay");
    leftover.close();
    OpenedFileList files(stick.session->Store(), launch, stick.languages);

    CMainFrame frame(stick.Services());
    frame.SetOpenedFiles(&files);
    QSignalSpy closed(&frame, &CMainFrame::Closed);
    frame.show();
    QVERIFY(frame.close());
    QCOMPARE(closed.size(), 1);
    QVERIFY(!QFileInfo::exists(launch + QStringLiteral("/plain.txt")));
    std::int32_t clean = 0;
    QCOMPARE(stick.session->Properties().ReadInt(KeyFileLayout::kSlotCleanShutdown, &clean), S_OK);
    QCOMPARE(clean, 1);
}

void TestMainFrame::keptCopiesAreReportedThenStoredAtTheNextStart()
{
    Stick stick;
    QVERIFY(stick.SetUp(QStringLiteral("right-password")));
    OpenedFileList::SetSettleTimes(100, 800);
    const QString launch = OpenedFileList::LaunchFolderOf(stick.dir.path());
    QVERIFY(QDir().mkpath(launch));
    const QString copy = launch + QStringLiteral("/held.txt");
    QFile file(copy);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("before\n") == 7);
    file.close();
    // What a program handed the copy to still writes to it at the end.
    QProcess writer;
    writer.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exec 3>>\"$0\"; echo ready; exec sleep 30"), copy});
    QVERIFY(writer.waitForReadyRead(5000));
    {
        OpenedFileList files(stick.session->Store(), launch, stick.languages);
        CMainFrame frame(stick.Services());
        frame.SetOpenedFiles(&files);
        frame.show();
        QVERIFY(frame.close());
        // Named, kept as it is, and not stored.
        QCOMPARE(stick.Texts(), QList<QString> {stick.languages.FormatText(msg::kCopyKept, {QStringLiteral("held.txt")})});
        QVERIFY(QFileInfo::exists(copy));
    }
    writer.kill();
    writer.waitForFinished();
    QString stored;
    ManifestEntry entry;
    QVERIFY(Failed(stick.session->Store().Resolve(QStringLiteral("held.txt"), &stored, &entry)));

    // The next start stores it, though that run ended cleanly.
    OpenedFileList files(stick.session->Store(), launch, stick.languages);
    CMainFrame frame(stick.Services());
    frame.SetOpenedFiles(&files);
    QCOMPARE(frame.LoadStorePane(), S_OK);
    QCOMPARE(stick.answers.Asked().size(), 1);  // no notice of an unclean end
    QVERIFY(!QFileInfo::exists(launch));
    QCOMPARE(stick.session->Store().Resolve(QStringLiteral("held.txt"), &stored, &entry), S_OK);
    OpenedFileList::SetSettleTimes(2000, 60000);
}

void TestMainFrame::closeDuringAJobAsksThenWaits()
{
    Stick stick;
    CMainFrame frame(stick.Services());
    QSignalSpy closed(&frame, &CMainFrame::Closed);
    frame.show();
    ProgressDlg progress(stick.languages, &frame);
    progress.SetCancelable(true);
    ProgressWorker runner(10);
    std::atomic<bool> sawCancel {false};
    const OwnedThread thread = runner.Start(
        [&] {
            for (int i = 0; i < 5000 && !progress.IsCancelled(); ++i)
                QThread::msleep(2);
            sawCancel = progress.IsCancelled();
            return 0;
        },
        &progress);
    int closedAfterNo = -1;
    bool cancelledAfterNo = true;
    int closedAfterYes = -1;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (!progress.isVisible())
            return;
        poll.stop();
        // No: the job goes on and the window stays.
        stick.answers.Script({mb::kIdNo});
        (void)frame.close();
        closedAfterNo = static_cast<int>(closed.size());
        cancelledAfterNo = progress.IsCancelled();
        // Yes: the job is cancelled; the window waits for it to end.
        stick.answers.Script({mb::kIdYes});
        (void)frame.close();
        closedAfterYes = static_cast<int>(closed.size());
    });
    poll.start(5);
    (void)progress.RunModal(thread.get(), false);
    QCOMPARE(stick.Texts(), QList<QString>(2, stick.languages.GetText(msg::kCloseWhileBusy)));
    QCOMPARE(closedAfterNo, 0);
    QVERIFY(!cancelledAfterNo);
    QCOMPARE(closedAfterYes, 0);
    QVERIFY(sawCancel);
    QTRY_COMPARE(closed.size(), 1);
    QVERIFY(!frame.isVisible());
}

void TestMainFrame::launcherCommandRunsBesideTheWindow()
{
    Stick stick;
    // A launcher that takes its time and then fails.
    QFile launcher(stick.dir.filePath(QStringLiteral("Nimbra")));
    QVERIFY(launcher.open(QIODevice::WriteOnly));
    launcher.write("#!/bin/sh\nsleep 0.5\nexit 1\n");
    launcher.close();
    QVERIFY(launcher.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    stick.variables.SetVariable(QStringLiteral("NBR_HOST_EXEC_PATH"), stick.dir.path());
    CMainFrame frame(stick.Services());
    frame.Action(cmd::kAddLauncher)->trigger();
    // The command came back at once; the failure is told when it comes.
    QVERIFY(stick.answers.Asked().isEmpty());
    QTRY_COMPARE(stick.answers.Asked().size(), 1);
    QCOMPARE(stick.Texts().first(), stick.languages.FormatText(msg::kLauncherNotChanged, {launcher.fileName()}));

    // A stick folder whose name holds a line break: no menu entry can carry
    // it, so the launcher is not run and the user is told why.
    const QString odd = stick.dir.filePath(QStringLiteral("line\nbreak"));
    QVERIFY(QDir().mkpath(odd));
    QVERIFY(launcher.copy(odd + QStringLiteral("/Nimbra")));
    stick.variables.SetVariable(QStringLiteral("NBR_HOST_EXEC_PATH"), odd);
    frame.Action(cmd::kAddLauncher)->trigger();
    QCOMPARE(stick.answers.Asked().size(), 2);
    QCOMPARE(stick.Texts().last(), stick.languages.FormatText(msg::kLauncherPathUnusable, {odd}));
    QVERIFY(MainFrameRules::MenuEntryCanCarry(QStringLiteral("/media/a b/%$`\\\"q\"")));
    QVERIFY(!MainFrameRules::MenuEntryCanCarry(QStringLiteral("/media/tab\there")));
}

void TestMainFrame::uncleanEndIsReportedOnce()
{
    Stick stick;
    CMainFrame frame(stick.Services());
    frame.SetPreviousRunClean(false);
    QCOMPARE(frame.LoadStorePane(), S_OK);
    QCOMPARE(stick.Texts(), QList<QString> {stick.languages.GetText(msg::kUncleanShutdown)});
    // A mode switch loads the store pane again, without the notice.
    frame.Action(cmd::kMyComputer)->trigger();
    QCOMPARE(frame.LoadStorePane(), S_OK);
    QCOMPARE(stick.answers.Asked().size(), 1);
}

void TestMainFrame::passwordPageChecksTheCurrentPassword()
{
    Stick stick;
    QVERIFY(stick.SetUp(QStringLiteral("right-password")));
    ConfigurationDlg dialog(stick.languages, *stick.session, nullptr);
    ConfigurationPagePassword* page = dialog.PasswordPage();
    QVERIFY(!page->ApplyButton()->isEnabled());
    QCOMPARE(page->StatusText(), stick.languages.GetText(msg::kCurrentPasswordEmpty));
    // The status line tells screen readers what it says.
    auto* status = page->findChild<QLabel*>(QStringLiteral("PasswordStatus"));
    QVERIFY(status);
    QCOMPARE(status->accessibleName(), page->StatusText());
    page->CurrentField()->setText(QStringLiteral("wrong-password"));
    page->NewField()->setText(QStringLiteral("new-password"));
    page->ConfirmField()->setText(QStringLiteral("new-passwor"));
    QCOMPARE(page->StatusText(), stick.languages.GetText(msg::kConfirmationDiffers));
    // Enter on an incomplete page moves on instead of closing the dialog.
    dialog.show();
    page->ConfirmField()->setFocus();
    QTest::keyClick(page->ConfirmField(), Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    page->ConfirmField()->setText(QStringLiteral("new-password"));
    QVERIFY(page->ApplyButton()->isEnabled());
    page->Apply();
    QCOMPARE(stick.Texts().last(), stick.languages.GetText(msg::kCurrentPasswordWrong));
    QVERIFY(!page->Changed());
    page->CurrentField()->setText(QStringLiteral("right-password"));
    QTest::keyClick(page->HintField(), Qt::Key_Return);  // complete: Enter applies
    QCOMPARE(stick.Texts().last(), stick.languages.GetText(msg::kPasswordChanged));
    QVERIFY(page->Changed());
    QVERIFY(dialog.PasswordChanged());
    QVERIFY(!page->ApplyButton()->isEnabled());
    // Saved, the new password opens the stick and the old one does not.
    HeadlessProgress progress(&stick.languages);
    QVERIFY(stick.session->Save(progress, stick.languages));
    StoreSession reopened(stick.variables);
    stick.session.reset();
    QCOMPARE(reopened.Open(false), S_OK);
    QCOMPARE(reopened.BeginLogin(), S_OK);
    QCOMPARE(reopened.Attempt(Password(QStringLiteral("right-password"))).kind, LoginOutcome::kRefused);
    QCOMPARE(reopened.Attempt(Password(QStringLiteral("new-password"))).kind, LoginOutcome::kLoggedIn);
}

void TestMainFrame::okAppliesAPendingChange()
{
    Stick stick;
    QVERIFY(stick.SetUp(QStringLiteral("right-password")));
    ConfigurationDlg dialog(stick.languages, *stick.session, nullptr);
    ConfigurationPagePassword* page = dialog.PasswordPage();
    dialog.show();
    // Half filled in: OK keeps the dialog open, the page saying what is missing.
    page->CurrentField()->setText(QStringLiteral("right-password"));
    page->NewField()->setText(QStringLiteral("new-password"));
    dialog.OkButton()->click();
    QVERIFY(dialog.isVisible());
    QVERIFY(!page->StatusText().isEmpty());
    QVERIFY(!dialog.PasswordChanged());
    // Complete: OK applies, then closes.
    page->ConfirmField()->setText(QStringLiteral("new-password"));
    dialog.OkButton()->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(dialog.PasswordChanged());
    QCOMPARE(stick.Texts().last(), stick.languages.GetText(msg::kPasswordChanged));
    // What was typed has served: the fields are empty again.
    QVERIFY(page->CurrentField()->text().isEmpty());
    QVERIFY(page->NewField()->text().isEmpty());
    QVERIFY(page->ConfirmField()->text().isEmpty());
    QVERIFY(stick.session->Params().VerifyPassword(
        reinterpret_cast<const std::uint8_t*>(QStringLiteral("new-password").utf16()),
        QStringLiteral("new-password").size() * 2));

    // A wrong current password: OK says so and stays open.
    ConfigurationDlg again(stick.languages, *stick.session, nullptr);
    again.show();
    again.PasswordPage()->CurrentField()->setText(QStringLiteral("not-it"));
    again.PasswordPage()->NewField()->setText(QStringLiteral("third-password"));
    again.PasswordPage()->ConfirmField()->setText(QStringLiteral("third-password"));
    again.OkButton()->click();
    QVERIFY(again.isVisible());
    QCOMPARE(stick.Texts().last(), stick.languages.GetText(msg::kCurrentPasswordWrong));
    // Nothing typed: OK just closes.
    again.PasswordPage()->CurrentField()->clear();
    again.PasswordPage()->NewField()->clear();
    again.PasswordPage()->ConfirmField()->clear();
    again.OkButton()->click();
    QVERIFY(!again.isVisible());
}

void TestMainFrame::appliedChangeIsSavedEvenOnCancel()
{
    Stick stick;
    QVERIFY(stick.SetUp(QStringLiteral("right-password")));
    CMainFrame frame(stick.Services());
    frame.show();
    bool driven = false;
    // The settings dialog runs modally: drive it from the event loop. The
    // user applies a change, is told it is done, then leaves with Cancel.
    QTimer::singleShot(0, this, [&] {
        auto* dialog = qobject_cast<ConfigurationDlg*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        ConfigurationPagePassword* page = dialog->PasswordPage();
        page->CurrentField()->setText(QStringLiteral("right-password"));
        page->NewField()->setText(QStringLiteral("new-password"));
        page->ConfirmField()->setText(QStringLiteral("new-password"));
        page->Apply();
        driven = page->Changed();
        dialog->CancelButton()->click();
    });
    frame.Action(cmd::kSecuritySettings)->trigger();
    QVERIFY(driven);
    QCOMPARE(stick.Texts().last(), stick.languages.GetText(msg::kPasswordChanged));
    // What the user was told holds on the stick: the new password opens it.
    stick.session.reset();
    StoreSession reopened(stick.variables);
    QCOMPARE(reopened.Open(false), S_OK);
    QCOMPARE(reopened.BeginLogin(), S_OK);
    QCOMPARE(reopened.Attempt(Password(QStringLiteral("new-password"))).kind, LoginOutcome::kLoggedIn);
}

void TestMainFrame::everyControlIsNamed()
{
    Stick stick;
    CMainFrame frame(stick.Services());
    for (const FrameCommand& command : MainFrameRules::Commands()) {
        QVERIFY(!frame.Action(command.id)->text().isEmpty());
        if (command.prompt > 0)
            QVERIFY(!frame.Action(command.id)->statusTip().isEmpty());
    }
    for (QWidget* widget : {static_cast<QWidget*>(frame.ToolBar()), static_cast<QWidget*>(frame.statusBar()),
                            static_cast<QWidget*>(frame.HostPane()), static_cast<QWidget*>(frame.StorePane())})
        QVERIFY(!widget->accessibleName().isEmpty());
    ConfigurationDlg dialog(stick.languages, *stick.session, &frame);
    for (QWidget* widget : dialog.findChildren<QLineEdit*>())
        QVERIFY(!widget->accessibleName().isEmpty());
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        QVERIFY(!button->accessibleName().isEmpty() || !button->text().isEmpty());
}

void TestMainFrame::settingsHardenAndShowTheRecoveryKey()
{
    const Argon2id::Cost cost {1024, 1, 2};
    StretchTuning::FixCost(&cost);
    Stick stick;
    QVERIFY(stick.SetUp(QStringLiteral("right-password")));
    ConfigurationDlg dialog(stick.languages, *stick.session, nullptr);
    ConfigurationPagePassword* page = dialog.PasswordPage();
    dialog.show();
    QVERIFY(!page->HardenBox()->isChecked());
    QVERIFY(!page->HardenBox()->accessibleDescription().isEmpty());
    // From the keyboard: the current password, then Space on the box.
    page->CurrentField()->setText(QStringLiteral("right-password"));
    page->HardenBox()->setFocus();
    QTest::keyClick(page->HardenBox(), Qt::Key_Space);
    QVERIFY(page->HardenBox()->isChecked());
    QCOMPARE(page->StatusText(), stick.languages.GetText(msg::kProtectionOnlyChange));
    QVERIFY(page->ApplyButton()->isEnabled());
    QVERIFY(page->Apply());
    QCOMPARE(stick.Texts().last(), stick.languages.GetText(msg::kProtectionChanged));
    QVERIFY(stick.session->IsHardened());
    QVERIFY(!page->HasPendingChange());

    // The recovery key asks for the current password first.
    page->RecoveryKeyButton()->click();
    QCOMPARE(stick.Texts().last(), stick.languages.GetText(msg::kRecoveryKeyNeedsPassword));
    page->CurrentField()->setText(QStringLiteral("wrong-password"));
    page->RecoveryKeyButton()->click();
    QCOMPARE(stick.Texts().last(), stick.languages.GetText(msg::kCurrentPasswordWrong));
    QString expected;
    QCOMPARE(RecoveryKey::Format(stick.session->Params().GetMasterKey(), &expected), S_OK);
    QString shown;
    QString copied;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* keyDialog = qobject_cast<RecoveryKeyDlg*>(QApplication::activeModalWidget());
        if (!keyDialog)
            return;
        shown = keyDialog->KeyLabel()->text();
        keyDialog->CopyButton()->click();
        copied = QGuiApplication::clipboard()->text();
        QTest::keyClick(keyDialog, Qt::Key_Return);  // Close is the default
    });
    poll.start(20);
    page->CurrentField()->setText(QStringLiteral("right-password"));
    page->RecoveryKeyButton()->click();
    poll.stop();
    QCOMPARE(QString(shown).replace(QLatin1Char('\n'), QLatin1Char('-')), expected);
    QCOMPARE(copied, expected);
    QGuiApplication::clipboard()->clear();

    // And back to the plain key file, the password kept.
    page->HardenBox()->setChecked(false);
    QVERIFY(page->Apply());
    QVERIFY(!stick.session->IsHardened());
    HeadlessProgress progress(&stick.languages);
    QVERIFY(stick.session->Save(progress, stick.languages));
    StoreSession reopened(stick.variables);
    stick.session.reset();
    QCOMPARE(reopened.Open(false), S_OK);
    QCOMPARE(reopened.BeginLogin(), S_OK);
    QCOMPARE(reopened.Attempt(Password(QStringLiteral("right-password"))).kind, LoginOutcome::kLoggedIn);
    StretchTuning::FixCost(nullptr);
}

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
