#include "cli/AddCommand.h"

#include "base/DropFileList.h"
#include "base/MessageIds.h"
#include "cli/CliArguments.h"
#include "cli/CliContext.h"
#include "cli/ExitCode.h"
#include "cli/KeyFileSession.h"
#include "cli/TransferCommand.h"
#include "platform/FileSystem.h"
#include "store/CopyToDeviceThread.h"
#include "store/EncryptedStore.h"
#include "store/StoreStatus.h"

#include <QFileInfo>

namespace nbr::cli {

QString AddCommand::Help() const
{
    return QStringLiteral(
        "Encrypts host files and folders into the store (default: its top folder).\n"
        "Asks before replacing a stored file or merging into a stored folder of the\n"
        "same name. Ctrl+C cancels cleanly: nothing half-written stays behind.\n"
        "  --to PATH     the stored folder to add to; missing folders are created\n"
        "  --overwrite   replace and merge without asking\n"
        "  --skip        leave existing items alone without asking");
}

int AddCommand::Run(CliContext& context, const QStringList& arguments)
{
    CliArguments args(ValueOptions(), Flags());
    bool fixed = false;
    bool yes = false;
    if (!TransferCommand::ParseArguments(context, Name(), arguments, &args, &fixed, &yes))
        return kExitUsage;

    int exitCode = kExitSuccess;
    QStringList paths;
    for (const QString& path : args.Rest()) {
        const QString absolute = QFileInfo(path).absoluteFilePath();
        if (FileSystem::Exists(absolute))
            paths << absolute;
        else if (path.contains(QChar::ReplacementCharacter))
            exitCode = context.Error(context.Text(msg::kNameNotUtf8, {path}));
        else
            exitCode = context.Error(context.Text(msg::kCliNoSuchHostFile, {path}));
    }
    if (paths.isEmpty())
        return exitCode;

    KeyFileSession session(context);
    if (const int code = session.UnlockStore(); code != kExitSuccess)
        return code;
    EncryptedStore& store = session.Store();
    QString target;
    if (args.Has(QStringLiteral("--to"))) {
        const QString to = args.Value(QStringLiteral("--to"));
        // An existing folder is found whatever its name; only new ones must
        // pass the rule for typed names.
        const Status s = store.EnsureStoreFolders(QString(), to, &target);
        if (s == E_STORE_ITEM_EXISTS)
            return context.Error(context.Text(msg::kCliNotAFolder, {to}));
        if (Failed(s))
            return context.StatusError(s, to);
    }
    const int code = TransferCommand::Run(context, fixed, yes, false, [&](IProgressDlg* progress) {
        return std::make_unique<CopyToDeviceThread>(progress, store, DropFileList(paths), target, context.languages);
    });
    return code != kExitSuccess ? code : exitCode;
}

}  // namespace nbr::cli
