#include "cli/MkdirCommand.h"

#include "base/MessageIds.h"
#include "cli/CliArguments.h"
#include "cli/CliContext.h"
#include "cli/ExitCode.h"
#include "cli/KeyFileSession.h"
#include "store/EncryptedStore.h"
#include "store/StoreStatus.h"

namespace nbr::cli {

QString MkdirCommand::Help() const
{
    return QStringLiteral(
        "Creates a folder in the store, and every missing folder on the way to it\n"
        "(\"mkdir Photos/2026\"). Folders that exist already are fine. A folder name\n"
        "must not be empty, \".\" or \"..\", begin or end with a space, or contain\n"
        "\\ / : * ? \" < > |, or be longer than 255 characters (folders that exist already\n"
        "are found whatever their names).");
}

int MkdirCommand::Work(CliContext& context, const CliArguments& args, KeyFileSession& session)
{
    const QString path = CliArguments::StorePath(args.Rest().first());
    // "" or "/" names no folder; left to the store it would be the root,
    // which exists, and the command would succeed having made nothing.
    if (path.split(QLatin1Char('/'), Qt::SkipEmptyParts).isEmpty())
        return context.StatusError(E_STORE_BAD_NAME, QString());
    QString stored;
    const Status s = session.Store().EnsureStoreFolders(QString(), path, &stored);
    if (s == E_STORE_ITEM_EXISTS)
        return context.Error(context.Text(msg::kCliNotAFolder, {path}));  // a file is in the way
    if (s == E_STORE_BAD_NAME) {
        for (const QString& name : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            if (name.size() > EncryptedStore::kMaxNameLength)
                return context.Error(context.Text(msg::kFolderNameTooLong, {EncryptedStore::kMaxNameLength}));
        }
    }
    if (Failed(s))
        return context.StatusError(s, path);
    return kExitSuccess;
}

}  // namespace nbr::cli
