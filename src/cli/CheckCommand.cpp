#include "cli/CheckCommand.h"

#include "base/ErrorText.h"
#include "base/MessageIds.h"
#include "cli/CliArguments.h"
#include "cli/CliContext.h"
#include "cli/ExitCode.h"
#include "cli/KeyFileSession.h"
#include "store/EncryptedStore.h"
#include "store/OpenedFileList.h"
#include "store/StoreRepair.h"

namespace nbr::cli {
namespace {

// A crafted list can hold names with terminal controls: shown escaped.
QString Printable(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || (c.unicode() >= 0x80 && c.unicode() < 0xA0))
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

int MessageOf(StoreRepair::Finding finding)
{
    using F = StoreRepair::Finding;
    switch (finding) {
    case F::ListDamaged: return msg::kCliCheckManifestDamaged;
    case F::ListLost: return msg::kCliCheckManifestLost;
    case F::Missing: return msg::kCliCheckMissing;
    case F::WrongKind: return msg::kCliCheckWrongKind;
    case F::BadKey: return msg::kCliCheckBadKey;
    case F::FileDamaged: return msg::kCliCheckFileDamaged;
    case F::UnsafeName: return msg::kCliCheckUnsafeName;
    case F::Unlisted: return msg::kCliCheckLeftover;
    case F::InterruptedWrite: return msg::kCliCheckInterruptedWrite;
    case F::Foreign: return msg::kCliCheckForeignFile;
    case F::InterruptedDeletion: return msg::kCliCheckInterruptedDeletion;
    case F::Unrecoverable: return msg::kCliCheckUnrecoverable;
    case F::Incomplete: return msg::kCliCheckIncomplete;
    }
    return msg::kCliCheckLeftover;
}

class Checker {
public:
    explicit Checker(CliContext& context) : context_(context) {}

    void Take(const StoreRepair::Report& report)
    {
        if (report.finding == StoreRepair::Finding::Unlisted && report.repaired) {
            Problem(context_.Text(msg::kCliCheckRecoveredAs, {Printable(report.where), Printable(report.detail)}), true);
            return;
        }
        if (report.finding == StoreRepair::Finding::Unrecoverable && report.repaired) {
            Problem(context_.Text(msg::kCliCheckSetAside, {Printable(report.where), Printable(report.detail)}), true);
            return;
        }
        Problem(MessageOf(report.finding), report.where, report.repaired);
    }

    void Problem(int messageId, const QString& where, bool fixed)
    {
        Problem(context_.Text(messageId, {Printable(where)}), fixed);
    }

    void Problem(const QString& text, bool fixed)
    {
        ++problems_;
        if (fixed)
            ++repaired_;
        context_.out << text;
        if (fixed)
            context_.out << " (" << context_.Text(msg::kCliCheckRepaired) << ')';
        context_.out << '\n';
    }

    int Finish(int folders, int files)
    {
        context_.out << context_.Text(msg::kCliCheckSummary, {folders, files, problems_, repaired_}) << '\n';
        return problems_ > repaired_ ? kExitFailure : kExitSuccess;
    }

private:
    CliContext& context_;
    int problems_ = 0;
    int repaired_ = 0;
};

}  // namespace

QString CheckCommand::Help() const
{
    return QStringLiteral(
        "Verifies the store: every folder's contents list decrypts and reads, every\n"
        "listed item is on the stick, whole, with a key that verifies under the master\n"
        "key and a name this computer can use, and nothing lies around that no list\n"
        "names. Exits with 1 when something is wrong.\n"
        "  --repair   rewrite a damaged list from its intact backup (a folder whose two\n"
        "             lists are both unreadable gets them set aside as \".damaged\"),\n"
        "             drop the entries of missing items, put stored items that no list\n"
        "             names back under their own names into the folder \"Recovered\",\n"
        "             and delete the remains of interrupted writes, and finish the\n"
        "             deletions that had unlisted their items. A numbered file that\n"
        "             holds nothing of this store's (all zeros, or a key that does not\n"
        "             open) is moved into the folder \".damaged\" beside the lists.\n"
        "             Nothing else that holds data is deleted or moved. A file whose\n"
        "             end was never written (its last blocks are zeros) is reported\n"
        "             as possibly incomplete, then and at every later check. When not\n"
        "             one list or file of the store opens under the key file (another\n"
        "             store's key file), nothing is repaired and the command fails.");
}

int CheckCommand::Work(CliContext& context, const CliArguments& args, KeyFileSession& session)
{
    Checker checker(context);
    const bool repair = args.Has(QStringLiteral("--repair"));
    StoreRepair walk(session.Store(), repair, [&checker](const StoreRepair::Report& report) { checker.Take(report); });
    if (repair && walk.NothingOpens())
        return context.Error(context.Text(msg::kRepairNothingOpens));
    walk.Run();
    // The next open writes these back or wipes them.
    for (const QString& file : OpenedFileList::FindLeftovers(OpenedFileList::LaunchFolderOf(context.root)))
        checker.Problem(msg::kCliCheckPlaintext, file, false);
    return checker.Finish(walk.Folders(), walk.Files());
}

}  // namespace nbr::cli
