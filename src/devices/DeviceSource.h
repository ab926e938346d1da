#pragma once
// Where USB storage devices come from: the system (udev) or a simulation for
// tests and demos. A source lists the devices with their disks and volumes,
// and reports volume changes to its listener.

#include "platform/Status.h"

#include <QList>
#include <QString>

#include <functional>

namespace nbr {

// Drive types, with the numbers the program reasons about.
enum DriveType : int {
    kDriveUnknown = 0,
    kDriveRemovable = 2,
    kDriveFixed = 3,
    kDriveCdRom = 5,
    kDriveRam = 6,
};

struct VolumeRecord {
    QString root;  // mount point without a trailing separator ("" for "/"); empty id when not mounted
    int driveType = kDriveUnknown;
    bool mounted = true;
};

struct DiskRecord {
    QString vendor;
    QString product;
    int driveType = kDriveUnknown;
    QString root;                // the whole disk mounted as one volume, else empty
    bool mounted = false;
    QList<VolumeRecord> volumes;
};

struct UsbDeviceRecord {
    QString identifier;  // "USB#VID_1234&PID_ABCD#serial#...": vendor, product and serial are read from it
    std::uint32_t vendorId = 0;
    std::uint32_t productId = 0;
    QString serial;
    QList<DiskRecord> disks;
};

struct VolumeEvent {
    enum Kind { kArrival, kRemoval, kMediaChange };
    Kind kind = kArrival;
    QString root;
};

class DeviceSource {
public:
    virtual ~DeviceSource() = default;
    // The USB storage devices as they are now. A device still arriving may
    // leave a record that cannot be completed: the scan then fails as a whole.
    [[nodiscard]] virtual Status Scan(QList<UsbDeviceRecord>* devices) = 0;
    // `listener` gets the changes, in the order they happened.
    virtual void Watch(std::function<void(const QList<VolumeEvent>&)> listener) = 0;
};

}  // namespace nbr
