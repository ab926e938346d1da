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
    // --overwrite and --skip exclude each other: the usage error, printed,
    // as an exit code.
    [[nodiscard]] static int CheckAnswers(CliContext& context, const QString& command, const CliArguments& args);
    using Make = std::function<std::unique_ptr<TransferThread>(IProgressDlg* progress)>;
    // Runs the worker `make` builds behind the progress line until it ends,
    // with the questions answered as --overwrite or --skip say; returns the
    // exit code. `showFailure`: the worker leaves its final error to its caller.
    [[nodiscard]] static int Run(CliContext& context, const CliArguments& args, bool showFailure, const Make& make);
};

}  // namespace nbr::cli
