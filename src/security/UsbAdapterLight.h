#pragma once
// The USB storage devices of the machine: a snapshot with their disks and
// volumes, the one device Nimbra runs from (selected by a volume root), and
// the notifications of volumes coming and going. One per process, shared
// through Acquire/Release; it refreshes itself on every change.

#include "platform/DeviceSource.h"
#include "security/ISimpleDeviceNotification.h"

#include <QStringList>

#include <functional>
#include <memory>

namespace nbr {

class DeviceNotifier;

class UsbAdapterLight final : public ISimpleDeviceNotification {
public:
    using SourceFactory = std::function<std::unique_ptr<DeviceSource>()>;

    // The system's source; without one, NIMBRA_DEVICE_SIM names a simulated
    // one, else no device is ever seen.
    static void SetSourceFactory(SourceFactory factory);
    [[nodiscard]] static UsbAdapterLight* AcquireUsbAdapterLight();
    static void ReleaseUsbAdapterLight();
    [[nodiscard]] static int UseCount();

    [[nodiscard]] bool Rescan(bool full, const std::function<void(const QString& root)>& callback = {});
    [[nodiscard]] bool SelectDrive(const QString& root);
    [[nodiscard]] QStringList GetDriveLetters(int capacity) const;
    [[nodiscard]] std::uint32_t GetVendorId() const;
    [[nodiscard]] std::uint32_t GetProductId() const;
    void AddSink(ISimpleDeviceNotification* sink);

    [[nodiscard]] const QList<UsbDeviceRecord>& Devices() const { return devices_; }
    [[nodiscard]] bool HasSelection() const { return selectedDevice_ >= 0; }
    [[nodiscard]] QString SelectedRoot() const { return selected_; }
    // The root of the known volume that holds `path` (the longest match), or
    // `fallback` when none does.
    [[nodiscard]] QString VolumeRootOf(const QString& path, const QString& fallback) const;
    // The type of the volume at `root` in the snapshot, kDriveUnknown when none.
    [[nodiscard]] int DriveTypeOf(const QString& root) const;
    [[nodiscard]] DeviceNotifier& Notifier() { return *notifier_; }
    [[nodiscard]] DeviceSource* Source() { return source_.get(); }

    // Vendor id, product id and serial from "USB#VID_1234&PID_ABCD#serial#...".
    [[nodiscard]] static bool ParseIdentifier(const QString& identifier, std::uint32_t* vendor, std::uint32_t* product,
                                              QString* serial);
    // Test seam: the pause between the sinks' retries.
    static void SetRetryDelay(int milliseconds);

    void OnVolumeArrival(const QString& root) override;
    void OnVolumeRemoved(const QString& root) override;
    [[nodiscard]] bool CanRemoveVolume(const QString& root) override;
    void OnVolumeNotice(const QString&) override {}

private:
    UsbAdapterLight();
    ~UsbAdapterLight() override;
    void ClearSelection();
    void RescanWithRetries();

    std::unique_ptr<DeviceSource> source_;
    std::unique_ptr<DeviceNotifier> notifier_;
    QList<UsbDeviceRecord> devices_;
    QString selected_;          // the selected volume root ("" is the root file system)
    bool hasLetter_ = false;    // a root was chosen, even while its device is gone
    int selectedDevice_ = -1;   // its device in the snapshot, -1 when none
};

}  // namespace nbr
