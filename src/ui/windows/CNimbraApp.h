#pragma once
// The application object: it owns the long-lived services of a run (the
// variables, texts, settings, the single-instance lock, the splash, the
// launch check with its device watcher, the key-file session, the opened
// files) and runs the start-up steps in their order: any step that fails
// ends the program before the store is shown. It hears of volume changes
// and ends the program when the store's volume disappears.

#include "base/LanguageManager.h"
#include "base/OwnedThread.h"
#include "base/RegistrySettings.h"
#include "base/VariableStore.h"
#include "devices/ISimpleDeviceNotification.h"
#include "panes/PaneServices.h"
#include "platform/SingleInstance.h"

#include <memory>

class QWidget;

namespace nbr {

class CSplashScreenEx;
class CMainFrame;
class LaunchCheck;
class MainThreadAnswerer;
class OpenedFileList;
class StoreSession;
class StallWatch;
class StoreVolumeWatch;

class CNimbraApp final : public ISimpleDeviceNotification {
public:
    // Exit codes: 0 after a normal close. A launcher reads anything else as
    // a failure.
    static constexpr int kExitNormal = 0;
    static constexpr int kExitStopped = 1;        // a start-up step ended the program
    static constexpr int kExitForced = 2;         // store volume removed, store wiped, key file not saved
    static constexpr int kExitAlreadyRunning = 3; // another copy holds the lock

    explicit CNimbraApp(const QStringList& arguments);
    ~CNimbraApp() override;
    CNimbraApp(const CNimbraApp&) = delete;
    CNimbraApp& operator=(const CNimbraApp&) = delete;

    // The start-up steps; false: end now with ExitCode().
    [[nodiscard]] bool InitInstance();
    // InitInstance, then the event loop; the process's exit code.
    [[nodiscard]] int Run();
    [[nodiscard]] int ExitCode() const { return exitCode_; }

    void OnVolumeArrival(const QString&) override {}
    void OnVolumeRemoved(const QString& root) override;
    [[nodiscard]] bool CanRemoveVolume(const QString& root) override;
    void OnVolumeNotice(const QString&) override {}

    // A forced end's first step, before the user is told why: every worker
    // waiting on a question is answered, every running job is told to stop,
    // and every open question and progress window closes, so that nothing
    // is left for the ending event loop to wait on.
    static void StopRunningWork(MainThreadAnswerer* answerer);

    [[nodiscard]] VariableStore& Variables() { return variables_; }
    [[nodiscard]] LanguageManager& Languages() { return languages_; }
    [[nodiscard]] RegistrySettings& Settings() { return settings_; }
    [[nodiscard]] StoreSession* Session() const { return session_.get(); }
    [[nodiscard]] OpenedFileList* OpenedFiles() const { return openedFiles_.get(); }
    [[nodiscard]] CSplashScreenEx* Splash() const { return splash_.get(); }
    [[nodiscard]] QWidget* MainWindow() const;
    [[nodiscard]] CMainFrame* Frame() const { return mainWindow_.get(); }
    [[nodiscard]] bool WasCleanShutdown() const { return wasClean_; }

private:
    bool Stop(int code = kExitStopped);
    // Ends the event loop (and every modal loop in it) with `code`.
    void End(int code);
    [[nodiscard]] bool OpenKeyFile();
    [[nodiscard]] bool FirstRun();
    [[nodiscard]] bool Login();
    [[nodiscard]] bool BeginRunning();
    // What the panes' controllers need from the program.
    [[nodiscard]] PaneServices MakePaneServices();
    // The host pane's controller; it reaches the store once one is open.
    void InstallHostPane();

    QStringList arguments_;
    VariableStore variables_;
    RegistrySettings settings_;
    LanguageManager languages_;
    SingleInstance instance_;
    std::unique_ptr<MainThreadAnswerer> answerer_;
    std::unique_ptr<CSplashScreenEx> splash_;
    std::unique_ptr<LaunchCheck> check_;
    std::unique_ptr<StoreVolumeWatch> volumeWatch_;
    std::unique_ptr<StallWatch> stallWatch_;
    std::unique_ptr<StoreSession> session_;
    std::unique_ptr<OpenedFileList> openedFiles_;
    std::unique_ptr<CMainFrame> mainWindow_;
    bool cleanupAllowed_ = false;
    bool wasClean_ = true;
    bool ending_ = false;
    int exitCode_ = kExitStopped;
    // Wipes what earlier runs that crashed left in the temporary folder,
    // beside the start rather than in its way.
    OwnedThread sweeper_;
};

}  // namespace nbr
