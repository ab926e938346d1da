#include "cli/StoreCommand.h"

#include "base/MessageIds.h"
#include "cli/CliArguments.h"
#include "cli/CliContext.h"
#include "cli/ExitCode.h"
#include "cli/KeyFileSession.h"
#include "security/PasswordRules.h"
#include "store/EncryptedStore.h"

namespace nbr::cli {

int StoreCommand::Run(CliContext& context, const QStringList& arguments)
{
    const Shape shape = ArgumentShape();
    CliArguments args(ValueOptions(), Flags());
    if (!args.Parse(Split(arguments)))
        return context.ArgumentsError(args, Name());
    const qsizetype count = args.Rest().size();
    if (shape.maxArguments == 0 && count > 0)
        return context.UsageError(context.Text(msg::kCliNoArguments, {Name()}));
    if (count < shape.minArguments || (shape.maxArguments != kAny && count > shape.maxArguments))
        return context.ArgumentsError(args, Name());
    if (const int code = Check(context, args); code != kExitSuccess)
        return code;

    KeyFileSession session(context);
    int code = kExitSuccess;
    switch (shape.access) {
    case Access::Create: code = session.Open(true); break;
    case Access::KeyFile: code = session.OpenExisting(); break;
    case Access::Unlocked: code = session.UnlockStore(); break;
    }
    if (code != kExitSuccess)
        return code;
    return Work(context, args, session);
}

int StoreCommand::Check(CliContext&, const CliArguments&)
{
    return kExitSuccess;
}

int StoreCommand::FindFile(CliContext& context, KeyFileSession& session, const QString& displayPath,
                           QString* storedPath)
{
    ManifestEntry entry;
    if (const int code = session.Find(session.Store(), displayPath, storedPath, &entry); code != kExitSuccess)
        return code;
    if (entry.isFolder || entry.id == 0)
        return context.Error(context.Text(msg::kCliNotAFile, {displayPath}));
    return kExitSuccess;
}

int StoreCommand::CheckHint(CliContext& context, const QString& hint)
{
    const PasswordVerdict verdict = PasswordRules::CheckHint(hint.toStdU16String());
    if (!verdict.valid)
        return context.Error(context.Text(verdict.messageId, {verdict.argument}));
    return kExitSuccess;
}

int StoreCommand::Declined(CliContext& context)
{
    context.err << context.Text(msg::kCliDeclined) << '\n';
    return ExitCodeOf(E_ABORTED);
}

}  // namespace nbr::cli
