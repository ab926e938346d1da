#include "store/ProcessTracker.h"

#include "platform/DesktopApps.h"
#include "platform/NativePath.h"
#include "platform/Processes.h"

#include <QElapsedTimer>
#include <QPair>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <atomic>

namespace nbr {
namespace {
std::atomic<int> g_settleMs {1500};
constexpr int kCloseWaitMs = 5000;
constexpr int kPollMs = 20;
constexpr int kScanMs = 100;  // a scan reads every process of the system

bool SessionRuns(qint64 session)
{
    return !Processes::SessionMembers(session).isEmpty();
}

// Waits until none of `processes` runs any more, up to `milliseconds`.
bool WaitForAll(const QList<ProcessIdentity>& processes, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        const bool any = std::any_of(processes.begin(), processes.end(),
                                     [](const ProcessIdentity& p) { return Processes::IsSame(p); });
        if (!any)
            return true;
        if (timer.elapsed() >= milliseconds)
            return false;
        QThread::msleep(kPollMs);
    }
}

// Asks every process of a launch to end, including ones that appear or
// change program while it waits; what still runs afterwards is returned.
QList<ProcessIdentity> CloseSession(qint64 session, bool force)
{
    // The leader is our child until released: its id, and so the session's,
    // cannot have passed to anyone else, and every member found is ours.
    QSet<QPair<qint64, quint64>> asked;
    QList<ProcessIdentity> members;
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        members = Processes::SessionMembers(session);
        for (const ProcessIdentity& member : std::as_const(members)) {
            const QPair<qint64, quint64> key {member.pid, member.startTicks};
            if (!asked.contains(key) && Processes::Signal(member, false))
                asked.insert(key);
        }
        if (members.isEmpty() || timer.elapsed() >= kCloseWaitMs)
            break;
        QThread::msleep(kScanMs);
    }
    if (!members.isEmpty() && force) {
        for (const ProcessIdentity& member : std::as_const(members))
            (void)Processes::Signal(member, true);
        (void)WaitForAll(members, kCloseWaitMs);
        members.removeIf([](const ProcessIdentity& p) { return !Processes::IsSame(p); });
    }
    return members;
}

}  // namespace

ProcessTracker::~ProcessTracker()
{
    for (const TrackedProcess& record : std::as_const(records_))
        (void)Processes::Release(record.pid);
}

void ProcessTracker::SetSettleTime(int milliseconds)
{
    g_settleMs = milliseconds;
}

Status ProcessTracker::OpenWithAssociatedProgram(const QString& file, const QStringList& parameters, bool track,
                                                 bool, const void*)
{
    QStringList command = DesktopApps::CommandFor(file);
    if (command.isEmpty()) {
        // The last resort; whatever it starts in its own session is still ours.
        command = DesktopApps::LastResortCommand(file);
        if (command.isEmpty())
            return StatusFromWin32(win32::kGenFailure);
    }
    command += parameters;
    qint64 pid = 0;
    if (!Processes::Start(command, &pid))
        return StatusFromWin32(win32::kFileNotFound);
    QElapsedTimer timer;
    timer.start();
    // A launcher that ends at once may leave its program behind: the whole
    // session counts, not just the process started.
    const auto running = [pid] { return Processes::IsRunning(pid) || SessionRuns(pid); };
    while (timer.elapsed() < g_settleMs && running())
        QThread::msleep(Processes::IsRunning(pid) ? kPollMs : kScanMs);
    if (track && running()) {
        records_ << TrackedProcess {file, pid, true};
        return S_OK;
    }
    // Nothing of ours runs (the file went to an instance that was already
    // running), or the caller does not track it: collect the launcher.
    (void)Processes::Release(pid);
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

bool ProcessTracker::CloseProgram(const ProcessIdentity& process, bool force)
{
    if (process.pid <= 0 || !Processes::Signal(process, false))
        return false;
    if (Processes::WaitForExit(process, kCloseWaitMs))
        return true;
    return force && Processes::Signal(process, true) && Processes::WaitForExit(process, kCloseWaitMs);
}

bool ProcessTracker::CloseAll(bool force)
{
    for (const TrackedProcess& record : std::as_const(records_)) {
        if (record.startedHere)
            (void)CloseSession(record.pid, force);
        (void)Processes::Release(record.pid);
    }
    records_.clear();
    return true;
}

bool ProcessTracker::IsAnyRunning() const
{
    return std::any_of(records_.begin(), records_.end(), [](const TrackedProcess& record) {
        return record.startedHere && (Processes::IsRunning(record.pid) || SessionRuns(record.pid));
    });
}

}  // namespace nbr
