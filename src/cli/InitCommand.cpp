#include "cli/InitCommand.h"

#include "base/MessageIds.h"
#include "cli/CliArguments.h"
#include "cli/CliContext.h"
#include "cli/ExitCode.h"
#include "cli/KeyFileSession.h"
#include "security/Password.h"
#include "security/PasswordRules.h"
#include "security/SecurityStatus.h"
#include "store/StoreStatus.h"

namespace nbr::cli {

QString InitCommand::Help() const
{
    return QStringLiteral(
        "Sets up the encrypted store on the volume: creates \"Encrypted Data\" and the\n"
        "key file, with a new random master key under your password. The password is\n"
        "asked twice (or read from --password-file); it needs at least 6 characters.\n"
        "  --hint TEXT   a reminder of the password, shown by \"hint\", of at most\n"
        "                249 characters; it must not give the password away\n"
        "  --harden      harden the key file against password guessing: the password\n"
        "                is stretched with Argon2id, tuned here to about a second and\n"
        "                at least 64 MiB for every check (at most 1 GiB). A copied key\n"
        "                file then resists guessing far longer; the stick opens only in\n"
        "                Nimbra. \"passwd --no-harden\" undoes it");
}

int InitCommand::Check(CliContext& context, const CliArguments& args)
{
    // Refused before the store folder and the key file are made.
    return CheckHint(context, args.Value(QStringLiteral("--hint")));
}

int InitCommand::Work(CliContext& context, const CliArguments& args, KeyFileSession& session)
{
    const QString hint = args.Value(QStringLiteral("--hint"));
    if (!session.IsSetUp() && session.Session().HoldsItems())
        return context.StatusError(E_STORE_HOLDS_ITEMS);
    if (session.IsSetUp())
        return context.Error(context.Text(msg::kCliAlreadySetUp, {context.root}));

    Password password;
    Password confirmation;
    const bool fromFile = !context.passwordFile.isEmpty();
    if (int code = session.ReadPassword(context.Text(msg::kCliPasswordPrompt), fromFile, &password); code != kExitSuccess)
        return code;
    if (fromFile)
        confirmation = password;
    else if (int code = session.ReadPassword(context.Text(msg::kCliConfirmPrompt), false, &confirmation);
             code != kExitSuccess)
        return code;

    const PasswordVerdict verdict = PasswordRules::CheckNew(
        password.View(), confirmation.View(), Utf16View(hint));
    if (!verdict.valid) {
        return context.Error(verdict.argument >= 0 ? context.Text(verdict.messageId, {verdict.argument})
                                                   : context.Text(verdict.messageId));
    }
    const bool harden = args.Has(QStringLiteral("--harden"));
    Status s = S_OK;
    const auto setup = [&] { s = session.Session().Setup(password, hint, harden); };
    if (harden)
        session.RunBusy(context.Text(msg::kTitleProtectingKey), setup);
    else
        setup();
    if (Failed(s))
        return context.StatusError(s);
    if (!session.Save())
        return context.StatusError(E_SAVE_FAILED);
    if (!context.quiet)
        context.out << context.Text(msg::kCliStoreCreated, {session.StoreFolder()}) << '\n';
    if (harden)
        SayProtection(context, session);
    return kExitSuccess;
}

void InitCommand::SayProtection(CliContext& context, KeyFileSession& session)
{
    if (context.quiet)
        return;
    Argon2id::Cost cost;
    if (session.Params().IsHardened(&cost))
        context.out << context.Text(msg::kCliProtectionHardened,
                                    {static_cast<int>(cost.memoryKiB / 1024), static_cast<int>(cost.passes),
                                     static_cast<int>(cost.lanes)})
                    << '\n';
    else
        context.out << context.Text(msg::kCliProtectionPlain) << '\n';
}

}  // namespace nbr::cli
