#pragma once
// Decides which volume holds the store: the one Nimbra was launched from, or,
// for a device that shows a read-only CD-ROM launcher beside its removable
// volume, that removable volume. Waits for a device that is still arriving,
// with texts on the splash, and refuses to run from anywhere else.

#include "security/ISimpleDeviceNotification.h"

#include <QString>

namespace nbr {

class ISplash;
class LanguageManager;
class UsbAdapterLight;
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

    // True when the store's volume is known: NBR_DEVICE_DOCUMENT_LETTER is
    // set and `sink` hears of volume changes. False after the refusal was
    // shown (title 11, the error icon).
    [[nodiscard]] bool Run(ISimpleDeviceNotification* sink);
    [[nodiscard]] const QString& StoreRoot() const { return storeRoot_; }
    [[nodiscard]] UsbAdapterLight* Watcher() const { return watcher_; }

    [[nodiscard]] static QString RefusalText();

private:
    [[nodiscard]] bool WaitForDevice(const QString& launch);
    [[nodiscard]] bool DevicePresent();
    void Say(const QString& text);

    VariableStore& variables_;
    const LanguageManager& languages_;
    ISplash* splash_;
    LaunchTimings timings_;
    UsbAdapterLight* watcher_ = nullptr;
    int acquired_ = 0;
    QString storeRoot_;
};

}  // namespace nbr
