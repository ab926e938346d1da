#pragma once
// The progress dialog as a worker and its starter see it: texts, cancel, and
// running it until the worker ends. Text setters may be called from any thread.

#include "base/IProgressDouble.h"

#include <QString>

class QThread;

namespace nbr {

class IProgressDlg : public virtual IProgressDouble {
public:
    virtual void SetLine1(const QString& text) = 0;
    virtual void SetLine2(const QString& text) = 0;
    virtual void SetLine3(const QString& text) = 0;
    virtual void SetTitle(const QString& text) = 0;
    [[nodiscard]] virtual const void* GetWindowHandle() const = 0;
    virtual int Reserved() { return 0; }
    virtual void EnableWaitForWindow() = 0;
    // Runs until the job ends, then waits for `worker` (when given) to exit.
    virtual int RunModal(QThread* worker, bool reset) = 0;
    virtual void DisableWaitForWindow() = 0;
    [[nodiscard]] virtual bool HasFailed() const = 0;
    virtual void SetCancelable(bool cancelable) = 0;
    [[nodiscard]] virtual bool IsCancelable() const = 0;
    [[nodiscard]] virtual bool IsCancelled() const = 0;
    virtual void SetSecondBar(bool shown) = 0;
    [[nodiscard]] virtual bool HasSecondBar() const = 0;
};

}  // namespace nbr
