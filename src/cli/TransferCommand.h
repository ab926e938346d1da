#pragma once
// What add and get share: the answers of --overwrite and --skip, the
// progress line, Ctrl+C as a clean cancel, and the exit code of a transfer.

#include "platform/Status.h"

#include <QString>

#include <functional>
#include <memory>

namespace nbr {
class IProgressDlg;
class TransferThread;
}

namespace nbr::cli {

class CliArguments;
struct CliContext;

class TransferCommand {
public:
    // Parses --to, --overwrite and --skip with at least one path; false
    // (the usage error printed) when they do not fit.
    [[nodiscard]] static bool ParseArguments(CliContext& context, const QString& command, const QStringList& arguments,
                                             CliArguments* args, bool* fixed, bool* yes);
    using Make = std::function<std::unique_ptr<TransferThread>(IProgressDlg* progress)>;
    // Runs the worker `make` builds behind the progress line until it ends;
    // returns the exit code. `showFailure`: the worker leaves its final error
    // to its caller.
    [[nodiscard]] static int Run(CliContext& context, bool fixed, bool yes, bool showFailure, const Make& make);
};

}  // namespace nbr::cli
