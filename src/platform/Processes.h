#pragma once
// Other programs as processes: starting one detached, asking whether it still
// runs, finding the instances of an executable, and closing them (SIGTERM for
// the polite close, SIGKILL for the forced one). Reads /proc.

#include <QList>
#include <QString>
#include <QStringList>

namespace nbr {

class Processes {
public:
    // Starts `command` (program first) on its own; `pid` gets its id.
    [[nodiscard]] static bool Start(const QStringList& command, qint64* pid);
    // The process exists and has not ended (a zombie has ended).
    [[nodiscard]] static bool IsRunning(qint64 pid);
    // The full path of a process's executable, empty when it cannot be read.
    [[nodiscard]] static QString ExecutableOf(qint64 pid);
    // Every process running `executable` (compared by resolved path).
    [[nodiscard]] static QList<qint64> FindByExecutable(const QString& executable);
    // The program's full path, looked up in PATH when it has no folder.
    [[nodiscard]] static QString ResolveProgram(const QString& program);
    // SIGTERM, or SIGKILL when `force`; false when the signal could not be sent.
    [[nodiscard]] static bool Signal(qint64 pid, bool force);
    // Waits up to `milliseconds` for the process to end; true when it did.
    [[nodiscard]] static bool WaitForExit(qint64 pid, int milliseconds);
};

}  // namespace nbr
