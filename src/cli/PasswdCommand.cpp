#include "cli/PasswdCommand.h"

#include "app/KeyFileJobs.h"
#include "base/MessageIds.h"
#include "cli/CliArguments.h"
#include "cli/CliContext.h"
#include "cli/ExitCode.h"
#include "cli/InitCommand.h"
#include "cli/KeyFileSession.h"
#include "security/KeyFileLayout.h"
#include "security/Password.h"
#include "security/PasswordRules.h"
#include "security/SecurityStatus.h"

namespace nbr::cli {

QString PasswdCommand::Help() const
{
    return QStringLiteral(
        "Changes the password. Asks for the current password (a failed try counts\n"
        "towards the limit of ten), then the new one twice. Only the master key is\n"
        "wrapped anew: stored files stay as they are. A hardened key file stays\n"
        "hardened.\n"
        "  --hint TEXT   a new password hint of at most 249 characters (default:\n"
        "                keep the current one)\n"
        "  --harden      keep the password and harden the key file against password\n"
        "                guessing (Argon2id, tuned here to about a second and at least\n"
        "                64 MiB; at most 1 GiB); the stick then opens only in Nimbra.\n"
        "                On a hardened key file, tunes it anew for this computer\n"
        "  --no-harden   keep the password and go back to the plain key file");
}

int PasswdCommand::Check(CliContext& context, const CliArguments& args)
{
    if (args.Has(QStringLiteral("--harden")) && args.Has(QStringLiteral("--no-harden")))
        return context.UsageError(context.Text(msg::kCliHardenBoth));
    // Refused before the login, which changes the counter.
    if (!args.Has(QStringLiteral("--hint")))
        return kExitSuccess;
    return CheckHint(context, args.Value(QStringLiteral("--hint")));
}

int PasswdCommand::Work(CliContext& context, const CliArguments& args, KeyFileSession& session)
{
    const bool newHint = args.Has(QStringLiteral("--hint"));
    QString hint = args.Value(QStringLiteral("--hint"));
    if (!newHint)
        (void)session.Properties().ReadString(KeyFileLayout::kSlotHint, &hint);

    // The current password goes through the login steps: the attempt counts.
    Password current;
    if (const int code = session.Login(context.Text(msg::kCliCurrentPasswordPrompt), &current); code != kExitSuccess)
        return code;

    const Protection protection = args.Has(QStringLiteral("--harden"))      ? Protection::Hardened
                                  : args.Has(QStringLiteral("--no-harden")) ? Protection::Plain
                                                                            : Protection::Keep;
    // A change of the protection alone keeps the password.
    Password password;
    Password confirmation;
    if (protection == Protection::Keep) {
        if (int code = session.ReadPassword(context.Text(msg::kCliNewPasswordPrompt), false, &password);
            code != kExitSuccess)
            return code;
        if (int code = session.ReadPassword(context.Text(msg::kCliConfirmPrompt), false, &confirmation);
            code != kExitSuccess)
            return code;
    }
    const int code = session.ApplyPasswordChange(
        session.Session().IsHardened() || protection == Protection::Hardened,
        [&] { return session.Session().ChangePassword(current, password, confirmation, hint, protection); });
    if (code != kExitSuccess)
        return code;
    if (protection != Protection::Keep)
        InitCommand::SayProtection(context, session);
    return kExitSuccess;
}

}  // namespace nbr::cli
