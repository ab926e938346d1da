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

int TransferCommand::CheckAnswers(CliContext& context, const QString& command, const CliArguments& args)
{
    if (args.Has(QStringLiteral("--overwrite")) && args.Has(QStringLiteral("--skip")))
        return context.ArgumentsError(args, command);
    return kExitSuccess;
}

int TransferCommand::Run(CliContext& context, const CliArguments& args, bool showFailure, const Make& make)
{
    InterruptSignal::Install();
    const bool overwrite = args.Has(QStringLiteral("--overwrite"));
    FixedAnswers answers(MessageBox::Installed(), overwrite || args.Has(QStringLiteral("--skip")), overwrite);
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
        return ExitCodeOf(E_ABORTED);
    }
    // The worker has shown its errors already; what is left is the outcome.
    // An item left alone on a "no" is reported alike whichever way the copy
    // went, though a run that copied later items ends without a failure.
    if (status == E_STORE_ITEM_EXISTS || (Succeeded(status) && worker->DeclinedAny())) {
        context.err << context.Text(msg::kCliSkipped) << '\n';
        return ExitCodeOf(E_STORE_ITEM_EXISTS);
    }
    if (Failed(status) && showFailure)
        (void)context.StatusError(status);
    return ExitCodeOf(status);
}

}  // namespace nbr::cli
