#include "ui/windows/CMainFrame.h"

#include "Version.h"
#include "app/MainFrameRules.h"
#include "app/ScreenFit.h"
#include "app/StoreSession.h"
#include "base/ErrorText.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "base/ProgressWorker.h"
#include "base/RegistrySettings.h"
#include "base/VariableStore.h"
#include "panes/PaneCommandRules.h"
#include "panes/TreeController.h"
#include "panes/TreeListModel.h"
#include "platform/DocumentOpener.h"
#include "security/KeyFileLayout.h"
#include "security/SecurityStatus.h"
#include "store/OpenedFileList.h"
#include "store/StoreStatus.h"
#include "ui/controls/Artwork.h"
#include "ui/panes/ProgressDlg.h"
#include "ui/panes/TreeListCtrlView.h"
#include "ui/windows/CAboutDlg.h"
#include "ui/windows/ConfigurationDlg.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMetaMethod>
#include <QProcess>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

namespace nbr {

namespace {

const QString kTitle = QStringLiteral("Nimbra- Orvane");
constexpr int kToolBarId = 0xE800;
constexpr int kStatusBarId = 0xE801;
constexpr int kPaneId = 0xE900;
constexpr int kClosingSteps = 500;
constexpr int kMinimumColumn = 10;
constexpr int kPlacementSettleMs = 400;

// The toolbar picture `index` of the strip `number`, for every pixel ratio
// the screens may ask for.
QPixmap ToolbarPicture(int number, int index, qreal ratio)
{
    const int cell = MainFrameRules::kToolbarImage;
    return Artwork::Pixmap(number, QSize(cell, cell), ratio, QRectF(index * cell, 0, cell, cell));
}

QIcon ToolbarIcon(int index)
{
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0}) {
        icon.addPixmap(ToolbarPicture(218, index, ratio), QIcon::Normal);
        icon.addPixmap(ToolbarPicture(217, index, ratio), QIcon::Active);
        icon.addPixmap(ToolbarPicture(219, index, ratio), QIcon::Disabled);
    }
    return icon;
}

QString WithoutMnemonic(QString text)
{
    return text.remove(QLatin1Char('&'));
}

}  // namespace

CMainFrame::CMainFrame(const MainFrameServices& services, QWidget* parent)
    : CCustomFrameWnd(parent), services_(services)
{
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(kTitle);
    // A job's progress window leaves this window closable: a close then
    // asks whether to cancel the job (closeEvent).
    setProperty(ProgressDlg::kOwnerStaysClosable, true);
    closeWhenIdle_ = new QTimer(this);
    closeWhenIdle_->setInterval(100);
    connect(closeWhenIdle_, &QTimer::timeout, this, [this] {
        if (!ProgressDlg::Running().isEmpty() || QApplication::activeModalWidget())
            return;
        closeWhenIdle_->stop();
        close();
    });
    placementDue_ = new QTimer(this);
    placementDue_->setSingleShot(true);
    placementDue_->setInterval(kPlacementSettleMs);
    connect(placementDue_, &QTimer::timeout, this, &CMainFrame::SavePlacement);
    BuildActions();
    BuildMenus();
    BuildToolBar();
    BuildStatusBar();
    ShowPaneMode(MainFrameRules::StoreOnly(services_.settings) ? PaneMode::StoreOnly : PaneMode::TwoPanes);
    services_.languages.AddListener(this);
    UpdateTexts();
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        connect(clipboard, &QClipboard::dataChanged, this, &CMainFrame::UpdatePaneCommands);
}

CMainFrame::~CMainFrame()
{
    services_.languages.RemoveListener(this);
    // The panes give their items back to the controllers, which must still
    // be there.
    hostPane_ = storePane_ = activePane_ = nullptr;
    delete takeCentralWidget();
}

void CMainFrame::BuildActions()
{
    for (const FrameCommand& command : MainFrameRules::Commands()) {
        auto* action = new QAction(this);
        action->setData(command.id);
        QList<QKeySequence> keys;
        for (const QString& key : command.keys)
            keys << QKeySequence(key);
        action->setShortcuts(keys);
        if (command.image >= 0)
            action->setIcon(ToolbarIcon(command.image));
        connect(action, &QAction::triggered, this, [this, id = command.id] { RunCommand(id); });
        actions_.insert(command.id, action);
        addAction(action);
    }
    Action(cmd::kMyComputer)->setCheckable(true);
    Action(cmd::kToolbar)->setCheckable(true);
    Action(cmd::kStatusBar)->setCheckable(true);
    // Without a viewer the view-only agreement cannot be shown: the command
    // stays disabled rather than doing nothing.
    Action(cmd::kLicense)->setEnabled(false);
    for (const int id : MainFrameRules::LanguageCommands()) {
        auto* action = new QAction(this);
        action->setData(id);
        action->setCheckable(true);
        action->setText(QString::fromUtf8(LanguageManager::Info(MainFrameRules::LanguageOfCommand(id)).name));
        connect(action, &QAction::triggered, this, [this, id] { OnLanguage(id); });
        actions_.insert(id, action);
    }
    // The further keys: Undo has no handler here, so it stays disabled; F6
    // and Shift+F6 move between the panes.
    auto* undo = new QAction(this);
    undo->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Z")), QKeySequence(QStringLiteral("Alt+Backspace"))});
    undo->setEnabled(false);
    actions_.insert(cmd::kUndo, undo);
    addAction(undo);
    for (const int id : {cmd::kNextPane, cmd::kPreviousPane}) {
        auto* action = new QAction(this);
        action->setShortcut(QKeySequence(id == cmd::kNextPane ? Qt::Key_F6 : Qt::SHIFT | Qt::Key_F6));
        connect(action, &QAction::triggered, this, &CMainFrame::ActivateOtherPane);
        actions_.insert(id, action);
        addAction(action);
    }
}

void CMainFrame::BuildMenus()
{
    int currentMenu = 0;
    QMenu* menu = nullptr;
    for (const FrameCommand& command : MainFrameRules::Commands()) {
        if (command.menu != currentMenu) {
            if (menu)
                AddMenu(menu);
            menu = new QMenu(this);
            menu->setProperty("textId", command.menu);
            currentMenu = command.menu;
        }
        // Separators keep the groups of the menus apart.
        if (command.id == cmd::kRefresh || command.id == cmd::kLicense || command.id == cmd::kNewDirectory)
            menu->addSeparator();
        menu->addAction(Action(command.id));
        if (command.id == cmd::kSecuritySettings) {
            QMenu* languages = menu->addMenu(QString());
            languages->setObjectName(QStringLiteral("LanguageMenu"));
            for (const int id : MainFrameRules::LanguageCommands())
                languages->addAction(Action(id));
        }
    }
    if (menu)
        AddMenu(menu);
}

void CMainFrame::BuildToolBar()
{
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName(QStringLiteral("ToolBar%1").arg(kToolBarId, 0, 16));
    toolBar_->setMovable(true);
    toolBar_->setFloatable(false);
    toolBar_->setIconSize(QSize(MainFrameRules::kToolbarImage, MainFrameRules::kToolbarImage));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const int id : MainFrameRules::ToolbarOrder()) {
        if (id == cmd::kSeparator)
            toolBar_->addSeparator();
        else
            toolBar_->addAction(Action(id));
    }
    addToolBar(Qt::TopToolBarArea, toolBar_);
    Action(cmd::kToolbar)->setChecked(true);
}

void CMainFrame::BuildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar%1").arg(kStatusBarId, 0, 16));
    bar->setSizeGripEnabled(false);
    // The idle text sits in a widget of its own: the prompts are passing
    // messages, and the bar shows the idle text again when they end.
    statusText_ = new QLabel(bar);
    statusText_->setObjectName(QStringLiteral("StatusText"));
    bar->addWidget(statusText_, 1);
    Action(cmd::kStatusBar)->setChecked(true);
}

TreeListCtrlView* CMainFrame::MakePane(const QString& name)
{
    auto* pane = new TreeListCtrlView(services_.languages);
    pane->setObjectName(name);
    connect(pane, &TreeListCtrlView::FocusEntered, this, [this, pane] { SetActivePane(pane); });
    connect(pane, &TreeListCtrlView::OtherPaneWanted, this, &CMainFrame::ActivateOtherPane);
    connect(pane, &TreeListCtrlView::CommandStateChanged, this, &CMainFrame::UpdatePaneCommands);
    return pane;
}

void CMainFrame::SetHostControllerFactory(HostControllerFactory factory)
{
    hostFactory_ = std::move(factory);
    if (!hostPane_)
        return;
    std::unique_ptr<TreeController> controller = hostFactory_ ? hostFactory_() : nullptr;
    hostPane_->SetController(controller.get());
    hostController_ = std::move(controller);
}

void CMainFrame::SetStoreController(std::unique_ptr<TreeController> controller)
{
    if (storePane_)
        storePane_->SetController(controller.get());
    storeController_ = std::move(controller);
}

void CMainFrame::ShowPaneMode(PaneMode mode)
{
    // The old panes go with their container, handing their items back to
    // the controllers first; the new ones get their first update when they
    // show (or when the store pane is loaded).
    hostPane_ = storePane_ = activePane_ = nullptr;
    splitter_ = nullptr;
    delete takeCentralWidget();
    hostController_.reset();
    mode_ = mode;
    if (mode == PaneMode::StoreOnly) {
        storePane_ = MakePane(QStringLiteral("StorePane"));
        storePane_->setProperty("paneId", kPaneId);
        setCentralWidget(storePane_);
    } else {
        splitter_ = new QSplitter(Qt::Horizontal);
        splitter_->setObjectName(QStringLiteral("PaneSplitter"));
        splitter_->setChildrenCollapsible(false);
        hostPane_ = MakePane(QStringLiteral("HostPane"));
        storePane_ = MakePane(QStringLiteral("StorePane"));
        hostPane_->setMinimumWidth(kMinimumColumn);
        storePane_->setMinimumWidth(kMinimumColumn);
        splitter_->addWidget(hostPane_);
        splitter_->addWidget(storePane_);
        const int half = std::max(kMinimumColumn, width() / 2);
        splitter_->setSizes({half, half});
        setCentralWidget(splitter_);
        if (hostFactory_)
            hostController_ = hostFactory_();
        hostPane_->SetController(hostController_.get());
    }
    storePane_->SetController(storeController_.get());
    SetActivePane(storePane_);
    storePane_->setFocus();
    Action(cmd::kMyComputer)->setChecked(mode == PaneMode::TwoPanes);
    UpdateTexts();
}

QAction* CMainFrame::Action(int commandId) const
{
    return actions_.value(commandId, nullptr);
}

TreeListCtrlView* CMainFrame::ActivePane() const
{
    return activePane_;
}

void CMainFrame::SetActivePane(TreeListCtrlView* pane)
{
    activePane_ = pane;
    for (TreeListCtrlView* each : {hostPane_, storePane_}) {
        if (each)
            each->SetActive(each == activePane_);
    }
    UpdatePaneCommands();
}

void CMainFrame::ActivateOtherPane()
{
    if (mode_ != PaneMode::TwoPanes || !activePane_)
        return;
    TreeListCtrlView* other = activePane_ == storePane_ ? hostPane_ : storePane_;
    SetActivePane(other);
    other->setFocus(Qt::OtherFocusReason);
}

void CMainFrame::UpdatePaneCommands()
{
    // One look at the pane and the clipboard serves every command.
    const PaneState state = activePane_ ? activePane_->State() : PaneState {};
    for (const int id : PaneCommandRules::Commands())
        Action(id)->setEnabled(activePane_ && PaneCommandRules::IsEnabled(id, state));
}

void CMainFrame::ShowWithPlacement()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect desktop = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const Placement placement = MainFrameRules::InitialPlacement(services_.settings, desktop);
    // A saved place from a larger screen, or a large scale factor, must not
    // leave the header out of reach.
    setGeometry(ScreenFit::Fit(placement.rect, desktop, minimumSize()));
    setWindowTitle(kTitle);
    show();
    placementReady_ = true;
}

void CMainFrame::SavePlacement()
{
    if (!placementReady_)
        return;
    MainFrameRules::SavePlacement(services_.settings, frameGeometry(), isMinimized());
}

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    CCustomFrameWnd::resizeEvent(event);
    if (placementReady_)
        placementDue_->start();
}

void CMainFrame::moveEvent(QMoveEvent* event)
{
    CCustomFrameWnd::moveEvent(event);
    if (placementReady_)
        placementDue_->start();
}

void CMainFrame::changeEvent(QEvent* event)
{
    CCustomFrameWnd::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && placementReady_)
        placementDue_->start();
}

std::uint32_t CMainFrame::ShowBox(const QString& title, const QString& text, std::uint32_t buttons, int icon)
{
    return ShowMessageBox(static_cast<QWidget*>(this), title, text, buttons, icon);
}

std::uint32_t CMainFrame::ShowBoxWithTitle(int titleId, const QString& text, std::uint32_t buttons, int icon)
{
    return ShowBox(services_.languages.GetText(titleId), text, buttons, icon);
}

Status CMainFrame::LoadStorePane()
{
    if (mode_ == PaneMode::TwoPanes)
        SetActivePane(storePane_);
    // The pane may not have shown yet: its columns come first.
    storePane_->InitialUpdate();
    // Without a controller (no store open) the empty pane is a successful
    // fill.
    Status fill = S_OK;
    if (storeController_) {
        int status = 0;
        fill = storeController_->PopulateChildren(storePane_->Model(), nullptr, &status);
    }
    if (Succeeded(fill) && !storeLoadedOnce_) {
        storeLoadedOnce_ = true;
        if (!previousRunClean_) {
            (void)ShowBoxWithTitle(msg::kCaptionNotice, services_.languages.GetText(msg::kUncleanShutdown), mb::kOk,
                                   mb::kIconInformation);
            (void)RunClosingCleanUp();
        } else if (openedFiles_ && openedFiles_->HasLeftovers()) {
            // Copies the last run kept because a program was still writing
            // to them (it said so then): stored now.
            (void)RunClosingCleanUp();
        }
    }
    return fill;
}

void CMainFrame::RunCommand(int commandId)
{
    const FrameCommand* command = MainFrameRules::Find(commandId);
    if (command && command->route == CommandRoute::ActivePane) {
        if (activePane_) {
            activePane_->RunCommand(commandId);
            emit PaneCommand(commandId, activePane_);
        }
        return;
    }
    switch (commandId) {
    case cmd::kExit: close(); break;
    case cmd::kToolbar: toolBar_->setVisible(!toolBar_->isVisible()); break;
    case cmd::kStatusBar: statusBar()->setVisible(!statusBar()->isVisible()); break;
    case cmd::kMyComputer: OnMyComputer(); break;
    case cmd::kSecuritySettings: OnSecuritySettings(); break;
    case cmd::kAbout: OnAbout(); break;
    case cmd::kLicense: OnLicense(); break;
    case cmd::kOnlineSupport: OnOnlineSupport(); break;
    case cmd::kUserManual: OnUserManual(); break;
    case cmd::kAddLauncher: OnDesktopLauncher(true); break;
    case cmd::kRemoveLauncher: OnDesktopLauncher(false); break;
    default: break;
    }
    Action(cmd::kToolbar)->setChecked(toolBar_->isVisible());
    Action(cmd::kStatusBar)->setChecked(statusBar()->isVisible());
}

void CMainFrame::OnMyComputer()
{
    const bool storeOnly = mode_ == PaneMode::StoreOnly;
    MainFrameRules::SaveViewMode(services_.settings, MainFrameRules::ViewModeAfterSwitch(storeOnly));
    ShowPaneMode(storeOnly ? PaneMode::TwoPanes : PaneMode::StoreOnly);
    const Status s = LoadStorePane();
    // The new mode stays even when its store pane cannot be filled.
    if (Failed(s))
        (void)ShowBoxWithTitle(msg::kCaptionError, FormatErrorText(services_.languages, s), mb::kOk,
                               mb::kIconError);
}

void CMainFrame::OnLanguage(int commandId)
{
    const int index = MainFrameRules::LanguageOfCommand(commandId);
    // The current language again changes nothing and writes nothing.
    if (index < 0 || !services_.languages.SelectLanguage(index, false)) {
        UpdateTexts();
        return;
    }
    setWindowTitle(kTitle);
    update();
}

void CMainFrame::OnAbout()
{
    CAboutDlg dialog(services_.languages, this);
    dialog.exec();
}

void CMainFrame::OnLicense()
{
    if (agreementViewer_)
        agreementViewer_(this);
}

void CMainFrame::SetAgreementViewer(AgreementViewer viewer)
{
    agreementViewer_ = std::move(viewer);
    Action(cmd::kLicense)->setEnabled(static_cast<bool>(agreementViewer_));
}

void CMainFrame::OnOnlineSupport()
{
    const QString address = QString::fromLatin1(MainFrameRules::kSupportAddress);
    if (address.isEmpty()) {
        OnUserManual();
        return;
    }
    if (DocumentOpener::Open(address) == DocumentOpener::Result::NoProgram)
        (void)ShowBoxWithTitle(msg::kCaptionNotice, services_.languages.GetText(msg::kNoProgramToOpen), mb::kOk,
                               mb::kIconInformation);
}

void CMainFrame::OnUserManual()
{
    const QString tag =
        QString::fromLatin1(LanguageManager::Info(services_.languages.CurrentIndex()).manualTag);
    const QString folder = services_.variables.GetVariable(QStringLiteral("NBR_HOST_EXEC_PATH"));
    const QString manual =
        MainFrameRules::ManualPath(folder, tag, [](const QString& path) { return QFileInfo::exists(path); });
    // Other failures show nothing: the program that opens it reports them.
    if (DocumentOpener::Open(manual) == DocumentOpener::Result::NoProgram)
        (void)ShowBoxWithTitle(msg::kCaptionNotice, services_.languages.GetText(msg::kNoProgramToOpen), mb::kOk,
                               mb::kIconInformation);
}

void CMainFrame::OnDesktopLauncher(bool add)
{
    const QString folder = services_.variables.GetVariable(QStringLiteral("NBR_HOST_EXEC_PATH"));
    const QString launcher = QDir(folder).filePath(QStringLiteral("Nimbra"));
    if (add && !MainFrameRules::MenuEntryCanCarry(folder)) {
        (void)ShowBoxWithTitle(msg::kCaptionError, services_.languages.FormatText(msg::kLauncherPathUnusable, {folder}),
                               mb::kOk, mb::kIconError);
        return;
    }
    // The launcher runs beside the window (the desktop's menu may take its
    // time to take note); only a failure is reported, when it comes.
    auto* process = new QProcess(this);
    process->setProgram(launcher);
    process->setArguments({add ? QStringLiteral("--install-launcher") : QStringLiteral("--remove-launcher")});
    process->setStandardInputFile(QProcess::nullDevice());
    auto report = [this, process, launcher](bool ran) {
        process->deleteLater();
        if (!ran && !closing_)
            (void)ShowBoxWithTitle(msg::kCaptionError,
                                   services_.languages.FormatText(msg::kLauncherNotChanged, {launcher}), mb::kOk,
                                   mb::kIconError);
    };
    connect(process, &QProcess::finished, this, [report](int code, QProcess::ExitStatus status) {
        report(status == QProcess::NormalExit && code == 0);
    });
    connect(process, &QProcess::errorOccurred, this, [report](QProcess::ProcessError error) {
        // A crash or a kill also ends in finished().
        if (error == QProcess::FailedToStart)
            report(false);
    });
    process->start();
}

void CMainFrame::OnSecuritySettings()
{
    ConfigurationDlg dialog(services_.languages, services_.session, this);
    dialog.exec();
    // An applied change is saved whichever button closed the dialog: the user
    // was told the password changed, and the key in memory is already the
    // new one; left unsaved, the next start would want the old password.
    if (!dialog.PasswordChanged())
        return;
    ProgressDlg progress(services_.languages, this);
    if (services_.session.Save(progress, services_.languages))
        return;
    // The key in memory and the key on the stick no longer agree: going on
    // would store files that the next login cannot read.
    (void)ShowBoxWithTitle(msg::kCaptionError, FormatErrorText(services_.languages, E_SAVE_FAILED), mb::kOk,
                           mb::kIconError);
    RequestEnd(1);
}

bool CMainFrame::RunClosingCleanUp()
{
    if (!openedFiles_)
        return true;
    ProgressDlg progress(services_.languages, this);
    progress.SetTitle(services_.languages.GetText(msg::kTitleClosing));
    ProgressWorker worker(kClosingSteps);
    OpenedFileList* files = openedFiles_;
    Status cleaned = S_OK;
    // Questions reach the user through the message box's answerer; the bar
    // is the worker's own (the clean-up's reports to it come from another
    // thread and are dropped), the texts tell what the clean-up waits for.
    IProgressDlg* texts = &progress;
    const OwnedThread driver = worker.Start(
        [files, texts, &cleaned] {
            cleaned = files->CleanUpLaunchFolder(texts);
            return Succeeded(cleaned) ? 0 : 1;
        },
        &progress);
    bool ok = false;
    if (driver) {
        progress.RunModal(driver.get(), false);
        ok = !progress.HasFailed() && worker.ExitCode() == 0;
    }
    // Copies a program was still writing to stay in the launch folder: each
    // is named, and the next start stores them.
    QStringList kept;
    for (const QString& file : files->KeptCopies())
        kept << services_.languages.FormatText(msg::kCopyKept, {file});
    if (!kept.isEmpty())
        (void)ShowBoxWithTitle(msg::kCaptionError, kept.join(QStringLiteral("\n\n")), mb::kOk, mb::kIconError);
    if (!ok && (kept.isEmpty() || cleaned != E_STORE_COPIES_KEPT))
        (void)ShowBoxWithTitle(msg::kCaptionError, services_.languages.GetText(msg::kClosingFailed), mb::kOk,
                               mb::kIconError);
    return ok;
}

void CMainFrame::CloseWhenJobsEnd()
{
    if (closeWhenIdle_->isActive())
        return;
    const std::uint32_t answer = ShowBoxWithTitle(msg::kCaptionNotice, services_.languages.GetText(msg::kCloseWhileBusy),
                                                  mb::kYes | mb::kNo, mb::kIconWarning);
    if (MessageBox::ButtonOf(answer) != mb::kIdYes)
        return;
    ProgressDlg::CancelAll();
    closeWhenIdle_->start();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (closing_) {
        // The closing clean-up runs behind its own progress window.
        if (ProgressDlg::Running().isEmpty())
            event->accept();
        else
            event->ignore();
        return;
    }
    // The job's worker and its window live in a loop below this call: the
    // window closes when they have ended.
    if (!ProgressDlg::Running().isEmpty()) {
        event->ignore();
        CloseWhenJobsEnd();
        return;
    }
    closing_ = true;
    (void)RunClosingCleanUp();
    if (services_.session.IsOpen()) {
        const Status s = services_.session.Properties().WriteInt(KeyFileLayout::kSlotCleanShutdown, 1);
        if (Failed(s))
            (void)ShowBoxWithTitle(msg::kCaptionError, FormatErrorText(services_.languages, s), mb::kOk,
                                   mb::kIconError);
    }
    placementDue_->stop();
    SavePlacement();
    placementReady_ = false;
    event->accept();
    emit Closed();
}

void CMainFrame::RequestEnd(int exitCode)
{
    closing_ = true;
    if (isSignalConnected(QMetaMethod::fromSignal(&CMainFrame::EndRequested)))
        emit EndRequested(exitCode);
    else
        QCoreApplication::exit(exitCode);
}

void CMainFrame::UpdateTexts()
{
    // The frame's base asks for the texts while the menus are still being
    // added; the constructor reads them all once everything is there.
    if (!statusText_) {
        CCustomFrameWnd::UpdateTexts();
        return;
    }
    const LanguageManager& texts = services_.languages;
    const QList<QMenu*> menus = findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly);
    for (QMenu* menu : menus) {
        const int id = menu->property("textId").toInt();
        if (id > 0)
            menu->setTitle(texts.GetText(id));
    }
    if (auto* languages = findChild<QMenu*>(QStringLiteral("LanguageMenu")))
        languages->setTitle(texts.GetText(msg::kMenuLanguage));
    for (const FrameCommand& command : MainFrameRules::Commands()) {
        QAction* action = Action(command.id);
        action->setText(texts.GetText(command.text));
        QString status;
        QString tip;
        if (command.prompt > 0)
            MainFrameRules::SplitPrompt(texts.GetText(command.prompt), &status, &tip);
        action->setStatusTip(status);
        action->setToolTip(tip.isEmpty() ? WithoutMnemonic(action->text()) : tip);
    }
    for (const int id : MainFrameRules::LanguageCommands())
        Action(id)->setChecked(MainFrameRules::LanguageOfCommand(id) == texts.CurrentIndex());
    if (toolBar_) {
        toolBar_->setWindowTitle(texts.GetText(msg::kToolbarName));
        toolBar_->setAccessibleName(texts.GetText(msg::kToolbarName));
    }
    statusBar()->setAccessibleName(texts.GetText(msg::kStatusBarName));
    statusText_->setText(texts.GetText(msg::kStatusReady));
    for (TreeListCtrlView* pane : {hostPane_, storePane_}) {
        if (pane)
            pane->SetPaneName(texts.GetText(pane == hostPane_ ? msg::kPaneHost : msg::kPaneStore));
    }
    CCustomFrameWnd::UpdateTexts();
}

}  // namespace nbr
