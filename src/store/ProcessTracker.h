#pragma once
// The programs that opened decrypted copies: started here and tracked, or
// found already running when the copy was handed to them. At the end they
// are asked to close; a forced close is only ever explicit.

#include "platform/Status.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace nbr {

struct TrackedProcess {
    QString name;        // the opened document, or the program for one found running
    qint64 pid = 0;
    bool startedHere = false;
};

class ProcessTracker {
public:
    ~ProcessTracker() = default;

    // Opens `file` with the desktop's default program for it. The program is
    // ready when it still runs after the settle time; one that ended by then
    // handed the file to an instance already running, which is tracked
    // instead. No program for the file: the status of "no association" (31).
    [[nodiscard]] Status OpenWithAssociatedProgram(const QString& file, const QStringList& parameters, bool track,
                                                   bool hidden, const void* owner);
    [[nodiscard]] static bool FindRunningInstances(const QString& programPath, QList<TrackedProcess>* found);
    [[nodiscard]] static qint64 GetProcessIdOf(qint64 process) { return process > 0 ? process : -1; }
    // Asks the process to end and waits up to 5 s; `force` kills it then.
    [[nodiscard]] static bool CloseProgram(qint64 pid, bool force);
    bool CloseAll(bool force);

    [[nodiscard]] const QList<TrackedProcess>& Records() const { return records_; }
    // Test seam: how long a started program gets to settle.
    static void SetSettleTime(int milliseconds);

private:
    QList<TrackedProcess> records_;
};

}  // namespace nbr
