#include "devices/SimulatedDeviceSource.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace nbr {
namespace {

int TypeOf(const QString& name)
{
    if (name == QLatin1String("removable"))
        return kDriveRemovable;
    if (name == QLatin1String("fixed"))
        return kDriveFixed;
    if (name == QLatin1String("cdrom"))
        return kDriveCdRom;
    if (name == QLatin1String("ram"))
        return kDriveRam;
    return kDriveUnknown;
}

QString Root(const QJsonValue& value)
{
    QString root = value.toString();
    while (root.endsWith(QLatin1Char('/')))
        root.chop(1);
    return root;
}

bool Load(const QString& path, QJsonArray* devices)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QJsonParseError error {};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    *devices = document.object().value(QStringLiteral("devices")).toArray();
    return true;
}

}  // namespace

SimulatedDeviceSource::SimulatedDeviceSource(const QString& jsonPath) : path_(jsonPath)
{
    known_ = Volumes();
}

SimulatedDeviceSource::~SimulatedDeviceSource() = default;

Status SimulatedDeviceSource::Scan(QList<UsbDeviceRecord>* devices)
{
    devices->clear();
    QJsonArray list;
    if (!Load(path_, &list))
        return StatusFromWin32(win32::kNotReady);
    for (const QJsonValue& value : list) {
        const QJsonObject device = value.toObject();
        if (device.value(QStringLiteral("incomplete")).toBool())
            return StatusFromWin32(win32::kNotReady);  // still arriving
        UsbDeviceRecord record;
        record.identifier = device.value(QStringLiteral("id")).toString();
        for (const QJsonValue& diskValue : device.value(QStringLiteral("disks")).toArray()) {
            const QJsonObject disk = diskValue.toObject();
            DiskRecord d;
            d.vendor = disk.value(QStringLiteral("vendor")).toString();
            d.product = disk.value(QStringLiteral("product")).toString();
            d.driveType = TypeOf(disk.value(QStringLiteral("type")).toString());
            d.mounted = disk.contains(QStringLiteral("root")) && !disk.value(QStringLiteral("root")).toString().isEmpty();
            d.root = Root(disk.value(QStringLiteral("root")));
            for (const QJsonValue& volumeValue : disk.value(QStringLiteral("volumes")).toArray()) {
                const QJsonObject volume = volumeValue.toObject();
                VolumeRecord v;
                v.root = Root(volume.value(QStringLiteral("root")));
                v.mounted = !volume.value(QStringLiteral("root")).toString().isEmpty();
                v.driveType = TypeOf(volume.value(QStringLiteral("type")).toString());
                d.volumes << v;
            }
            record.disks << d;
        }
        devices->append(record);
    }
    return S_OK;
}

QList<SimulatedDeviceSource::Volume> SimulatedDeviceSource::Volumes() const
{
    QList<Volume> volumes;
    QJsonArray list;
    if (!Load(path_, &list))
        return volumes;
    for (const QJsonValue& device : list) {
        for (const QJsonValue& disk : device.toObject().value(QStringLiteral("disks")).toArray()) {
            const QJsonObject d = disk.toObject();
            if (!d.value(QStringLiteral("root")).toString().isEmpty())
                volumes << Volume {Root(d.value(QStringLiteral("root"))), d.value(QStringLiteral("media")).toInt()};
            for (const QJsonValue& volume : d.value(QStringLiteral("volumes")).toArray()) {
                const QJsonObject v = volume.toObject();
                if (!v.value(QStringLiteral("root")).toString().isEmpty())
                    volumes << Volume {Root(v.value(QStringLiteral("root"))), v.value(QStringLiteral("media")).toInt()};
            }
        }
    }
    return volumes;
}

void SimulatedDeviceSource::Watch(std::function<void(const QList<VolumeEvent>&)> listener)
{
    listener_ = std::move(listener);
    if (!watcher_) {
        watcher_ = new QFileSystemWatcher(this);
        // Editors replace the file: watch its folder too.
        watcher_->addPath(path_);
        watcher_->addPath(QFileInfo(path_).absolutePath());
        connect(watcher_, &QFileSystemWatcher::fileChanged, this, [this] { Reload(); });
        connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
            if (!watcher_->files().contains(path_))
                watcher_->addPath(path_);
            Reload();
        });
    }
}

void SimulatedDeviceSource::Reload()
{
    const QList<Volume> now = Volumes();
    QList<VolumeEvent> events;
    for (const Volume& volume : now) {
        const auto before = std::find_if(known_.begin(), known_.end(), [&](const Volume& v) { return v.root == volume.root; });
        if (before == known_.end())
            events << VolumeEvent {VolumeEvent::kArrival, volume.root};
        else if (before->media != volume.media)
            events << VolumeEvent {VolumeEvent::kMediaChange, volume.root};
    }
    for (const Volume& volume : known_) {
        if (std::none_of(now.begin(), now.end(), [&](const Volume& v) { return v.root == volume.root; }))
            events << VolumeEvent {VolumeEvent::kRemoval, volume.root};
    }
    known_ = now;
    if (!events.isEmpty() && listener_)
        listener_(events);
}

}  // namespace nbr
