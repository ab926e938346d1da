#pragma once
// The machine's USB storage devices through libudev: USB devices with their
// vendor id, product id and serial, their disks, partitions and CD-ROM
// units, mount points from the mount table, and a monitor on block and usb
// events and on mount-table changes, delivered on the thread that created
// the source (it needs that thread's event loop).

#include "devices/DeviceSource.h"

#include <QHash>
#include <QObject>
#include <QStringList>

class QSocketNotifier;
struct udev;
struct udev_monitor;

namespace nbr {

class UdevDeviceSource final : public QObject, public DeviceSource {
    Q_OBJECT

public:
    UdevDeviceSource();
    ~UdevDeviceSource() override;

    [[nodiscard]] Status Scan(QList<UsbDeviceRecord>* devices) override;
    void Watch(std::function<void(const QList<VolumeEvent>&)> listener) override;

    // "major:minor" to mount point, from /proc/self/mountinfo.
    [[nodiscard]] static QHash<QString, QString> MountPoints();

private:
    void Changed();
    [[nodiscard]] QStringList MountedRoots();

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    QSocketNotifier* deviceNotifier_ = nullptr;
    QSocketNotifier* mountNotifier_ = nullptr;
    int mountFd_ = -1;
    QStringList known_;
    std::function<void(const QList<VolumeEvent>&)> listener_;
};

}  // namespace nbr
