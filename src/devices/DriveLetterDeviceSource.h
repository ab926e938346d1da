#pragma once
// The machine's USB storage on Windows: the drive letters, their drive types
// and the storage bus behind each, grouped by physical device. Changes are
// found by looking at the letters once a second on the thread that created
// the source (it needs that thread's event loop): no window has to exist for
// it, and it sees the letters Wine maps as well as real arrivals.

#include "devices/DeviceSource.h"

#include <QHash>
#include <QObject>

class QTimer;

namespace nbr {

class DriveLetterDeviceSource final : public QObject, public DeviceSource {
    Q_OBJECT
public:
    DriveLetterDeviceSource();
    ~DriveLetterDeviceSource() override;

    [[nodiscard]] Status Scan(QList<UsbDeviceRecord>* devices) override;
    void Watch(std::function<void(const QList<VolumeEvent>&)> listener) override;

    // The events between two looks at the letters ("X:" to drive type).
    [[nodiscard]] static QList<VolumeEvent> Compare(const QHash<QString, int>& before,
                                                    const QHash<QString, int>& after);

private:
    [[nodiscard]] static QHash<QString, int> Letters();
    void Poll();

    QTimer* timer_ = nullptr;
    QHash<QString, int> known_;
    std::function<void(const QList<VolumeEvent>&)> listener_;
};

}  // namespace nbr
