#include "devices/DriveLetterDeviceSource.h"

#include <QTimer>

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <map>
#include <vector>

namespace nbr {
namespace {

constexpr int kPollMs = 1000;

struct StorageFacts {
    bool known = false;       // the device answered at all
    bool usb = false;
    long deviceNumber = -1;   // the physical disk, shared by its volumes
    QString vendor;
    QString product;
    QString serial;
};

QString Field(const std::vector<char>& buffer, DWORD offset)
{
    if (offset == 0 || offset >= buffer.size())
        return {};
    return QString::fromLatin1(buffer.data() + offset).trimmed();
}

// What the storage stack says of the device behind a letter ("X:").
StorageFacts AskStorage(const QString& letter)
{
    StorageFacts facts;
    const std::wstring device = (QStringLiteral("\\\\.\\") + letter).toStdWString();
    // No access rights: asking these questions needs none, and no medium
    // has to be present.
    HANDLE h = ::CreateFileW(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return facts;
    STORAGE_PROPERTY_QUERY query {};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    std::vector<char> buffer(1024, 0);
    DWORD returned = 0;
    if (::DeviceIoControl(h, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, buffer.data(),
                          static_cast<DWORD>(buffer.size()), &returned, nullptr)
        && returned >= sizeof(STORAGE_DEVICE_DESCRIPTOR)) {
        const auto* descriptor = reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR*>(buffer.data());
        facts.known = true;
        facts.usb = descriptor->BusType == BusTypeUsb;
        facts.vendor = Field(buffer, descriptor->VendorIdOffset);
        facts.product = Field(buffer, descriptor->ProductIdOffset);
        facts.serial = Field(buffer, descriptor->SerialNumberOffset);
    }
    STORAGE_DEVICE_NUMBER number {};
    if (::DeviceIoControl(h, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof number, &returned, nullptr))
        facts.deviceNumber = static_cast<long>(number.DeviceNumber);
    ::CloseHandle(h);
    return facts;
}

int DriveTypeOf(UINT type)
{
    switch (type) {
    case DRIVE_REMOVABLE: return kDriveRemovable;
    case DRIVE_FIXED: return kDriveFixed;
    case DRIVE_CDROM: return kDriveCdRom;
    case DRIVE_RAMDISK: return kDriveRam;
    default: return kDriveUnknown;
    }
}

QString VolumeSerial(const QString& letter)
{
    DWORD serial = 0;
    const std::wstring root = (letter + QLatin1Char('\\')).toStdWString();
    if (!::GetVolumeInformationW(root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
        return {};
    return QString::number(serial, 16).toUpper().rightJustified(8, QLatin1Char('0'));
}

}  // namespace

DriveLetterDeviceSource::DriveLetterDeviceSource() = default;
DriveLetterDeviceSource::~DriveLetterDeviceSource() = default;

QHash<QString, int> DriveLetterDeviceSource::Letters()
{
    QHash<QString, int> letters;
    const DWORD mask = ::GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(mask & (1u << i)))
            continue;
        const QString letter = QString(QChar(u'A' + i)) + QLatin1Char(':');
        letters.insert(letter, DriveTypeOf(::GetDriveTypeW((letter + QLatin1Char('\\')).toStdWString().c_str())));
    }
    return letters;
}

QList<VolumeEvent> DriveLetterDeviceSource::Compare(const QHash<QString, int>& before, const QHash<QString, int>& after)
{
    QStringList gone;
    QStringList came;
    for (auto it = before.begin(); it != before.end(); ++it) {
        if (!after.contains(it.key()))
            gone << it.key();
    }
    for (auto it = after.begin(); it != after.end(); ++it) {
        if (!before.contains(it.key()))
            came << it.key();
    }
    // Letters in order, removals first: a stick pulled and another put in
    // at the same letter between two looks reads as both.
    std::sort(gone.begin(), gone.end());
    std::sort(came.begin(), came.end());
    QList<VolumeEvent> events;
    for (const QString& letter : gone)
        events.append({VolumeEvent::kRemoval, letter});
    for (const QString& letter : came)
        events.append({VolumeEvent::kArrival, letter});
    return events;
}

Status DriveLetterDeviceSource::Scan(QList<UsbDeviceRecord>* devices)
{
    devices->clear();
    // One record per physical device; a letter whose device cannot say which
    // it is stands alone.
    std::map<QString, UsbDeviceRecord> byDevice;
    const QHash<QString, int> letters = Letters();
    QStringList ordered = letters.keys();
    std::sort(ordered.begin(), ordered.end());
    for (const QString& letter : ordered) {
        const int type = letters.value(letter);
        const StorageFacts facts = AskStorage(letter);
        // Where the bus is known it decides; where it is not (emulators,
        // old drivers), a removable drive is taken for a stick.
        const bool stick = facts.known ? facts.usb : type == kDriveRemovable;
        if (!stick || (type != kDriveRemovable && type != kDriveFixed && type != kDriveCdRom))
            continue;
        const QString key = facts.deviceNumber >= 0 ? QStringLiteral("#%1").arg(facts.deviceNumber) : letter;
        UsbDeviceRecord& record = byDevice[key];
        if (record.identifier.isEmpty()) {
            QString serial = facts.serial;
            serial.remove(QLatin1Char('#')).remove(QLatin1Char('&'));
            if (serial.isEmpty())
                serial = VolumeSerial(letter);
            // The bus's own ids need the device tree; the identifier keeps
            // the form the rest of the program reads, with the serial.
            record.identifier = QStringLiteral("USB#VID_0000&PID_0000#%1#").arg(serial);
            DiskRecord disk;
            disk.vendor = facts.vendor;
            disk.product = facts.product;
            disk.driveType = type;
            record.disks.append(disk);
        }
        record.disks.first().volumes.append({letter, type, true});
    }
    for (auto& [key, record] : byDevice)
        devices->append(record);
    return S_OK;
}

void DriveLetterDeviceSource::Watch(std::function<void(const QList<VolumeEvent>&)> listener)
{
    listener_ = std::move(listener);
    known_ = Letters();
    if (!timer_) {
        timer_ = new QTimer(this);
        timer_->setInterval(kPollMs);
        connect(timer_, &QTimer::timeout, this, &DriveLetterDeviceSource::Poll);
    }
    timer_->start();
}

void DriveLetterDeviceSource::Poll()
{
    const QHash<QString, int> now = Letters();
    const QList<VolumeEvent> events = Compare(known_, now);
    known_ = now;
    if (!events.isEmpty() && listener_)
        listener_(events);
}

}  // namespace nbr
