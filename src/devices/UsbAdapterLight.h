#pragma once
// The USB storage devices of the machine: a snapshot with their disks and
// volumes, the one device Nimbra runs from (selected by a volume root), and
// the notifications of volumes coming and going. One per process, held by
// leases (the last one to go destroys it); it refreshes itself on every
// change, retrying a scan that did not complete from the event loop.

#include "devices/DeviceSource.h"
#include "devices/ISimpleDeviceNotification.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <utility>

namespace nbr {

class DeviceNotifier;

class UsbAdapterLight final : public ISimpleDeviceNotification {
public:
    using SourceFactory = std::function<std::unique_ptr<DeviceSource>()>;

    // The system's source; without one, NIMBRA_DEVICE_SIM names a simulated
    // one, else no device is ever seen.
    static void SetSourceFactory(SourceFactory factory);

    // One hold on the process's watcher: created with the first lease,
    // destroyed with the last.
    class Lease {
    public:
        Lease() : adapter_(AcquireUsbAdapterLight()) {}
        ~Lease() { Reset(); }
        Lease(Lease&& other) noexcept : adapter_(std::exchange(other.adapter_, nullptr)) {}
        Lease& operator=(Lease&& other) noexcept
        {
            if (this != &other) {
                Reset();
                adapter_ = std::exchange(other.adapter_, nullptr);
            }
            return *this;
        }
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;

        [[nodiscard]] UsbAdapterLight* get() const { return adapter_; }
        UsbAdapterLight* operator->() const { return adapter_; }
        UsbAdapterLight& operator*() const { return *adapter_; }
        // Gives the hold up now rather than at the end of the scope.
        void Reset()
        {
            if (std::exchange(adapter_, nullptr))
                ReleaseUsbAdapterLight();
        }

    private:
        UsbAdapterLight* adapter_;
    };
    // How many leases are held.
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
    // A scan that did not complete is being tried again.
    [[nodiscard]] bool IsRetrying() const { return retriesLeft_ > 0; }

    void OnVolumeArrival(const QString& root) override;
    void OnVolumeRemoved(const QString& root) override;
    [[nodiscard]] bool CanRemoveVolume(const QString& root) override;
    void OnVolumeNotice(const QString&) override {}

private:
    [[nodiscard]] static UsbAdapterLight* AcquireUsbAdapterLight();
    static void ReleaseUsbAdapterLight();

    UsbAdapterLight();
    ~UsbAdapterLight() override;
    void ClearSelection();
    // Scans now; a failed scan is tried again a few times, each after a
    // pause on a timer, so that the thread's event loop runs meanwhile.
    void RescanWithRetries();
    void ScheduleRetry();

    std::unique_ptr<DeviceSource> source_;
    std::unique_ptr<DeviceNotifier> notifier_;
    QList<UsbDeviceRecord> devices_;
    QString selected_;          // the selected volume root ("" is the root file system)
    bool hasLetter_ = false;    // a root was chosen, even while its device is gone
    int selectedDevice_ = -1;   // its device in the snapshot, -1 when none
    int retriesLeft_ = 0;
};

}  // namespace nbr
