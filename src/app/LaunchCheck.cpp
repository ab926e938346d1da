#include "app/LaunchCheck.h"

#include "app/ISplash.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "base/VariableStore.h"

#include <QEventLoop>
#include <QStorageInfo>
#include <QTimer>

#include <optional>
#include <utility>

namespace nbr {

LaunchCheck::LaunchCheck(VariableStore& variables, const LanguageManager& languages, ISplash* splash,
                         LaunchTimings timings)
    : variables_(variables), languages_(languages), splash_(splash), timings_(timings), watcher_()
{
}

LaunchCheck::~LaunchCheck() = default;

QString LaunchCheck::RefusalText()
{
    return QStringLiteral("Please copy the Nimbra.exe file on your \nportable storage device and start it again from there.");
}

void LaunchCheck::Say(const QString& text)
{
    if (splash_)
        splash_->SetText(text);
}

void LaunchCheck::After(int milliseconds, void (LaunchCheck::*step)())
{
    QTimer::singleShot(milliseconds, &steps_, [this, step] { (this->*step)(); });
}

bool LaunchCheck::Run(ISimpleDeviceNotification* sink)
{
    std::optional<bool> result;
    QEventLoop loop;
    Start(sink, [&](bool accepted) {
        result = accepted;
        loop.quit();
    });
    if (!result)
        loop.exec();
    return result.value_or(false);
}

void LaunchCheck::Start(ISimpleDeviceNotification* sink, std::function<void(bool)> done)
{
    if (running_)
        return;
    sink_ = sink;
    done_ = std::move(done);
    running_ = true;
    Say(languages_.GetText(msg::kSplashCheckingDevice));
    const bool ready = watcher_->Rescan(true);
    // The launch volume: the known volume that holds the launch path; the
    // mount point found at start-up when no known volume does.
    launch_ = variables_.IsDefined(QStringLiteral("NBR_DEVICE_LAUNCH_PATH"))
                  ? watcher_->VolumeRootOf(variables_.GetVariable(QStringLiteral("NBR_DEVICE_LAUNCH_PATH")),
                                           variables_.GetVariable(QStringLiteral("NBR_DEVICE_LAUNCH_LETTER")))
                  : variables_.GetVariable(QStringLiteral("NBR_DEVICE_LAUNCH_LETTER"));
    launchIsCdRom_ = IsCdRom(launch_);
    if (ready && launchIsCdRom_) {
        waitTimer_.start();
        BeginRound();
        return;
    }
    Decide(ready);
}

bool LaunchCheck::IsCdRom(const QString& root) const
{
    const int type = watcher_->DriveTypeOf(root);
    if (type != kDriveUnknown)
        return type == kDriveCdRom;
    // Not a volume of a known device: a disc file system still tells a CD-ROM.
    const QByteArray fileSystem = QStorageInfo(root.isEmpty() ? QStringLiteral("/") : root).fileSystemType();
    return fileSystem == "iso9660" || fileSystem == "udf";
}

void LaunchCheck::BeginRound()
{
    Say(languages_.GetText(msg::kSplashCheckingDevice));
    if (watcher_->Rescan(true)) {
        EndRound(true);
        return;
    }
    presentTimer_.start();
    lastText_ = 0;
    counter_ = 0;
    waitingText_ = false;
    After(timings_.presentStepMs, &LaunchCheck::PollPresent);
}

void LaunchCheck::PollPresent()
{
    const qint64 elapsed = presentTimer_.elapsed();
    if (elapsed > timings_.presentLimitMs) {
        EndRound(false);
        return;
    }
    if (splash_ && elapsed - lastText_ >= timings_.alternateMs) {
        lastText_ = elapsed;
        waitingText_ = !waitingText_;
        const int id = waitingText_ ? msg::kSplashWaitingDevice : msg::kSplashCheckingDevice;
        if (waitingText_)
            ++counter_;
        Say(TextFormatter::Format(QStringLiteral("%s (%d/%d)"), {languages_.GetText(id), counter_, 6}));
    }
    if (watcher_->Rescan(true)) {
        EndRound(true);
        return;
    }
    After(timings_.presentStepMs, &LaunchCheck::PollPresent);
}

void LaunchCheck::EndRound(bool present)
{
    if (present && watcher_->SelectDrive(launch_) && watcher_->GetDriveLetters(50).size() == 2) {
        Decide(true);
        return;
    }
    Say(QStringLiteral("Device is not ready yet"));
    QTimer::singleShot(timings_.waitStepMs, &steps_, [this] {
        if (waitTimer_.elapsed() > timings_.waitLimitMs)
            Decide(false);
        else
            BeginRound();
    });
}

void LaunchCheck::Decide(bool ready)
{
    bool accepted = false;
    QString store = launch_;
    if (!launchIsCdRom_) {
        accepted = ready && watcher_->SelectDrive(launch_);
    } else if (ready) {
        const QStringList roots = watcher_->GetDriveLetters(30);
        if (roots.size() == 2) {
            store = roots.at(0) == launch_ ? roots.at(1) : roots.at(0);
            accepted = watcher_->DriveTypeOf(store) != kDriveCdRom && watcher_->DriveTypeOf(launch_) == kDriveCdRom
                       && watcher_->SelectDrive(store);
        }
    }
    storeRoot_ = store;
    if (!accepted) {
        (void)ShowMessageBox(nullptr, languages_.GetText(msg::kCaptionError), RefusalText(), mb::kOk, mb::kIconError);
    } else {
        variables_.SetVariable(QStringLiteral("NBR_DEVICE_DOCUMENT_LETTER"), store);
        if (sink_)
            watcher_->AddSink(sink_);
    }
    Say(QString());
    running_ = false;
    if (const std::function<void(bool)> done = std::exchange(done_, {}))
        done(accepted);
}

}  // namespace nbr
