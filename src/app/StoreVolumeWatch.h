#pragma once
// The program's own ear on the devices: the store's volume may not be taken
// away while Nimbra runs (a removal question is refused for it), and when it
// is gone anyway, the running work is stopped first (questions and progress
// windows close, workers stop waiting), then the user is told (message 139)
// and the program ends.

#include "devices/ISimpleDeviceNotification.h"

#include <functional>

namespace nbr {

class LanguageManager;

class StoreVolumeWatch final : public ISimpleDeviceNotification {
public:
    StoreVolumeWatch(const QString& storeRoot, const LanguageManager& languages, std::function<void()> stopWork,
                     std::function<void()> onLost)
        : storeRoot_(storeRoot), languages_(languages), stopWork_(std::move(stopWork)), onLost_(std::move(onLost))
    {
    }

    void OnVolumeArrival(const QString&) override {}
    void OnVolumeRemoved(const QString& root) override;
    [[nodiscard]] bool CanRemoveVolume(const QString& root) override { return root != storeRoot_; }
    void OnVolumeNotice(const QString&) override {}

private:
    QString storeRoot_;
    const LanguageManager& languages_;
    std::function<void()> stopWork_;
    std::function<void()> onLost_;
};

}  // namespace nbr
