#pragma once
// Decides which volume holds the store: the one Nimbra was launched from, or,
// for a device that shows a read-only CD-ROM launcher beside its removable
// volume, that removable volume. Waits for a device that is still arriving,
// with texts on the splash, and refuses to run from anywhere else. The waits
// are timer steps: the thread's event loop (a splash that repaints) runs on.

#include "devices/ISimpleDeviceNotification.h"
#include "devices/UsbAdapterLight.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>

namespace nbr {

class ISplash;
class LanguageManager;
class VariableStore;

struct LaunchTimings {
    int waitStepMs = 2000;
    int waitLimitMs = 120000;
    int presentStepMs = 2000;
    int presentLimitMs = 60000;
    int alternateMs = 5000;
};

class LaunchCheck {
public:
    LaunchCheck(VariableStore& variables, const LanguageManager& languages, ISplash* splash,
                LaunchTimings timings = {});
    ~LaunchCheck();
    LaunchCheck(const LaunchCheck&) = delete;
    LaunchCheck& operator=(const LaunchCheck&) = delete;

    // Starts the check and returns; `done` hears the result once, from the
    // event loop when the check has to wait, else before Start returns. True
    // when the store's volume is known: NBR_DEVICE_DOCUMENT_LETTER is set and
    // `sink` hears of volume changes. False after the refusal was shown
    // (title 11, the error icon). A check already running ignores another
    // Start; `done` must not destroy the check (it runs inside its step).
    void Start(ISimpleDeviceNotification* sink, std::function<void(bool accepted)> done);
    [[nodiscard]] bool IsRunning() const { return running_; }
    // Start, then a local event loop until the result is known: for a
    // program that has nothing else to show meanwhile.
    [[nodiscard]] bool Run(ISimpleDeviceNotification* sink);

    [[nodiscard]] const QString& StoreRoot() const { return storeRoot_; }
    [[nodiscard]] UsbAdapterLight* Watcher() const { return watcher_.get(); }

    [[nodiscard]] static QString RefusalText();

private:
    // The wait for a device that is still arriving: rounds of "is the
    // device there" (itself polling up to its own limit), each followed by
    // a pause, up to the wait's limit.
    void BeginRound();
    void PollPresent();
    void EndRound(bool present);
    // The choice of the store's volume once the waits are over.
    void Decide(bool ready);
    void After(int milliseconds, void (LaunchCheck::*step)());
    [[nodiscard]] bool IsCdRom(const QString& root) const;
    void Say(const QString& text);

    VariableStore& variables_;
    const LanguageManager& languages_;
    ISplash* splash_;
    LaunchTimings timings_;
    UsbAdapterLight::Lease watcher_;
    ISimpleDeviceNotification* sink_ = nullptr;
    std::function<void(bool)> done_;
    bool running_ = false;
    QString launch_;
    bool launchIsCdRom_ = false;
    QString storeRoot_;
    QElapsedTimer waitTimer_;
    QElapsedTimer presentTimer_;
    qint64 lastText_ = 0;
    int counter_ = 0;
    bool waitingText_ = false;
    // Owns the pending timer steps: they end with the check.
    QObject steps_;
};

}  // namespace nbr
