#pragma once
// The progress dialog of every long job: a worker reports through the
// progress interfaces while the GUI thread runs this dialog modally.
//
// Workers never touch a widget: each call stores its values in the dialog's
// ProgressState and, at most once until the dialog has shown them, posts one
// queued refresh. The dialog repaints at most every kRefreshMs: five times a
// second is smooth enough for a transfer, and keeps the painting of the bars
// from competing with the transfer on a busy machine. A worker that reports
// every chunk thus costs the transfer a lock and a compare per call.
// Only End closes a running dialog; Escape and the close box wait for it.

#include "base/IProgressDlg.h"
#include "base/ProgressState.h"
#include "ui/controls/CCustomDialog.h"

#include <QElapsedTimer>
#include <QList>

#include <atomic>

class QPushButton;
class QTimer;

namespace nbr {

class LanguageManager;
class VelaLabel;
class VelaProgressBar;

class ProgressDlg final : public CCustomDialog, public IProgressDlg {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 200;
    static constexpr int kCancelGrowth = 30;  // the room the Cancel button takes
    // A window with this property set stays closable while a job runs over
    // it: the dialog runs without modality and keeps the user's hands off
    // the window's other controls instead (WindowInputGuard).
    static constexpr const char* kOwnerStaysClosable = "nbrClosableDuringJobs";

    explicit ProgressDlg(LanguageManager& languages, QWidget* parent = nullptr);
    ~ProgressDlg() override;

    void Begin(std::uint32_t total) override;
    void End(bool success) override;
    bool Step(std::uint32_t delta) override;
    void ReportError(Status code, std::uint32_t systemError, std::initializer_list<TextArg> args = {}) override;
    void SetOwnerThread(Qt::HANDLE thread) override;
    void BeginFile(std::uint32_t total) override;
    void EndFile(std::uint32_t ignored) override;
    bool StepFile(std::uint32_t delta) override;
    void SetLine1(const QString& text) override { state_.SetLine1(text); }
    void SetLine2(const QString& text) override { state_.SetLine2(text); }
    void SetLine3(const QString& text) override { state_.SetLine3(text); }
    void SetTitle(const QString& text) override { state_.SetTitle(text); }
    [[nodiscard]] const void* GetWindowHandle() const override { return static_cast<const QWidget*>(this); }
    void EnableWaitForWindow() override { state_.SetWaitForWindow(true); }
    int RunModal(QThread* worker, bool reset) override;
    void DisableWaitForWindow() override { state_.SetWaitForWindow(false); }
    [[nodiscard]] bool HasFailed() const override { return state_.HasFailed(); }
    void SetCancelable(bool cancelable) override { state_.SetCancelable(cancelable); }
    [[nodiscard]] bool IsCancelable() const override { return state_.IsCancelable(); }
    [[nodiscard]] bool IsCancelled() const override { return state_.IsCancelled(); }
    void SetSecondBar(bool shown) override { state_.SetSecondBar(shown); }
    [[nodiscard]] bool HasSecondBar() const override { return state_.HasSecondBar(); }

    void UpdateTexts() override;

    // The dialogs running a job now, on the GUI thread (innermost last).
    [[nodiscard]] static QList<ProgressDlg*> Running();
    // As the Cancel button does, in every running dialog whose job may be
    // cancelled.
    static void CancelAll();
    // The program is forced to end: every running job is told to stop,
    // cancelable or not, and every progress window closes now. Each
    // RunModal still waits for its worker before it returns.
    static void AbandonAll();

    // The window's parts, for the tests and the screenshots.
    [[nodiscard]] QPushButton* CancelButton() const { return cancel_; }
    [[nodiscard]] VelaProgressBar* JobBar() const { return bar_; }
    [[nodiscard]] VelaProgressBar* FileBar() const { return fileBar_; }
    [[nodiscard]] VelaLabel* Line(int number) const;
    // Sets the window up and marks it ready, as running it does; the
    // screenshots show it without a modal loop.
    void Prepare();
    // Shows what the workers reported so far, now.
    void Refresh();

public slots:
    void accept() override;
    void reject() override;

private:
    void ShowExtras();
    // A worker's change: shown now, or with the next due refresh.
    void ScheduleRefresh();
    void Apply(const ProgressState::View& view);
    void OnCancel();
    void FinishWindow();
    // The modal loop without modality, for an owner that stays closable.
    int RunBesideOwner(QWidget* owner);

    LanguageManager& languages_;
    ProgressState state_;
    VelaLabel* lines_[3] = {};
    VelaProgressBar* bar_ = nullptr;
    VelaProgressBar* fileBar_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QTimer* refreshTimer_ = nullptr;
    QElapsedTimer sinceRefresh_;
    QString title_;
    bool closable_ = false;
};

}  // namespace nbr
