#include "app/LaunchCheck.h"

#include "app/ISplash.h"
#include "app/LanguageManager.h"
#include "app/MessageBox.h"
#include "app/MessageIds.h"
#include "app/VariableStore.h"
#include "security/UsbAdapterLight.h"

#include <QElapsedTimer>
#include <QStorageInfo>
#include <QThread>

namespace nbr {

LaunchCheck::LaunchCheck(VariableStore& variables, const LanguageManager& languages, ISplash* splash,
                         LaunchTimings timings)
    : variables_(variables), languages_(languages), splash_(splash), timings_(timings)
{
}

LaunchCheck::~LaunchCheck()
{
    while (acquired_-- > 0)
        UsbAdapterLight::ReleaseUsbAdapterLight();
}

QString LaunchCheck::RefusalText()
{
    return QStringLiteral("Please copy the Nimbra.exe file on your \nportable storage device and start it again from there.");
}

void LaunchCheck::Say(const QString& text)
{
    if (splash_)
        splash_->SetText(text);
}

bool LaunchCheck::Run(ISimpleDeviceNotification* sink)
{
    Say(languages_.GetText(msg::kSplashCheckingDevice));
    watcher_ = UsbAdapterLight::AcquireUsbAdapterLight();
    ++acquired_;
    bool ready = watcher_->Rescan(true);
    // The launch volume: the known volume that holds the launch path; the
    // mount point found at start-up when no known volume does.
    const QString launch =
        variables_.IsDefined(QStringLiteral("NBR_DEVICE_LAUNCH_PATH"))
            ? watcher_->VolumeRootOf(variables_.GetVariable(QStringLiteral("NBR_DEVICE_LAUNCH_PATH")),
                                     variables_.GetVariable(QStringLiteral("NBR_DEVICE_LAUNCH_LETTER")))
            : variables_.GetVariable(QStringLiteral("NBR_DEVICE_LAUNCH_LETTER"));
    bool launchIsCdRom = watcher_->DriveTypeOf(launch) == kDriveCdRom;
    if (watcher_->DriveTypeOf(launch) == kDriveUnknown) {
        // Not a volume of a known device: a disc file system still tells a CD-ROM.
        const QByteArray type = QStorageInfo(launch.isEmpty() ? QStringLiteral("/") : launch).fileSystemType();
        launchIsCdRom = type == "iso9660" || type == "udf";
    }
    if (launchIsCdRom)
        ready = ready && WaitForDevice(launch);

    bool accepted = false;
    QString store = launch;
    if (!launchIsCdRom) {
        accepted = ready && watcher_->SelectDrive(launch);
    } else if (ready) {
        const QStringList roots = watcher_->GetDriveLetters(30);
        if (roots.size() == 2) {
            store = roots.at(0) == launch ? roots.at(1) : roots.at(0);
            accepted = watcher_->DriveTypeOf(store) != kDriveCdRom && watcher_->DriveTypeOf(launch) == kDriveCdRom
                       && watcher_->SelectDrive(store);
        }
    }
    storeRoot_ = store;
    if (!accepted) {
        (void)ShowMessageBox(nullptr, languages_.GetText(msg::kCaptionError), RefusalText(), mb::kOk, mb::kIconError);
        Say(QString());
        return false;
    }
    variables_.SetVariable(QStringLiteral("NBR_DEVICE_DOCUMENT_LETTER"), store);
    if (sink)
        watcher_->AddSink(sink);
    Say(QString());
    return true;
}

bool LaunchCheck::WaitForDevice(const QString& launch)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        if (DevicePresent() && watcher_->SelectDrive(launch) && watcher_->GetDriveLetters(50).size() == 2)
            return true;
        Say(QStringLiteral("Device is not ready yet"));
        QThread::msleep(static_cast<unsigned long>(timings_.waitStepMs));
        if (timer.elapsed() > timings_.waitLimitMs)
            return false;
    }
}

bool LaunchCheck::DevicePresent()
{
    watcher_ = UsbAdapterLight::AcquireUsbAdapterLight();
    ++acquired_;
    Say(languages_.GetText(msg::kSplashCheckingDevice));
    if (watcher_->Rescan(true))
        return true;
    QElapsedTimer timer;
    timer.start();
    qint64 lastText = 0;
    int counter = 0;
    bool waitingText = false;
    for (;;) {
        QThread::msleep(static_cast<unsigned long>(timings_.presentStepMs));
        if (timer.elapsed() > timings_.presentLimitMs)
            return false;
        if (splash_ && timer.elapsed() - lastText >= timings_.alternateMs) {
            lastText = timer.elapsed();
            waitingText = !waitingText;
            const int id = waitingText ? msg::kSplashWaitingDevice : msg::kSplashCheckingDevice;
            if (waitingText)
                ++counter;
            Say(TextFormatter::Format(QStringLiteral("%s (%d/%d)"), {languages_.GetText(id), counter, 6}));
        }
        if (watcher_->Rescan(true))
            return true;
    }
}

}  // namespace nbr
