#include "store/ProcessTracker.h"

#include "platform/DesktopApps.h"
#include "platform/NativePath.h"
#include "platform/Processes.h"

#include <QElapsedTimer>
#include <QThread>

#include <atomic>

namespace nbr {
namespace {
std::atomic<int> g_settleMs {1500};
constexpr int kCloseWaitMs = 5000;
}  // namespace

void ProcessTracker::SetSettleTime(int milliseconds)
{
    g_settleMs = milliseconds;
}

Status ProcessTracker::OpenWithAssociatedProgram(const QString& file, const QStringList& parameters, bool track,
                                                 bool, const void*)
{
    QStringList command = DesktopApps::CommandFor(file);
    if (command.isEmpty()) {
        // The last resort opens the file but cannot tell which program took it.
        if (Processes::ResolveProgram(QStringLiteral("xdg-open")).isEmpty())
            return StatusFromWin32(win32::kGenFailure);
        command = {QStringLiteral("xdg-open"), file};
        track = false;
    }
    command += parameters;
    qint64 pid = 0;
    if (!Processes::Start(command, &pid))
        return StatusFromWin32(win32::kFileNotFound);
    QElapsedTimer timer;
    timer.start();
    while (Processes::IsRunning(pid) && timer.elapsed() < g_settleMs)
        QThread::msleep(20);
    if (!track)
        return S_OK;
    if (Processes::IsRunning(pid)) {
        records_ << TrackedProcess {file, pid, true};
        return S_OK;
    }
    QList<TrackedProcess> running;
    if (FindRunningInstances(Processes::ResolveProgram(command.first()), &running))
        records_ += running;
    return S_OK;
}

bool ProcessTracker::FindRunningInstances(const QString& programPath, QList<TrackedProcess>* found)
{
    found->clear();
    if (programPath.isEmpty())
        return false;
    for (const qint64 pid : Processes::FindByExecutable(programPath))
        found->append(TrackedProcess {NativePath::LastComponent(programPath), pid, false});
    return true;
}

bool ProcessTracker::CloseProgram(qint64 pid, bool force)
{
    if (pid <= 0 || !Processes::IsRunning(pid) || !Processes::Signal(pid, false))
        return false;
    if (Processes::WaitForExit(pid, kCloseWaitMs))
        return true;
    return force && Processes::Signal(pid, true) && Processes::WaitForExit(pid, kCloseWaitMs);
}

bool ProcessTracker::CloseAll(bool force)
{
    for (const TrackedProcess& record : records_)
        (void)CloseProgram(record.pid, force);
    records_.clear();
    return true;
}

}  // namespace nbr
