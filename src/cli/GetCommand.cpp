#include "cli/GetCommand.h"

#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "cli/CliArguments.h"
#include "cli/CliContext.h"
#include "cli/ErrorCounter.h"
#include "cli/ExitCode.h"
#include "cli/KeyFileSession.h"
#include "cli/TransferCommand.h"
#include "platform/FileSystem.h"
#include "platform/InterruptSignal.h"
#include "platform/NativePath.h"
#include "store/CopyToTempThread.h"
#include "store/EncryptedStore.h"

#include <QDir>
#include <QFileInfo>

namespace nbr::cli {

QString GetCommand::Help() const
{
    return QStringLiteral(
        "Decrypts stored files and folders into a host folder (default: the current\n"
        "folder) under their display names, with their times and attributes. Asks\n"
        "before replacing a host file or merging into a host folder of the same name.\n"
        "  --to DIR      the host folder to decrypt into\n"
        "  --overwrite   replace and merge without asking\n"
        "  --skip        leave existing items alone without asking");
}

int GetCommand::Check(CliContext& context, const CliArguments& args)
{
    if (const int code = TransferCommand::CheckAnswers(context, Name(), args); code != kExitSuccess)
        return code;
    to_ = QFileInfo(args.Has(QStringLiteral("--to")) ? args.Value(QStringLiteral("--to")) : QDir::currentPath())
              .absoluteFilePath();
    bool isFolder = false;
    if (Failed(FileSystem::Kind(to_, &isFolder)))
        return context.Error(context.Text(msg::kCliNoSuchHostFile, {to_}));
    if (!isFolder)
        return context.Error(context.Text(msg::kCliNotAFolder, {to_}));
    return kExitSuccess;
}

int GetCommand::Work(CliContext& context, const CliArguments& args, KeyFileSession& session)
{
    const QString& to = to_;
    EncryptedStore& store = session.Store();
    int exitCode = kExitSuccess;
    QStringList sources;
    for (const QString& path : args.Rest()) {
        QString stored;
        ManifestEntry entry;
        if (const int code = session.Find(store, path, &stored, &entry); code != kExitSuccess)
            exitCode = code;
        else if (entry.id == 0)
            exitCode = context.Error(context.Text(msg::kCliNotFound, {path}));
        else
            sources << stored;
    }
    if (sources.isEmpty())
        return exitCode;
    const QString destination = to.endsWith(NativePath::kSeparator) ? to : to + NativePath::kSeparator;
    // The worker goes on past an item it cannot decrypt (an unsafe name, a
    // missing file) after saying so in a box, and every failure it ends with
    // has had its box; the boxes tell the outcome.
    ErrorCounter errors(MessageBox::Installed());
    const int code = TransferCommand::Run(context, args, false, [&](IProgressDlg* progress) {
        return std::make_unique<CopyToTempThread>(progress, store, sources, destination, context.languages);
    });
    if (errors.Count() > 0 && !InterruptSignal::Raised())
        return context.Error(context.Text(msg::kCliNotAllDecrypted, {errors.Count()}));
    return code != kExitSuccess ? code : exitCode;
}

}  // namespace nbr::cli
