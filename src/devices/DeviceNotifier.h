#pragma once
// Hands volume changes to the sinks on the thread that owns the notifier:
// arrivals and removals after the event (queued), in registration order;
// a removal question at once, stopping at the first sink that refuses.
// Media changes reach no sink.

#include "devices/DeviceSource.h"

#include <QObject>

#include <vector>

namespace nbr {

class ISimpleDeviceNotification;

class DeviceNotifier final : public QObject {
    Q_OBJECT

public:
    void AddSink(ISimpleDeviceNotification* sink);
    void RemoveSink(ISimpleDeviceNotification* sink);
    // From any thread: the events are delivered later on this object's thread.
    void Post(const QList<VolumeEvent>& events);
    // May the volume go? Asked of every sink now.
    [[nodiscard]] bool QueryRemove(const QString& root);

private:
    void Deliver(VolumeEvent event);

    std::vector<ISimpleDeviceNotification*> sinks_;
};

}  // namespace nbr
