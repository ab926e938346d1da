#pragma once
// The program's main window: the drawn frame with the menu, the toolbar and
// the status bar, and either the store pane alone or the host pane beside
// it. It remembers its placement and pane mode in the settings, carries the
// program's commands (help, manual, language, security settings, pane mode),
// follows the language, and on closing cleans up the files opened from the
// store before it marks the run as ended cleanly.
//
// The start-up sequence creates it, shows it with ShowWithPlacement, runs
// the login over it, hands it the opened-file list and the store's
// controller and asks it to load the store pane. The panes' commands (cut,
// copy, paste, delete, new folder, refresh) go to the active pane, and the
// menu and toolbar follow that pane's state. Without controllers the panes
// stay empty. The rules it follows live in MainFrameRules (no widgets).

#include "platform/Status.h"
#include "ui/controls/CCustomFrameWnd.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QSplitter;
class QTimer;
class QToolBar;

namespace nbr {

class LanguageManager;
class OpenedFileList;
class RegistrySettings;
class StoreSession;
class TreeController;
class TreeListCtrlView;
class VariableStore;

// What the frame needs from the program; all outlive the frame.
struct MainFrameServices {
    LanguageManager& languages;
    RegistrySettings& settings;
    const VariableStore& variables;  // NBR_HOST_EXEC_PATH: where the manuals lie
    StoreSession& session;           // key file: password change, clean-shutdown slot
};

class CMainFrame : public CCustomFrameWnd {
    Q_OBJECT
public:
    // The pane mode values of "ui.Frame.ViewMode".
    enum class PaneMode { TwoPanes, StoreOnly };

    // Reads the pane mode and builds menu, toolbar, status bar and panes;
    // the window is not shown yet.
    explicit CMainFrame(const MainFrameServices& services, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Places the window where it was saved (or 650 x 549 centred), titles
    // it and shows it.
    void ShowWithPlacement();

    // The opened-file list of the unlocked store, which the closing clean-up
    // goes through; none (before a login) skips that clean-up.
    void SetOpenedFiles(OpenedFileList* files) { openedFiles_ = files; }
    // What the start-up sequence read from the clean-shutdown slot before it
    // marked this run as running: false makes the first successful store
    // load report the unclean end and clean up once.
    void SetPreviousRunClean(bool clean) { previousRunClean_ = clean; }

    // Makes a controller for each new host pane (the host pane is made
    // again when the pane mode changes); none leaves the host pane empty.
    using HostControllerFactory = std::function<std::unique_ptr<TreeController>()>;
    void SetHostControllerFactory(HostControllerFactory factory);
    // The store pane's controller, once the store is open (after the login,
    // before LoadStorePane); it serves every store pane of this frame.
    void SetStoreController(std::unique_ptr<TreeController> controller);

    // Fills the store pane; the first success in a run checks the previous
    // run's end. Its result is the fill's.
    [[nodiscard]] Status LoadStorePane();

    // A message box owned by this window, through the program's answerer.
    std::uint32_t ShowBox(const QString& title, const QString& text, std::uint32_t buttons, int icon);
    // The same with a title from the packs.
    std::uint32_t ShowBoxWithTitle(int titleId, const QString& text, std::uint32_t buttons, int icon);

    // Two panes with one active: the other becomes active.
    void ActivateOtherPane();

    [[nodiscard]] PaneMode Mode() const { return mode_; }
    // The command's action, for the tests and the screenshots.
    [[nodiscard]] QAction* Action(int commandId) const;
    [[nodiscard]] QToolBar* ToolBar() const { return toolBar_; }
    // The panes: the host pane exists only with two panes.
    [[nodiscard]] TreeListCtrlView* StorePane() const { return storePane_; }
    [[nodiscard]] TreeListCtrlView* HostPane() const { return hostPane_; }
    [[nodiscard]] TreeListCtrlView* ActivePane() const;

    // The License Agreement command's dialog, until the program's agreement
    // window is at hand: it gets the owner and shows the agreement view-only.
    using AgreementViewer = std::function<void(QWidget* owner)>;
    void SetAgreementViewer(AgreementViewer viewer);

    void UpdateTexts() override;

signals:
    // The close handling has run (clean-up, clean-shutdown slot): the
    // program should end with exit code 0.
    void Closed();
    // The program must end at once with `exitCode` (the key in memory and on
    // the stick no longer agree). Unconnected, the frame quits the event loop
    // with that code itself.
    void EndRequested(int exitCode);
    // A command went to the active pane (cut, copy, paste, delete, new
    // directory, refresh).
    void PaneCommand(int commandId, TreeListCtrlView* pane);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildActions();
    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    void ShowPaneMode(PaneMode mode);
    [[nodiscard]] TreeListCtrlView* MakePane(const QString& name);
    void SetActivePane(TreeListCtrlView* pane);
    // The pane commands' actions follow the active pane.
    void UpdatePaneCommands();
    void SavePlacement();
    void RunCommand(int commandId);
    void OnMyComputer();
    void OnLanguage(int commandId);
    void OnAbout();
    void OnLicense();
    void OnOnlineSupport();
    void OnUserManual();
    // Adds Nimbra to the desktop's menu, started from this stick, or takes it
    // out again, through the launcher beside the programs.
    void OnDesktopLauncher(bool add);
    void OnSecuritySettings();
    // The opened files' clean-up behind its progress dialog; false on failure.
    bool RunClosingCleanUp();
    void RequestEnd(int exitCode);
    // A close asked for while a job runs: the question, then the close once
    // every job has ended and no box is open.
    void CloseWhenJobsEnd();

    QTimer* closeWhenIdle_ = nullptr;
    // Moving and sizing send many events: the placement is written once
    // they have settled (and at the close).
    QTimer* placementDue_ = nullptr;

    MainFrameServices services_;
    QHash<int, QAction*> actions_;
    PaneMode mode_ = PaneMode::TwoPanes;
    QToolBar* toolBar_ = nullptr;
    QLabel* statusText_ = nullptr;
    QSplitter* splitter_ = nullptr;
    TreeListCtrlView* hostPane_ = nullptr;
    TreeListCtrlView* storePane_ = nullptr;
    TreeListCtrlView* activePane_ = nullptr;
    HostControllerFactory hostFactory_;
    // The panes use them: they go after the panes (see the destructor).
    std::unique_ptr<TreeController> hostController_;
    std::unique_ptr<TreeController> storeController_;
    OpenedFileList* openedFiles_ = nullptr;
    AgreementViewer agreementViewer_;
    bool previousRunClean_ = true;
    bool storeLoadedOnce_ = false;
    bool closing_ = false;
    bool placementReady_ = false;
};

}  // namespace nbr
