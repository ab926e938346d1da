#pragma once
// A progress dialog without a window: it keeps the bars, texts and flags with
// the dialog's thread rules, tells an observer about every change (the
// progress line of nimbra-cli), and lets tests press Cancel and read what was
// reported.

#include "app/IProgressDlg.h"

#include <QMutex>
#include <QWaitCondition>

#include <atomic>
#include <functional>

namespace nbr {

class LanguageManager;

class HeadlessProgress final : public IProgressDlg {
public:
    explicit HeadlessProgress(const LanguageManager* languages = nullptr) : languages_(languages) {}

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
    void EnableWaitForWindow() override { waitForWindow_ = true; }
    int RunModal(QThread* worker, bool reset) override;
    void DisableWaitForWindow() override { waitForWindow_ = false; }
    [[nodiscard]] bool HasFailed() const override { return failed_; }
    void SetCancelable(bool cancelable) override { cancelable_ = cancelable; }
    [[nodiscard]] bool IsCancelable() const override { return cancelable_; }
    [[nodiscard]] bool IsCancelled() const override;
    void SetSecondBar(bool shown) override { secondBar_ = shown; }
    [[nodiscard]] bool HasSecondBar() const override { return secondBar_; }

    // The Cancel button.
    void Cancel();
    // Without a window the dialog is ready at once; tests can hold it back.
    void SetReady(bool ready);
    void SetObserver(std::function<void()> observer) { observer_ = std::move(observer); }
    // A flag raised elsewhere (an interrupt) that cancels like the button.
    void SetCancelFlag(const std::atomic<bool>* flag) { cancelFlag_ = flag; }

    struct Snapshot {
        float position = 0, maximum = 0, filePosition = 0, fileMaximum = 0;
        QString line1, line2, line3, title;
        bool finished = false;
    };
    [[nodiscard]] Snapshot State() const;
    [[nodiscard]] QStringList Errors() const;

private:
    [[nodiscard]] bool IsOwner() const;
    void Changed();

    const LanguageManager* languages_;
    mutable QMutex mutex_;
    QWaitCondition readyOrFinished_;
    Snapshot state_;
    QStringList errors_;
    bool ready_ = true;
    std::atomic<bool> waitForWindow_ {false};
    std::atomic<bool> failed_ {false};
    std::atomic<bool> cancelable_ {false};
    std::atomic<bool> secondBar_ {false};
    bool cancelled_ = false;
    Qt::HANDLE owner_ = nullptr;
    std::function<void()> observer_;
    const std::atomic<bool>* cancelFlag_ = nullptr;
};

}  // namespace nbr
