#pragma once
// What a progress dialog shows and the rules of its reporting, apart from
// any window: the ready state (calls before the window is ready are dropped,
// or Begin waits for it), the owner thread (calls from any other thread are
// dropped), the cancel flag, and the finished flag that alone lets a running
// dialog close.
//
// Workers call it at the speed of their chunks; widgets may only change on
// the window's thread. So every call just stores its values under the lock,
// and the first change after the window took the last view raises one
// notification: the window then fetches the latest view once, however many
// calls came in between.

#include "platform/Status.h"

#include <QMutex>
#include <QString>
#include <QWaitCondition>

#include <atomic>
#include <cstdint>
#include <functional>

namespace nbr {

class ProgressState {
public:
    struct View {
        float position = 0, maximum = 0;          // the job bar
        float filePosition = 0, fileMaximum = 0;  // the file bar
        QString line1, line2, line3, title;
        bool finished = false;
    };

    // Called from whichever thread made the first change since the last
    // TakeView; it must not call back into this object.
    void SetNotify(std::function<void()> notify) { notify_ = std::move(notify); }

    // The reporting calls; each answers whether it was honoured.
    bool Begin(std::uint32_t total);
    bool End(bool success);
    bool Step(std::uint32_t delta, bool* within = nullptr);
    bool BeginFile(std::uint32_t total);
    bool EndFile();
    bool StepFile(std::uint32_t delta, bool* within = nullptr);
    void SetOwnerThread(Qt::HANDLE thread);
    // Texts are kept from any thread and shown once the window is ready.
    void SetLine1(const QString& text) { SetText(&View::line1, text); }
    void SetLine2(const QString& text) { SetText(&View::line2, text); }
    void SetLine3(const QString& text) { SetText(&View::line3, text); }
    void SetTitle(const QString& text) { SetText(&View::title, text); }
    void ClearTexts();

    void SetWaitForWindow(bool wait);
    void SetCancelable(bool cancelable) { cancelable_ = cancelable; }
    [[nodiscard]] bool IsCancelable() const { return cancelable_; }
    void SetSecondBar(bool shown) { secondBar_ = shown; }
    [[nodiscard]] bool HasSecondBar() const { return secondBar_; }
    [[nodiscard]] bool HasFailed() const { return failed_; }

    // The Cancel button: the flag, and `cancelText` on line 1 when the job
    // may be cancelled (a null text leaves line 1 as it is). The flag holds
    // until a new job begins after End.
    void Cancel(const QString& cancelText);
    [[nodiscard]] bool IsCancelled() const;

    // The window's side. Ready: its controls exist; not ready: it is gone,
    // and a Begin waiting for it gives up.
    void SetReady(bool ready);
    [[nodiscard]] bool IsReady() const;
    // A new run starts unfinished: only End finishes it.
    void ClearFinished();
    [[nodiscard]] bool IsFinished() const;
    // The latest values; the next change notifies again.
    [[nodiscard]] View TakeView();
    // The latest values, leaving the notification as it is.
    [[nodiscard]] View Peek() const;

private:
    [[nodiscard]] bool Honoured() const;  // under the lock: ready and the owner's call
    void SetText(QString View::*line, const QString& text);
    void Changed();
    // Applies `change` to the view under the lock when the call is honoured,
    // then tells the window; false when it was not.
    template <typename Change>
    bool UpdateIfHonoured(Change change)
    {
        {
            QMutexLocker lock(&mutex_);
            if (!Honoured())
                return false;
            change();
        }
        Changed();
        return true;
    }

    mutable QMutex mutex_;
    QWaitCondition readyChanged_;
    View view_;
    bool ready_ = false;
    bool waitForWindow_ = false;
    bool cancelled_ = false;
    // Bumped by SetReady(false), so a Begin waiting for one window does not
    // run into the next.
    std::uint64_t windowGeneration_ = 0;
    Qt::HANDLE owner_ = nullptr;
    std::atomic<bool> cancelable_ {false};
    std::atomic<bool> secondBar_ {false};
    std::atomic<bool> failed_ {false};
    std::atomic<bool> stale_ {false};
    std::function<void()> notify_;
};

}  // namespace nbr
