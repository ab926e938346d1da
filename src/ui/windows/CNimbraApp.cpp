#include "ui/windows/CNimbraApp.h"

#include "app/CleanShutdown.h"
#include "app/LaunchCheck.h"
#include "app/StoreSession.h"
#include "app/StoreVolumeWatch.h"
#include "base/ErrorText.h"
#include "base/MainThreadAnswerer.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "base/StallWatch.h"
#include "base/StickFolders.h"
#include "panes/DeviceDataTreeController.h"
#include "panes/FileIconTable.h"
#include "panes/MyComputerTreeController.h"
#include "platform/HostFacts.h"
#include "platform/NativePath.h"
#include "store/DragTempFolder.h"
#include "store/FileUtilities.h"
#include "store/StoreStatus.h"
#include "store/OpenedFileList.h"
#include "ui/controls/Theme.h"
#include "ui/panes/PaneDragSource.h"
#include "ui/panes/ProgressDlg.h"
#include "ui/windows/CDlgChooseLang.h"
#include "ui/windows/CLoginDlg.h"
#include "ui/windows/CMainFrame.h"
#include "ui/windows/CMessageBoxDlg.h"
#include "ui/windows/CSetupWizzard.h"
#include "ui/windows/CSplashScreenEx.h"
#include "ui/windows/EulaDlg.h"

#include <QApplication>
#include <QDir>
#include <QThread>

namespace nbr {
namespace {
constexpr int kSplashDisplayMs = 600000;
}  // namespace

CNimbraApp::CNimbraApp(const QStringList& arguments) : arguments_(arguments)
{
    languages_.SetSettings(&settings_);
}

CNimbraApp::~CNimbraApp()
{
    // Windows first: they refer to everything below.
    mainWindow_.reset();
    // The device watcher goes with the launch check's lease; nothing may
    // hear of volumes any more.
    check_.reset();
    volumeWatch_.reset();
    splash_.reset();
    // The opened files refer to the store, the store to the key: both go
    // before the key-file stream is released.
    openedFiles_.reset();
    session_.reset();
    if (cleanupAllowed_) {
        QString temp = QDir::tempPath();
        while (temp.size() > 1 && temp.endsWith(NativePath::kSeparator))
            temp.chop(1);
        (void)FileUtilities::DeleteTree(NativePath::Join(temp, QStringLiteral("Nimbra")), nullptr, false, false);
    }
    Theme::Instance().SetLanguages(nullptr);
    if (answerer_) {
        answerer_->Release();
        MessageBox::Install(nullptr);
    }
}

QWidget* CNimbraApp::MainWindow() const
{
    return mainWindow_.get();
}

bool CNimbraApp::Stop(int code)
{
    if (!ending_)
        exitCode_ = code;
    ending_ = true;
    return false;
}

void CNimbraApp::End(int code)
{
    if (!ending_)
        exitCode_ = code;
    ending_ = true;
    StopRunningWork(answerer_.get());
    QCoreApplication::exit(exitCode_);
}

void CNimbraApp::StopRunningWork(MainThreadAnswerer* answerer)
{
    // The jobs are told to stop before their workers wake from a question,
    // so that a woken worker sees it; the workers are released before the
    // boxes close, or a closed question would be followed by the next.
    ProgressDlg::AbandonAll();
    if (answerer)
        answerer->ReleaseWorkers();
    CMessageBoxDlg::CloseAll();
}

int CNimbraApp::Run()
{
    if (!InitInstance())
        return exitCode_;
    exitCode_ = kExitForced;  // until the main window closes normally
    const int loop = QApplication::exec();
    (void)loop;
    return exitCode_;
}

bool CNimbraApp::InitInstance()
{
    stallWatch_.reset(StallWatch::FromEnvironment(nullptr));
    const HostFacts host = HostFacts::Current();
    variables_.InitVariables(arguments_, host);
    if (!instance_.TryAcquire())
        return Stop(kExitAlreadyRunning);
    cleanupAllowed_ = true;
    // Beside the start: what crashed runs left behind, and the MIME database
    // that the first listing would otherwise load on the GUI thread.
    sweeper_.reset(QThread::create([] {
        (void)DragTempFolder::SweepStale();
        FileIconTable::Warm();
    }));
    sweeper_->start();
    languages_.LoadPacks(variables_, host.languageId);
    Theme::Instance().SetLanguages(&languages_);
    answerer_ = std::make_unique<MainThreadAnswerer>([this](const MessageBoxRequest& request) {
        return CMessageBoxDlg::Show(request, languages_,
                                    {MainWindow(), splash_ && splash_->HasWindow() ? splash_->Window() : nullptr});
    });
    MessageBox::Install(answerer_.get());

    splash_ = std::make_unique<CSplashScreenEx>();
    if (splash_->Create(nullptr, QString(), kSplashDisplayMs,
                        CSplashScreenEx::kFadeIn | CSplashScreenEx::kFadeOut | CSplashScreenEx::kDropShadow
                            | CSplashScreenEx::kCenterOnScreen)
        && splash_->SetBitmap(CSplashScreenEx::kStartupBitmap)) {
        splash_->SetTextRect(CSplashScreenEx::kStartupTextRect);
        splash_->Show();
    }
    splash_->SetText(languages_.GetText(msg::kSplashStarting));
    splash_->SetText(languages_.GetText(msg::kSplashLoading));
    splash_->SetText(QString());

    check_ = std::make_unique<LaunchCheck>(variables_, languages_, splash_.get());
    if (!check_->Run(this) || ending_)
        return Stop();
    StickFolders::Confine(check_->StoreRoot());
    volumeWatch_ = std::make_unique<StoreVolumeWatch>(
        check_->StoreRoot(), languages_, [this] { StopRunningWork(answerer_.get()); }, [this] { End(kExitForced); });

    if (!OpenKeyFile())
        return Stop();
    if (!session_->IsSetUp() && session_->HoldsItems()) {
        (void)ShowMessageBox(nullptr, languages_.GetText(msg::kCaptionError),
                             FormatErrorText(languages_, E_STORE_HOLDS_ITEMS), mb::kOk, mb::kIconError);
        return Stop();
    }
    if (!session_->IsSetUp() && !FirstRun())
        return Stop();
    if (ending_)
        return false;

    splash_->Show();
    mainWindow_ = std::make_unique<CMainFrame>(MainFrameServices {languages_, settings_, variables_, *session_});
    mainWindow_->SetAgreementViewer([this](QWidget* owner) {
        EulaDlg agreement(languages_, owner, true);
        (void)agreement.exec();
    });
    InstallHostPane();
    QObject::connect(mainWindow_.get(), &CMainFrame::Closed, [this] { End(kExitNormal); });
    QObject::connect(mainWindow_.get(), &CMainFrame::EndRequested, [this](int code) {
        End(code == kExitNormal ? kExitForced : code);
    });
    mainWindow_->ShowWithPlacement();
    splash_->Hide();

    if (!Login() || ending_)
        return Stop();
    return BeginRunning();
}

bool CNimbraApp::OpenKeyFile()
{
    session_ = std::make_unique<StoreSession>(variables_);
    QString subject;
    const Status s = session_->Open(true, &subject);
    if (Succeeded(s))
        return true;
    // A store folder that cannot be made ends the program without a word.
    if (subject != session_->StoreFolder()) {
        (void)ShowMessageBox(nullptr, languages_.GetText(msg::kCaptionError), FormatErrorText(languages_, s),
                             mb::kOk, mb::kIconError);
    }
    return false;
}

bool CNimbraApp::FirstRun()
{
    splash_->Hide();
    {
        CDlgChooseLang choice(languages_);
        (void)choice.exec();
    }
    if (ending_)
        return false;
    {
        EulaDlg agreement(languages_, nullptr, false);
        if (agreement.exec() != QDialog::Accepted)
            return false;
    }
    if (ending_)
        return false;
    CSetupWizzard wizard(languages_, *session_, splash_.get());
    (void)wizard.exec();
    if (ending_)
        return false;
    if (wizard.SaveFailed())
        return Stop(kExitForced);
    if (!wizard.IsCompleted()) {
        (void)ShowMessageBox(nullptr, languages_.GetText(msg::kCaptionError), languages_.GetText(msg::kSetupNotCompleted),
                             mb::kOk, mb::kIconError);
        return false;
    }
    return true;
}

bool CNimbraApp::Login()
{
    CLoginDlg login(languages_, *session_, MainWindow());
    if (!login.Begin())
        return Stop(kExitForced);
    (void)login.exec();
    if (login.IsEnding())
        return Stop(kExitForced);
    return login.LoginSucceeded() && session_->IsLoggedIn()
           && session_->Params().GetMasterKeyLength() == 32;
}

bool CNimbraApp::BeginRunning()
{
    const Status s = CleanShutdown::Begin(session_->Properties(), &wasClean_);
    if (Failed(s)) {
        (void)ShowMessageBox(MainWindow(), languages_.GetText(msg::kCaptionError), FormatErrorText(languages_, s),
                             mb::kOk, mb::kIconError);
        return Stop();
    }
    openedFiles_ = std::make_unique<OpenedFileList>(
        session_->Store(), OpenedFileList::LaunchFolderOf(check_->StoreRoot()), languages_);
    mainWindow_->SetOpenedFiles(openedFiles_.get());
    mainWindow_->SetStoreController(
        std::make_unique<DeviceDataTreeController>(MakePaneServices(), session_->Store(), *openedFiles_));
    InstallHostPane();
    // The first listing of the store reports an unclean end and cleans up once.
    mainWindow_->SetPreviousRunClean(wasClean_);
    const Status loaded = mainWindow_->LoadStorePane();
    if (Failed(loaded)) {
        (void)ShowMessageBox(MainWindow(), languages_.GetText(msg::kCaptionError),
                             FormatErrorText(languages_, loaded), mb::kOk, mb::kIconError);
        return Stop();
    }
    return !ending_ || Stop();
}

PaneServices CNimbraApp::MakePaneServices()
{
    return PaneServices {languages_,
                         [this]() -> std::unique_ptr<IProgressDlg> {
                             return std::make_unique<ProgressDlg>(languages_, MainWindow());
                         },
                         MainWindow(),
                         [this](QMimeData* data, std::uint32_t allowed) -> std::uint32_t {
                             QObject* source = MainWindow();
                             return PaneDragSource::Run(source ? source : qApp, data, allowed);
                         }};
}

void CNimbraApp::InstallHostPane()
{
    mainWindow_->SetHostControllerFactory([this]() -> std::unique_ptr<TreeController> {
        EncryptedStore* store = session_ && session_->IsLoggedIn() ? &session_->Store() : nullptr;
        return std::make_unique<MyComputerTreeController>(MakePaneServices(), check_->StoreRoot(), store);
    });
}

void CNimbraApp::OnVolumeRemoved(const QString& root)
{
    if (volumeWatch_ && !ending_)
        volumeWatch_->OnVolumeRemoved(root);
}

bool CNimbraApp::CanRemoveVolume(const QString& root)
{
    return !volumeWatch_ || volumeWatch_->CanRemoveVolume(root);
}

}  // namespace nbr
