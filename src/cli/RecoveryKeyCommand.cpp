#include "cli/RecoveryKeyCommand.h"

#include "base/MessageIds.h"
#include "cli/CliContext.h"
#include "cli/ExitCode.h"
#include "cli/KeyFileSession.h"
#include "security/RecoveryKey.h"
#include "security/SecParams.h"

namespace nbr::cli {

QString RecoveryKeyCommand::Help() const
{
    return QStringLiteral(
        "Asks for the password (a failed try counts towards the limit of ten), then\n"
        "writes the recovery key to standard output: 56 letters and digits in groups\n"
        "of four. With it, \"recover\" sets a new password when this one is forgotten.\n"
        "It is the master key itself: whoever holds it opens every stored file, so\n"
        "keep it apart from the stick (print it: nimbra-cli recovery-key | lp). It\n"
        "cannot bring back a store that was wiped.");
}

int RecoveryKeyCommand::Work(CliContext& context, const CliArguments&, KeyFileSession& session)
{
    if (const int code = session.Login(context.Text(msg::kCliPasswordPrompt)); code != kExitSuccess)
        return code;
    QString text;
    const Status s = RecoveryKey::Format(session.Params().GetMasterKey(), &text);
    if (Failed(s))
        return context.StatusError(s);
    if (!context.quiet) {
        context.err << context.Text(msg::kRecoveryKeyIntro) << '\n';
        context.err.flush();
    }
    context.out << text << '\n';
    context.out.flush();
    text.fill(QLatin1Char('0'));
    return kExitSuccess;
}

}  // namespace nbr::cli
