#include "devices/UsbAdapterLight.h"

#include "devices/DeviceNotifier.h"
#include "devices/SimulatedDeviceSource.h"

#include <QTimer>

#include <atomic>

namespace nbr {
namespace {

UsbAdapterLight* g_adapter = nullptr;
int g_useCount = 0;
UsbAdapterLight::SourceFactory g_factory;
std::atomic<int> g_retryDelayMs {500};
constexpr int kRetries = 5;

// Roots of a disk: its own when it has no volumes, else its volumes'.
QStringList RootsOf(const DiskRecord& disk)
{
    QStringList roots;
    if (disk.volumes.isEmpty()) {
        if (disk.mounted)
            roots << disk.root;
    } else {
        for (const VolumeRecord& volume : disk.volumes) {
            if (volume.mounted)
                roots << volume.root;
        }
    }
    return roots;
}

bool KeepsData(const DiskRecord& disk)
{
    const auto storage = [](int type) { return type == kDriveRemovable || type == kDriveFixed || type == kDriveRam; };
    if (storage(disk.driveType) && disk.volumes.isEmpty())
        return true;
    return std::any_of(disk.volumes.begin(), disk.volumes.end(), [&](const VolumeRecord& v) { return storage(v.driveType); });
}

}  // namespace

void UsbAdapterLight::SetSourceFactory(SourceFactory factory)
{
    g_factory = std::move(factory);
}

UsbAdapterLight* UsbAdapterLight::AcquireUsbAdapterLight()
{
    if (!g_adapter)
        g_adapter = new UsbAdapterLight;
    ++g_useCount;
    return g_adapter;
}

void UsbAdapterLight::ReleaseUsbAdapterLight()
{
    if (g_useCount > 0 && --g_useCount == 0) {
        delete g_adapter;
        g_adapter = nullptr;
    }
}

int UsbAdapterLight::UseCount()
{
    return g_useCount;
}

void UsbAdapterLight::SetRetryDelay(int milliseconds)
{
    g_retryDelayMs = milliseconds;
}

UsbAdapterLight::UsbAdapterLight() : notifier_(std::make_unique<DeviceNotifier>())
{
    if (g_factory) {
        source_ = g_factory();
    } else {
        const QString simulated = qEnvironmentVariable(SimulatedDeviceSource::kEnvironment);
        if (!simulated.isEmpty())
            source_ = std::make_unique<SimulatedDeviceSource>(simulated);
    }
    notifier_->AddSink(this);
    if (source_) {
        DeviceNotifier* notifier = notifier_.get();
        source_->Watch([notifier](const QList<VolumeEvent>& events) { notifier->Post(events); });
    }
}

UsbAdapterLight::~UsbAdapterLight() = default;

bool UsbAdapterLight::ParseIdentifier(const QString& identifier, std::uint32_t* vendor, std::uint32_t* product,
                                      QString* serial)
{
    const QString upper = identifier.toUpper();
    if (!upper.contains(QLatin1Char('#')))
        return false;
    const QString ids = upper.section(QLatin1Char('#'), 1, 1);
    const auto hex = [&ids](const QString& key) -> std::uint32_t {
        const qsizetype at = ids.indexOf(key);
        if (at < 0)
            return 0;
        const QString digits = ids.mid(at + key.size()).section(QLatin1Char('&'), 0, 0);
        return digits.toUInt(nullptr, 16);
    };
    *vendor = hex(QStringLiteral("VID_"));
    *product = hex(QStringLiteral("PID_"));
    const QString second = identifier.section(QLatin1Char('#'), 2, 2);
    *serial = second.contains(QLatin1Char('&')) ? QString() : second;
    return true;
}

void UsbAdapterLight::ClearSelection()
{
    selectedDevice_ = -1;
}

bool UsbAdapterLight::Rescan(bool full, const std::function<void(const QString& root)>& callback)
{
    bool result = true;
    if (full) {
        ClearSelection();
        QList<UsbDeviceRecord> scanned;
        if (source_ && Failed(source_->Scan(&scanned))) {
            devices_.clear();
            return false;
        }
        devices_.clear();
        for (UsbDeviceRecord& device : scanned) {
            if (!ParseIdentifier(device.identifier, &device.vendorId, &device.productId, &device.serial)) {
                devices_.clear();
                return false;  // a record that cannot be completed fails the scan
            }
            // Only devices that keep data: a lone CD-ROM launcher is not one.
            if (std::any_of(device.disks.begin(), device.disks.end(), KeepsData))
                devices_ << device;
        }
        if (hasLetter_) {
            result = SelectDrive(selected_);
        } else if (devices_.size() == 1 && !devices_.first().disks.isEmpty()) {
            const DiskRecord& disk = devices_.first().disks.first();
            if (!disk.volumes.isEmpty()) {
                for (const VolumeRecord& volume : disk.volumes) {
                    if (volume.driveType != kDriveCdRom && volume.mounted) {
                        (void)SelectDrive(volume.root);
                        break;
                    }
                }
            } else if (disk.mounted) {
                (void)SelectDrive(disk.root);
            }
        }
    }
    if (callback) {
        for (const UsbDeviceRecord& device : devices_) {
            for (const DiskRecord& disk : device.disks) {
                if (disk.mounted)
                    callback(disk.root);
                for (const VolumeRecord& volume : disk.volumes) {
                    if (volume.mounted)
                        callback(volume.root);
                }
            }
        }
    }
    return result;
}

bool UsbAdapterLight::SelectDrive(const QString& root)
{
    for (int i = 0; i < devices_.size(); ++i) {
        for (const DiskRecord& disk : devices_.at(i).disks) {
            QStringList roots = RootsOf(disk);
            if (disk.mounted)
                roots << disk.root;
            if (roots.contains(root)) {
                selectedDevice_ = i;
                selected_ = root;
                hasLetter_ = true;
                return true;
            }
        }
    }
    selectedDevice_ = -1;
    hasLetter_ = false;
    return false;
}

QStringList UsbAdapterLight::GetDriveLetters(int capacity) const
{
    QStringList roots;
    if (selectedDevice_ < 0)
        return roots;
    for (const DiskRecord& disk : devices_.at(selectedDevice_).disks)
        roots += RootsOf(disk);
    return roots.mid(0, capacity);
}

std::uint32_t UsbAdapterLight::GetVendorId() const
{
    return selectedDevice_ < 0 ? 0 : devices_.at(selectedDevice_).vendorId;
}

std::uint32_t UsbAdapterLight::GetProductId() const
{
    return selectedDevice_ < 0 ? 0 : devices_.at(selectedDevice_).productId;
}

void UsbAdapterLight::AddSink(ISimpleDeviceNotification* sink)
{
    notifier_->AddSink(sink);
}

QString UsbAdapterLight::VolumeRootOf(const QString& path, const QString& fallback) const
{
    QString best;
    bool found = false;
    QStringList roots;
    for (const UsbDeviceRecord& device : devices_) {
        for (const DiskRecord& disk : device.disks) {
            roots += RootsOf(disk);
            if (disk.mounted && !disk.volumes.isEmpty())
                roots << disk.root;
        }
    }
    for (const QString& root : roots) {
        const bool holds = path == root || path.startsWith(root + QLatin1Char('/')) || root.isEmpty();
        if (holds && (!found || root.size() > best.size())) {
            best = root;
            found = true;
        }
    }
    return found ? best : fallback;
}

int UsbAdapterLight::DriveTypeOf(const QString& root) const
{
    for (const UsbDeviceRecord& device : devices_) {
        for (const DiskRecord& disk : device.disks) {
            if (disk.mounted && disk.root == root)
                return disk.driveType;
            for (const VolumeRecord& volume : disk.volumes) {
                if (volume.mounted && volume.root == root)
                    return volume.driveType;
            }
        }
    }
    return kDriveUnknown;
}

void UsbAdapterLight::RescanWithRetries()
{
    const bool pending = retriesLeft_ > 0;
    if (Rescan(true)) {
        retriesLeft_ = 0;
        return;
    }
    // A change during the retries starts their count again.
    retriesLeft_ = kRetries - 1;
    if (!pending)
        ScheduleRetry();
}

void UsbAdapterLight::ScheduleRetry()
{
    // The timer belongs to the notifier: it goes when the watcher does.
    QTimer::singleShot(g_retryDelayMs.load(), notifier_.get(), [this] {
        if (retriesLeft_ <= 0)
            return;
        --retriesLeft_;
        if (Rescan(true))
            retriesLeft_ = 0;
        else if (retriesLeft_ > 0)
            ScheduleRetry();
    });
}

void UsbAdapterLight::OnVolumeArrival(const QString&)
{
    RescanWithRetries();
}

void UsbAdapterLight::OnVolumeRemoved(const QString& root)
{
    if (hasLetter_ && selected_ == root) {
        ClearSelection();
        hasLetter_ = false;
    }
    RescanWithRetries();
}

bool UsbAdapterLight::CanRemoveVolume(const QString&)
{
    return true;
}

}  // namespace nbr
