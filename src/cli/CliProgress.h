#pragma once
// A progress dialog for nimbra-cli: the worker-facing progress of the core,
// drawn as the terminal's progress line (job, percentage, current item).

#include "base/HeadlessProgress.h"
#include "cli/TerminalProgress.h"

#include <QString>

#include <atomic>

namespace nbr::cli {

struct CliContext;

class CliProgress {
public:
    explicit CliProgress(CliContext& context);
    ~CliProgress();
    CliProgress(const CliProgress&) = delete;
    CliProgress& operator=(const CliProgress&) = delete;

    [[nodiscard]] HeadlessProgress& Dialog() { return dialog_; }
    // From now on each new text of the first line (what the work is waiting
    // for) is also written to standard error as a line of its own, unless
    // quiet: the progress line shows only on a terminal, and a wait that
    // lasts must be explained in a log too.
    void ShowNotices() { notices_ = !quiet_; }

private:
    HeadlessProgress dialog_;
    TerminalProgress line_;
    CliContext& context_;
    bool quiet_;
    std::atomic<bool> notices_ {false};
    QString lastNotice_;
};

}  // namespace nbr::cli
