#include "cli/WipeCommand.h"

#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "cli/CliArguments.h"
#include "cli/CliContext.h"
#include "cli/ExitCode.h"
#include "cli/KeyFileSession.h"

namespace nbr::cli {

QString WipeCommand::Help() const
{
    return QStringLiteral(
        "Destroys the key and every file in the encrypted store, as the reset of the\n"
        "login does when the password is lost. Asks first; this cannot be undone.\n"
        "No password is needed. The next \"init\" sets up a new store.\n"
        "  --yes   do not ask");
}

int WipeCommand::Work(CliContext& context, const CliArguments& args, KeyFileSession& session)
{
    if (!args.Has(QStringLiteral("--yes"))) {
        const std::uint32_t answer = ShowMessageBox(nullptr, context.Text(msg::kCaptionNotice),
                                                    context.Text(msg::kQuestionReset), mb::kYes | mb::kNo,
                                                    mb::kIconWarning);
        if (MessageBox::ButtonOf(answer) != mb::kIdYes)
            return Declined(context);
    }
    if (!session.Wipe(context.Text(msg::kTitleDeleting)))
        return context.Error(context.Text(msg::kResetFailed));
    if (!context.quiet)
        context.out << context.Text(msg::kResetDone) << '\n';
    return kExitSuccess;
}

}  // namespace nbr::cli
