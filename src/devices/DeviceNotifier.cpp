#include "devices/DeviceNotifier.h"

#include "devices/ISimpleDeviceNotification.h"

#include <algorithm>

namespace nbr {

void DeviceNotifier::AddSink(ISimpleDeviceNotification* sink)
{
    sinks_.push_back(sink);
}

void DeviceNotifier::RemoveSink(ISimpleDeviceNotification* sink)
{
    sinks_.erase(std::remove(sinks_.begin(), sinks_.end(), sink), sinks_.end());
}

void DeviceNotifier::Post(const QList<VolumeEvent>& events)
{
    for (const VolumeEvent& event : events) {
        if (event.kind == VolumeEvent::kMediaChange)
            continue;  // a disc changed in a drive: no volume came or went
        QMetaObject::invokeMethod(this, [this, event] { Deliver(event); }, Qt::QueuedConnection);
    }
}

void DeviceNotifier::Deliver(VolumeEvent event)
{
    // A sink may add or remove sinks while it is called: walk a copy.
    const std::vector<ISimpleDeviceNotification*> sinks = sinks_;
    for (ISimpleDeviceNotification* sink : sinks) {
        if (event.kind == VolumeEvent::kArrival)
            sink->OnVolumeArrival(event.root);
        else
            sink->OnVolumeRemoved(event.root);
    }
}

bool DeviceNotifier::QueryRemove(const QString& root)
{
    const std::vector<ISimpleDeviceNotification*> sinks = sinks_;
    for (ISimpleDeviceNotification* sink : sinks) {
        if (!sink->CanRemoveVolume(root))
            return false;
    }
    return true;
}

}  // namespace nbr
