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

int AddCommand::Check(CliContext& context, const CliArguments& args)
{
    if (const int code = TransferCommand::CheckAnswers(context, Name(), args); code != kExitSuccess)
        return code;
    // Host files that are not there are named before the password is asked;
    // the others still go in.
    missing_ = kExitSuccess;
    paths_.clear();
    for (const QString& path : args.Rest()) {
        const QString absolute = QFileInfo(path).absoluteFilePath();
        if (FileSystem::Exists(absolute))
            paths_ << absolute;
        else if (path.contains(QChar::ReplacementCharacter))
            missing_ = context.Error(context.Text(msg::kNameNotUtf8, {path}));
        else
            missing_ = context.Error(context.Text(msg::kCliNoSuchHostFile, {path}));
    }
    return paths_.isEmpty() ? missing_ : kExitSuccess;
}

int AddCommand::Work(CliContext& context, const CliArguments& args, KeyFileSession& session)
{
    EncryptedStore& store = session.Store();
    QString target;
    if (args.Has(QStringLiteral("--to"))) {
        const QString to = args.Value(QStringLiteral("--to"));
        // An existing folder is found whatever its name; only new ones must
        // pass the rule for typed names.
        const Status s = store.EnsureStoreFolders(QString(), CliArguments::StorePath(to), &target);
        if (s == E_STORE_ITEM_EXISTS)
            return context.Error(context.Text(msg::kCliNotAFolder, {to}));
        if (Failed(s))
            return context.StatusError(s, to);
    }
    const int code = TransferCommand::Run(context, args, false, [&](IProgressDlg* progress) {
        return std::make_unique<CopyToDeviceThread>(progress, store, DropFileList(paths_), target, context.languages);
    });
    return code != kExitSuccess ? code : missing_;
}

}  // namespace nbr::cli
