#pragma once
// Runs a job whose progress cannot be measured on a thread of its own, and
// keeps a progress sink moving with a bar that creeps towards the end while
// the job runs and fills once it is over. The job's exit code 0 is success.

#include "base/OwnedThread.h"

#include <QThread>

#include <atomic>
#include <cstdint>
#include <functional>

namespace nbr {

class IProgress;

class ProgressWorker {
public:
    using Work = std::function<int()>;

    explicit ProgressWorker(std::uint32_t steps = 100) : steps_(steps) {}
    void SetSteps(std::uint32_t steps) { steps_ = steps; }

    // Starts the driver thread, which owns the sink's reports and runs `work`
    // on a second thread. Returns once the driver has started the work; the
    // caller owns the driver (run the dialog modally with it; letting go of
    // it waits for it). None when the sink is missing or a start is under way.
    [[nodiscard]] OwnedThread Start(Work work, IProgress* sink);
    [[nodiscard]] int ExitCode() const { return exitCode_.load(); }

private:
    void Drive(QThread* job, IProgress* sink);

    std::uint32_t steps_;
    std::atomic<bool> busy_ {false};
    std::atomic<int> exitCode_ {-1};
};

}  // namespace nbr
