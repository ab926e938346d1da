#pragma once
// The programs started to open decrypted copies. Each is started in a
// session of its own and tracked as that session: a wrapper (a shell, env,
// an interpreter) that ends at once leaves the real program behind in it.
// At the end they are asked to close; a forced close is only ever explicit.
// A program that merely received the file (an instance that was already
// running) is never tracked and never signalled: it may hold other work.

#include "platform/Status.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace nbr {

struct ProcessIdentity;

struct TrackedProcess {
    QString name;        // the opened document, or the program for one found running
    qint64 pid = 0;      // started here: also the id of the session it leads
    bool startedHere = false;
};

class ProcessTracker {
public:
    ProcessTracker() = default;
    ~ProcessTracker();
    ProcessTracker(const ProcessTracker&) = delete;
    ProcessTracker& operator=(const ProcessTracker&) = delete;

    // Opens `file` with the desktop's default program for it. The program is
    // ready when something of its session still runs after the settle time;
    // a launch that ended by then handed the file to an instance already
    // running, which is left alone. No program for the file: the status of
    // "no association" (31).
    [[nodiscard]] Status OpenWithAssociatedProgram(const QString& file, const QStringList& parameters, bool track,
                                                   bool hidden, const void* owner);
    // The processes running an executable, for display; never signalled.
    [[nodiscard]] static bool FindRunningInstances(const QString& programPath, QList<TrackedProcess>* found);
    [[nodiscard]] static qint64 GetProcessIdOf(qint64 process) { return process > 0 ? process : -1; }
    // Asks the process to end and waits up to 5 s; `force` kills it then.
    // Nothing is sent once the id belongs to another process.
    [[nodiscard]] static bool CloseProgram(const ProcessIdentity& process, bool force);
    // Asks everything each tracked launch left running to end (and kills
    // what is left after 5 s when `force`), then forgets the launches.
    bool CloseAll(bool force);
    // Some process of a tracked launch still runs.
    [[nodiscard]] bool IsAnyRunning() const;

    [[nodiscard]] const QList<TrackedProcess>& Records() const { return records_; }
    // Test seam: how long a started program gets to settle.
    static void SetSettleTime(int milliseconds);

private:
    QList<TrackedProcess> records_;
};

}  // namespace nbr
