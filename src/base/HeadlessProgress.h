#pragma once
// A progress dialog without a window: it keeps the bars, texts and flags with
// the dialog's thread rules (the same ProgressState as the window), tells an
// observer about every change (the progress line of nimbra-cli), and lets
// tests press Cancel and read what was reported.

#include "base/IProgressDlg.h"
#include "base/ProgressState.h"

#include <QMutex>
#include <QWaitCondition>

#include <atomic>
#include <functional>

namespace nbr {

class LanguageManager;

class HeadlessProgress final : public IProgressDlg {
public:
    explicit HeadlessProgress(const LanguageManager* languages = nullptr);

    void Begin(std::uint32_t total) override;
    void End(bool success) override;
    bool Step(std::uint32_t delta) override;
    void ReportError(Status code, std::uint32_t systemError, std::initializer_list<TextArg> args = {}) override;
    void SetOwnerThread(Qt::HANDLE thread) override;
    void BeginFile(std::uint32_t total) override;
    void EndFile(std::uint32_t ignored) override;
    bool StepFile(std::uint32_t delta) override;
    void SetLine1(const QString& text) override;
    void SetLine2(const QString& text) override;
    void SetLine3(const QString& text) override;
    void SetTitle(const QString& text) override;
    [[nodiscard]] const void* GetWindowHandle() const override { return nullptr; }
    void EnableWaitForWindow() override { state_.SetWaitForWindow(true); }
    int RunModal(QThread* worker, bool reset) override;
    void DisableWaitForWindow() override { state_.SetWaitForWindow(false); }
    [[nodiscard]] bool HasFailed() const override { return state_.HasFailed(); }
    void SetCancelable(bool cancelable) override { state_.SetCancelable(cancelable); }
    [[nodiscard]] bool IsCancelable() const override { return state_.IsCancelable(); }
    [[nodiscard]] bool IsCancelled() const override;
    void SetSecondBar(bool shown) override { state_.SetSecondBar(shown); }
    [[nodiscard]] bool HasSecondBar() const override { return state_.HasSecondBar(); }

    // The Cancel button.
    void Cancel();
    // Without a window the dialog is ready at once; tests can hold it back.
    void SetReady(bool ready);
    void SetObserver(std::function<void()> observer) { observer_ = std::move(observer); }
    // A flag raised elsewhere (an interrupt) that cancels like the button.
    void SetCancelFlag(const std::atomic<bool>* flag) { cancelFlag_ = flag; }

    using Snapshot = ProgressState::View;
    [[nodiscard]] Snapshot State() const { return state_.Peek(); }
    [[nodiscard]] QStringList Errors() const;

private:
    void Changed();

    const LanguageManager* languages_;
    ProgressState state_;
    mutable QMutex mutex_;
    QWaitCondition finished_;
    QStringList errors_;
    std::function<void()> observer_;
    const std::atomic<bool>* cancelFlag_ = nullptr;
};

}  // namespace nbr
