#pragma once
// Devices described by a JSON file, read again whenever the file changes, so
// that a test or a demo can plug and unplug a stick by editing it:
//
// {"devices": [{"id": "USB#VID_1234&PID_ABCD#0123456789#",
//               "incomplete": false,
//               "disks": [{"vendor": "ACME", "product": "Stick", "type": "removable",
//                          "root": "", "volumes": [{"root": "/media/u/STICK", "type": "removable",
//                                                   "media": 1}]}]}]}
//
// Types: "removable", "fixed", "cdrom", "ram". A volume whose "media" number
// changes reports a media change. "incomplete": true makes every scan fail.

#include "devices/DeviceSource.h"

#include <QObject>

class QFileSystemWatcher;

namespace nbr {

class SimulatedDeviceSource final : public QObject, public DeviceSource {
    Q_OBJECT

public:
    explicit SimulatedDeviceSource(const QString& jsonPath);
    ~SimulatedDeviceSource() override;

    [[nodiscard]] Status Scan(QList<UsbDeviceRecord>* devices) override;
    void Watch(std::function<void(const QList<VolumeEvent>&)> listener) override;
    // Reads the file again and reports what changed (also what the watcher calls).
    void Reload();

    // The environment variable that names the file.
    static constexpr const char* kEnvironment = "NIMBRA_DEVICE_SIM";

private:
    struct Volume {
        QString root;
        int media = 0;
    };
    [[nodiscard]] QList<Volume> Volumes() const;

    QString path_;
    QFileSystemWatcher* watcher_ = nullptr;
    std::function<void(const QList<VolumeEvent>&)> listener_;
    QList<Volume> known_;
};

}  // namespace nbr
