#include "cli/RecoverCommand.h"

#include "app/KeyFileJobs.h"
#include "base/MessageIds.h"
#include "cli/CliArguments.h"
#include "cli/CliContext.h"
#include "cli/ExitCode.h"
#include "cli/KeyFileSession.h"
#include "security/KeyFileLayout.h"
#include "security/Password.h"
#include "security/PasswordRules.h"
#include "security/SecurityStatus.h"

namespace nbr::cli {

QString RecoverCommand::Help() const
{
    return QStringLiteral(
        "Sets a new password with the recovery key (see \"recovery-key\"), when the\n"
        "password is forgotten. Asks for the recovery key (from the terminal without\n"
        "echo, or the first line of standard input), then the new password twice (or\n"
        "reads it from --password-file). A mistyped key is refused without counting;\n"
        "a well-formed key that does not open the store counts as a failed login, as\n"
        "a wrong password does. A store that was wiped has nothing to recover.\n"
        "  --hint TEXT   a new password hint of at most 249 characters (default:\n"
        "                keep the current one)");
}

int RecoverCommand::Check(CliContext& context, const CliArguments& args)
{
    if (!args.Has(QStringLiteral("--hint")))
        return kExitSuccess;
    return CheckHint(context, args.Value(QStringLiteral("--hint")));
}

int RecoverCommand::Work(CliContext& context, const CliArguments& args, KeyFileSession& session)
{
    QString hint = args.Value(QStringLiteral("--hint"));
    if (!args.Has(QStringLiteral("--hint")))
        (void)session.Properties().ReadString(KeyFileLayout::kSlotHint, &hint);

    // Everything is read and checked before the attempt counts: a new
    // password the rules refuse must not cost one of the ten.
    LockedByteBlock key;
    if (const int code = session.ReadRecoveryKey(&key); code != kExitSuccess)
        return code;
    Password password;
    Password confirmation;
    const bool fromFile = !context.passwordFile.isEmpty();
    if (int code = session.ReadPassword(context.Text(msg::kCliNewPasswordPrompt), fromFile, &password);
        code != kExitSuccess)
        return code;
    if (fromFile)
        confirmation = password;
    else if (int code = session.ReadPassword(context.Text(msg::kCliConfirmPrompt), false, &confirmation);
             code != kExitSuccess)
        return code;
    const PasswordVerdict verdict = PasswordRules::CheckNew(password.View(), confirmation.View(), Utf16View(hint));
    if (!verdict.valid) {
        return context.Error(verdict.argument >= 0 ? context.Text(verdict.messageId, {verdict.argument})
                                                   : context.Text(verdict.messageId));
    }

    if (const int code = session.LoginWithRecoveryKey(key); code != kExitSuccess)
        return code;
    return session.ApplyPasswordChange(session.Session().IsHardened(), [&] {
        return session.Session().SetRecoveredPassword(password, confirmation, hint);
    });
}

}  // namespace nbr::cli
