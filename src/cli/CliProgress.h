#pragma once
// A progress dialog for nimbra-cli: the worker-facing progress of the core,
// drawn as the terminal's progress line (job, percentage, current item).

#include "base/HeadlessProgress.h"
#include "cli/TerminalProgress.h"

namespace nbr::cli {

struct CliContext;

class CliProgress {
public:
    explicit CliProgress(CliContext& context);
    ~CliProgress();
    CliProgress(const CliProgress&) = delete;
    CliProgress& operator=(const CliProgress&) = delete;

    [[nodiscard]] HeadlessProgress& Dialog() { return dialog_; }

private:
    HeadlessProgress dialog_;
    TerminalProgress line_;
};

}  // namespace nbr::cli
