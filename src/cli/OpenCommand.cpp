#include "cli/OpenCommand.h"

#include "base/ErrorText.h"
#include "base/MessageIds.h"
#include "cli/CliArguments.h"
#include "cli/CliContext.h"
#include "cli/CliProgress.h"
#include "cli/ExitCode.h"
#include "cli/KeyFileSession.h"
#include "cli/TerminalMessageBox.h"
#include "platform/InterruptSignal.h"
#include "platform/NativePath.h"
#include "platform/Terminal.h"
#include "store/EncryptedStore.h"
#include "store/OpenedFileList.h"
#include "store/StoreStatus.h"

#include <QThread>


namespace nbr::cli {
namespace {

// Test seam: "SETTLE_MS,LIMIT_MS" shortens the wait for copies to settle.
constexpr const char* kSettleEnvironment = "NIMBRA_OPEN_SETTLE";

void ApplySettleSeam()
{
    const QStringList values = qEnvironmentVariable(kSettleEnvironment).split(QLatin1Char(','));
    bool settleOk = false;
    bool limitOk = false;
    const int settle = values.value(0).toInt(&settleOk);
    const int limit = values.value(1).toInt(&limitOk);
    if (values.size() == 2 && settleOk && limitOk && settle >= 0 && limit >= 0) {
        OpenedFileList::SetSettleTimes(settle, limit);
        TerminalMessageBox::SetUnattendedRetryLimit(limit / 1000 + 1);
    }
}

// A clean-up of the launch folder, behind the progress line; what it could
// not wait for is named (each kept copy, and the failure of anything else).
int CleanUp(CliContext& context, OpenedFileList& opened)
{
    CliProgress progress(context);
    progress.ShowNotices();
    progress.Dialog().SetTitle(context.Text(msg::kTitleClosing));
    progress.Dialog().SetOwnerThread(QThread::currentThreadId());
    progress.Dialog().Begin(0);
    const Status cleaned = opened.CleanUpLaunchFolder(&progress.Dialog());
    progress.Dialog().End(Succeeded(cleaned));
    for (const QString& kept : opened.KeptCopies())
        (void)context.Error(context.Text(msg::kCopyKept, {kept}));
    if (Failed(cleaned) && cleaned != E_STORE_COPIES_KEPT)
        return context.Error(context.Text(msg::kClosingFailed), FormatErrorText(context.languages, cleaned));
    return opened.KeptCopies().isEmpty() ? kExitSuccess : kExitFailure;
}

}  // namespace

QString OpenCommand::Help() const
{
    return QStringLiteral(
        "Decrypts a stored file into the launch folder \"LaunchBin\" on the stick, opens\n"
        "it in the program the desktop associates with it and waits for that program\n"
        "to end (or for Enter, when the file went to a program that was already\n"
        "running). Then a changed file is encrypted back in place of the stored one,\n"
        "files saved next to it are stored too, and the launch folder is wiped.\n"
        "Before that, every file there must settle: no process holds it open for\n"
        "writing and it has not changed for two seconds (a program may have handed\n"
        "the file to a process that outlives it). The wait lasts a minute at most;\n"
        "a file still being written then stays in the launch folder, is named, and\n"
        "the command ends with exit code 1.\n"
        "A launch folder that an earlier open left behind is cleaned up first.");
}

int OpenCommand::Work(CliContext& context, const CliArguments& args, KeyFileSession& session)
{
    EncryptedStore& store = session.Store();
    QString stored;
    if (const int code = FindFile(context, session, args.Rest().first(), &stored); code != kExitSuccess)
        return code;
    QString display;
    ManifestEntry entry;
    (void)store.Resolve(CliArguments::StorePath(args.Rest().first()), &stored, &entry, &display);  // the names as stored

    const QString launch = OpenedFileList::LaunchFolderOf(context.root);
    OpenedFileList opened(store, launch, context.languages);
    // Ctrl+C from here on ends the command through its clean-up: a
    // decrypted copy must never be left behind by an interrupt.
    InterruptSignal::Install();
    ApplySettleSeam();
    // What an earlier open left behind is dealt with first: decrypting over
    // it would lose the edits it may hold.
    if (opened.HasLeftovers()) {
        if (!context.quiet)
            context.err << context.Text(msg::kUncleanShutdown) << '\n' << Qt::flush;
        if (const int code = CleanUp(context, opened); code != kExitSuccess)
            return code;
    }
    {
        CliProgress progress(context);
        progress.Dialog().SetTitle(context.Text(msg::kMenuOpen));
        const Status s = opened.OpenStoredItem(stored, display, &progress.Dialog());
        if (s == E_STORE_BAD_NAME)
            return context.Error(context.Text(msg::kUnsafeStoredName, {display}));
        if (Failed(s)) {
            const int code = context.StatusError(s, display);
            (void)opened.CleanUpLaunchFolder(nullptr);
            return code;
        }
    }

    // Wait for the program, as the window waits for its own end.
    if (InterruptSignal::Raised()) {
        // Interrupted while decrypting: straight to the clean-up.
    } else if (opened.Programs().IsAnyRunning()) {
        if (!context.quiet)
            context.err << context.Text(msg::kCliWaitingForProgram) << '\n' << Qt::flush;
        // Everything the program started counts: a launcher that ended at
        // once may have left the real program running.
        while (opened.Programs().IsAnyRunning() && !InterruptSignal::Raised())
            QThread::msleep(200);
    } else if (Terminal::IsTerminal(Terminal::kInput)) {
        context.err << context.Text(msg::kCliPressEnter) << '\n' << Qt::flush;
        (void)Terminal::WaitForEnter(Terminal::kInput, InterruptSignal::Flag());
    }

    return CleanUp(context, opened);
}

}  // namespace nbr::cli
