#include "cli/TransferCommand.h"

#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "cli/CliArguments.h"
#include "cli/CliContext.h"
#include "cli/CliProgress.h"
#include "cli/ExitCode.h"
#include "cli/FixedAnswers.h"
#include "platform/InterruptSignal.h"
#include "store/StoreStatus.h"
#include "store/TransferThread.h"

namespace nbr::cli {

bool TransferCommand::ParseArguments(CliContext& context, const QString& command, const QStringList& arguments,
                                     CliArguments* args, bool* fixed, bool* yes)
{
    const bool parsed = args->Parse(arguments);
    const bool overwrite = args->Has(QStringLiteral("--overwrite"));
    const bool skip = args->Has(QStringLiteral("--skip"));
    *fixed = overwrite || skip;
    *yes = overwrite;
    if (!parsed || args->Rest().isEmpty() || (overwrite && skip)) {
        (void)context.ArgumentsError(*args, command);
        return false;
    }
    return true;
}

int TransferCommand::Run(CliContext& context, bool fixed, bool yes, bool showFailure, const Make& make)
{
    InterruptSignal::Install();
    FixedAnswers answers(MessageBox::Installed(), fixed, yes);
    CliProgress progress(context);
    progress.Dialog().SetCancelable(true);
    progress.Dialog().SetSecondBar(true);
    progress.Dialog().SetCancelFlag(&InterruptSignal::Flag());
    const std::unique_ptr<TransferThread> worker = make(&progress.Dialog());
    worker->Start();
    progress.Dialog().RunModal(worker->Thread(), false);
    const Status status = worker->GetStatus();
    if (InterruptSignal::Raised()) {
        context.err << context.Text(msg::kCliCancelled) << '\n';
        return kExitCancelled;
    }
    // The worker has shown its errors already; what is left is the outcome.
    if (status == E_STORE_ITEM_EXISTS) {
        context.err << context.Text(msg::kCliSkipped) << '\n';
        return kExitCancelled;
    }
    if (Failed(status) && showFailure)
        return context.StatusError(status);
    return Failed(status) ? kExitFailure : kExitSuccess;
}

}  // namespace nbr::cli
