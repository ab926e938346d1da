#pragma once
// Other programs as processes: starting one in a session of its own, asking
// whether it still runs, finding what it started, and closing it (SIGTERM for
// the polite close, SIGKILL for the forced one). Reads /proc.
//
// A process id alone names whichever process has it now: a remembered id can
// belong to someone else by the time it is used. So signals go only to a
// process identified by its start time and executable, checked right before
// the signal through a handle that cannot change its target (a pidfd).

#include <QList>
#include <QString>
#include <QStringList>

namespace nbr {

// A process as it was seen at one moment.
struct ProcessIdentity {
    qint64 pid = 0;
    quint64 startTicks = 0;  // clock ticks after boot when it started
    qint64 session = 0;
    qint64 parent = 0;
    QString executable;      // empty when it cannot be read (another user's, or ended)
};

class Processes {
public:
    // Starts `command` (program first) as the leader of a new session, so
    // that its id is also the id of the session that everything it starts
    // inherits. The process stays this program's child until Release(): an
    // ended child keeps its id reserved, so the session id cannot pass to a
    // stranger while it is remembered.
    [[nodiscard]] static bool Start(const QStringList& command, qint64* pid);
    // Collects a process that Start() made once it has ended; the id is free
    // for reuse afterwards. False while it still runs.
    static bool Release(qint64 pid);
    // The process exists and has not ended (a zombie has ended).
    [[nodiscard]] static bool IsRunning(qint64 pid);
    // What /proc says of a running process; false when it is gone or a zombie.
    [[nodiscard]] static bool Identify(qint64 pid, ProcessIdentity* identity);
    // The process `identity` describes still runs: same id, start time and executable.
    [[nodiscard]] static bool IsSame(const ProcessIdentity& identity);
    // The processor time the calling thread has used, in milliseconds.
    [[nodiscard]] static qint64 ThreadCpuMs();
    // The running processes of a session, and the ones they started that
    // left it (a daemonising child, while its parent is still there).
    [[nodiscard]] static QList<ProcessIdentity> SessionMembers(qint64 session);
    // The full path of a process's executable, empty when it cannot be read.
    [[nodiscard]] static QString ExecutableOf(qint64 pid);
    // Every process running `executable` (compared by resolved path).
    [[nodiscard]] static QList<qint64> FindByExecutable(const QString& executable);
    // The program's full path, looked up in PATH when it has no folder.
    [[nodiscard]] static QString ResolveProgram(const QString& program);
    // SIGTERM, or SIGKILL when `force`, to the process `identity` describes;
    // false when it is no longer that process or the signal could not be sent.
    [[nodiscard]] static bool Signal(const ProcessIdentity& identity, bool force);
    // Waits up to `milliseconds` for the process to end; true when it did.
    [[nodiscard]] static bool WaitForExit(const ProcessIdentity& identity, int milliseconds);
};

}  // namespace nbr
