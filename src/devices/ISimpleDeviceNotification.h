#pragma once
// A listener for volumes coming and going. A "letter" here is a volume root.

#include <QString>

namespace nbr {

class ISimpleDeviceNotification {
public:
    virtual ~ISimpleDeviceNotification() = default;
    virtual void OnVolumeArrival(const QString& root) = 0;
    virtual void OnVolumeRemoved(const QString& root) = 0;
    [[nodiscard]] virtual bool CanRemoveVolume(const QString& root) = 0;
    virtual void OnVolumeNotice(const QString& root) = 0;
};

}  // namespace nbr
