#include "devices/UdevDeviceSource.h"

#include <QFile>
#include <QSocketNotifier>

#include <fcntl.h>
#include <libudev.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace nbr {
namespace {

QString Property(udev_device* device, const char* name)
{
    const char* value = udev_device_get_property_value(device, name);
    return value ? QString::fromUtf8(value) : QString();
}

QString Attribute(udev_device* device, const char* name)
{
    const char* value = udev_device_get_sysattr_value(device, name);
    return value ? QString::fromUtf8(value).trimmed() : QString();
}

QString Unescape(const QByteArray& field)
{
    // The mount table escapes blanks and the like as octal "\040".
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out += static_cast<char>(code);
                i += 3;
                continue;
            }
        }
        out += field.at(i);
    }
    return QString::fromUtf8(out);
}

QString Root(const QString& mountPoint)
{
    QString root = mountPoint;
    while (root.endsWith(QLatin1Char('/')))
        root.chop(1);
    return root;
}

}  // namespace

UdevDeviceSource::UdevDeviceSource() : udev_(udev_new()) {}

UdevDeviceSource::~UdevDeviceSource()
{
    if (monitor_)
        udev_monitor_unref(monitor_);
    if (mountFd_ >= 0)
        ::close(mountFd_);
    if (udev_)
        udev_unref(udev_);
}

QHash<QString, QString> UdevDeviceSource::MountPoints()
{
    QHash<QString, QString> mounts;
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return mounts;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() > 4 && !mounts.contains(QString::fromLatin1(fields.at(2))))
            mounts.insert(QString::fromLatin1(fields.at(2)), Root(Unescape(fields.at(4))));
    }
    return mounts;
}

Status UdevDeviceSource::Scan(QList<UsbDeviceRecord>* devices)
{
    devices->clear();
    if (!udev_)
        return StatusFromWin32(win32::kNotReady);
    const QHash<QString, QString> mounts = MountPoints();
    udev_enumerate* enumerate = udev_enumerate_new(udev_);
    udev_enumerate_add_match_subsystem(enumerate, "block");
    udev_enumerate_scan_devices(enumerate);
    QHash<QString, int> deviceIndex;   // usb device syspath -> position
    QHash<QString, QPair<int, int>> diskIndex;  // disk syspath -> device, disk
    // Disks before partitions, so that every partition finds its disk.
    for (const char* wanted : {"disk", "partition"}) {
        for (udev_list_entry* entry = udev_enumerate_get_list_entry(enumerate); entry;
             entry = udev_list_entry_get_next(entry)) {
            udev_device* block = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
            if (!block)
                continue;
            const char* devtype = udev_device_get_devtype(block);
            udev_device* usb = udev_device_get_parent_with_subsystem_devtype(block, "usb", "usb_device");
            if (!devtype || qstrcmp(devtype, wanted) != 0 || !usb) {
                udev_device_unref(block);
                continue;
            }
            const dev_t number = udev_device_get_devnum(block);
            const QString key = QStringLiteral("%1:%2").arg(major(number)).arg(minor(number));
            const QString mount = mounts.value(key);
            const bool mounted = mounts.contains(key);
            if (qstrcmp(wanted, "disk") == 0) {
                const QString usbPath = QString::fromUtf8(udev_device_get_syspath(usb));
                if (!deviceIndex.contains(usbPath)) {
                    UsbDeviceRecord record;
                    const QString serial = Attribute(usb, "serial");
                    record.identifier = QStringLiteral("USB#VID_%1&PID_%2#%3#")
                                            .arg(Attribute(usb, "idVendor").toUpper(), Attribute(usb, "idProduct").toUpper(),
                                                 serial);
                    deviceIndex.insert(usbPath, static_cast<int>(devices->size()));
                    devices->append(record);
                }
                DiskRecord disk;
                disk.vendor = Property(block, "ID_VENDOR");
                disk.product = Property(block, "ID_MODEL");
                disk.driveType = Property(block, "ID_CDROM") == QLatin1String("1") ? kDriveCdRom
                                 : Attribute(block, "removable") == QLatin1String("1") ? kDriveRemovable
                                                                                        : kDriveFixed;
                disk.mounted = mounted;
                disk.root = mount;
                const int d = deviceIndex.value(usbPath);
                diskIndex.insert(QString::fromUtf8(udev_device_get_syspath(block)),
                                 {d, static_cast<int>((*devices)[d].disks.size())});
                (*devices)[d].disks.append(disk);
            } else {
                udev_device* parent = udev_device_get_parent_with_subsystem_devtype(block, "block", "disk");
                const QString parentPath = parent ? QString::fromUtf8(udev_device_get_syspath(parent)) : QString();
                if (!diskIndex.contains(parentPath)) {
                    // A partition whose disk is not there (yet): the scan cannot complete.
                    udev_device_unref(block);
                    udev_enumerate_unref(enumerate);
                    devices->clear();
                    return StatusFromWin32(win32::kNotReady);
                }
                const auto [d, k] = diskIndex.value(parentPath);
                DiskRecord& disk = (*devices)[d].disks[k];
                disk.volumes.append(VolumeRecord {mount, disk.driveType, mounted});
            }
            udev_device_unref(block);
        }
    }
    udev_enumerate_unref(enumerate);
    return S_OK;
}

QStringList UdevDeviceSource::MountedRoots()
{
    QList<UsbDeviceRecord> devices;
    QStringList roots;
    if (Failed(Scan(&devices)))
        return known_;
    for (const UsbDeviceRecord& device : devices) {
        for (const DiskRecord& disk : device.disks) {
            if (disk.mounted)
                roots << disk.root;
            for (const VolumeRecord& volume : disk.volumes) {
                if (volume.mounted)
                    roots << volume.root;
            }
        }
    }
    return roots;
}

void UdevDeviceSource::Watch(std::function<void(const QList<VolumeEvent>&)> listener)
{
    listener_ = std::move(listener);
    known_ = MountedRoots();
    if (udev_ && !monitor_) {
        monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
        if (monitor_) {
            udev_monitor_filter_add_match_subsystem_devtype(monitor_, "block", nullptr);
            udev_monitor_filter_add_match_subsystem_devtype(monitor_, "usb", nullptr);
            if (udev_monitor_enable_receiving(monitor_) == 0) {
                deviceNotifier_ = new QSocketNotifier(udev_monitor_get_fd(monitor_), QSocketNotifier::Read, this);
                connect(deviceNotifier_, &QSocketNotifier::activated, this, [this] {
                    if (udev_device* device = udev_monitor_receive_device(monitor_))
                        udev_device_unref(device);
                    Changed();
                });
            }
        }
    }
    if (mountFd_ < 0) {
        // The mount table signals changes as an exceptional condition.
        mountFd_ = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
        if (mountFd_ >= 0) {
            mountNotifier_ = new QSocketNotifier(mountFd_, QSocketNotifier::Exception, this);
            connect(mountNotifier_, &QSocketNotifier::activated, this, [this] {
                char buffer[4096];
                ::lseek(mountFd_, 0, SEEK_SET);
                while (::read(mountFd_, buffer, sizeof buffer) > 0) {
                }
                Changed();
            });
        }
    }
}

void UdevDeviceSource::Changed()
{
    const QStringList now = MountedRoots();
    QList<VolumeEvent> events;
    for (const QString& root : now) {
        if (!known_.contains(root))
            events << VolumeEvent {VolumeEvent::kArrival, root};
    }
    for (const QString& root : known_) {
        if (!now.contains(root))
            events << VolumeEvent {VolumeEvent::kRemoval, root};
    }
    known_ = now;
    if (!events.isEmpty() && listener_)
        listener_(events);
}

}  // namespace nbr
