#include "cli/RmCommand.h"

#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "cli/CliArguments.h"
#include "cli/CliContext.h"
#include "cli/CliProgress.h"
#include "cli/ExitCode.h"
#include "cli/KeyFileSession.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "store/EncryptedStore.h"

namespace nbr::cli {
namespace {

// Files and folders a deletion will go through, for the progress line.
std::uint32_t CountItems(const QString& path)
{
    QList<DirectoryEntry> entries;
    if (Failed(FileSystem::List(path, &entries)))
        return 1;
    std::uint32_t count = 1;
    for (const DirectoryEntry& entry : entries) {
        if (entry.isFolder)
            count += CountItems(NativePath::Join(path, entry.name));
        else if (!EncryptedStore::IsManifestFileName(entry.name))
            ++count;
    }
    return count;
}

}  // namespace

QString RmCommand::Help() const
{
    return QStringLiteral(
        "Deletes stored files and folders. Asks once for all of them, as the store\n"
        "pane does.\n"
        "  -r      also delete folders, with everything in them\n"
        "  --yes   do not ask");
}

int RmCommand::Work(CliContext& context, const CliArguments& args, KeyFileSession& session)
{
    EncryptedStore& store = session.Store();

    QStringList stored;
    QList<ManifestEntry> entries;
    int exitCode = kExitSuccess;
    for (const QString& path : args.Rest()) {
        QString storedPath;
        ManifestEntry entry;
        if (const int code = session.Find(store, path, &storedPath, &entry); code != kExitSuccess) {
            exitCode = code;
        } else if (entry.id == 0) {
            exitCode = context.UsageError(context.Text(msg::kCliWrongArguments, {Name()}));  // the store itself
        } else if (entry.isFolder && !args.Has(QStringLiteral("-r"))) {
            exitCode = context.Error(context.Text(msg::kCliIsFolder, {path}));
        } else {
            stored << storedPath;
            entries << entry;
        }
    }
    if (stored.isEmpty())
        return exitCode;

    if (!args.Has(QStringLiteral("--yes"))) {
        const QString question = stored.size() != 1 ? context.Text(msg::kQuestionDeleteItems, {static_cast<int>(stored.size())})
                                 : entries.first().isFolder ? context.Text(msg::kQuestionDeleteFolder, {entries.first().name})
                                                            : context.Text(msg::kQuestionDeleteFile, {entries.first().name});
        const std::uint32_t answer = ShowMessageBox(nullptr, context.Text(msg::kCaptionNotice), question,
                                                    mb::kYes | mb::kNo, mb::kIconInformation);
        if (MessageBox::ButtonOf(answer) != mb::kIdYes)
            return Declined(context);
    }

    CliProgress progress(context);
    HeadlessProgress& dialog = progress.Dialog();
    std::uint32_t total = 0;
    for (const QString& path : stored)
        total += CountItems(path);
    dialog.SetTitle(context.Text(msg::kTitleDeleting));
    dialog.Begin(total);
    if (const Status s = store.DeleteStoreItems(stored, &dialog); Failed(s)) {
        dialog.End(false);
        return context.StatusError(s);
    }
    dialog.End(true);
    // What could not be deleted stays listed: say so.
    for (qsizetype i = 0; i < stored.size(); ++i) {
        if (FileSystem::Exists(stored.at(i)))
            exitCode = context.StatusError(StatusFromWin32(win32::kAccessDenied), entries.at(i).name);
    }
    return exitCode;
}

}  // namespace nbr::cli
