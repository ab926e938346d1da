#include "cli/LsCommand.h"

#include "app/MessageIds.h"
#include "cli/CliArguments.h"
#include "cli/CliContext.h"
#include "cli/ExitCode.h"
#include "cli/KeyFileSession.h"
#include "cli/TerminalText.h"
#include "store/EncryptedStore.h"
#include "store/WorkUnits.h"

#include <QLocale>

namespace nbr::cli {
namespace {

struct Listing {
    CliContext& context;
    EncryptedStore& store;
    bool longFormat;
    bool recursive;
    int failures = 0;

    void Line(const StoreListEntry& entry, const QString& displayPath)
    {
        // A crafted list must not drive the terminal through a name.
        const QString name = TerminalText::Quote(displayPath) + (entry.isFolder ? QStringLiteral("/") : QString());
        if (!longFormat) {
            context.out << name << '\n';
            return;
        }
        // The columns of the store pane: the encrypted size and the stored item's date.
        const QString size = entry.isFolder || !entry.present
                                 ? QString()
                                 : WorkUnits::FormatSizeColumn(entry.encryptedSize, u',', u'A');
        const QString date =
            entry.writeTime.isValid() ? QLocale().toString(entry.writeTime.date(), QLocale::ShortFormat) : QString();
        context.out << QStringLiteral("%1 %2  %3\n").arg(date, -10).arg(size, 12).arg(name);
    }

    void Folder(const QString& storedFolder, const QString& prefix)
    {
        std::vector<StoreListEntry> entries;
        const Status s = store.ListFolder(storedFolder, &entries);
        if (Failed(s)) {
            context.StatusError(s, prefix.isEmpty() ? QStringLiteral("/") : TerminalText::Quote(prefix));
            ++failures;
            return;
        }
        for (const StoreListEntry& entry : entries) {
            Line(entry, prefix + entry.name);
            if (recursive && entry.isFolder)
                Folder(entry.storedPath, prefix + entry.name + QLatin1Char('/'));
        }
    }
};

// "-lR" is "-l -R".
QStringList SplitFlags(const QStringList& arguments)
{
    QStringList out;
    for (const QString& arg : arguments) {
        if (arg.size() > 2 && arg.startsWith(QLatin1Char('-')) && !arg.startsWith(QLatin1String("--"))) {
            for (qsizetype i = 1; i < arg.size(); ++i)
                out << QStringLiteral("-") + arg.at(i);
        } else {
            out << arg;
        }
    }
    return out;
}

}  // namespace

QString LsCommand::Help() const
{
    return QStringLiteral(
        "Lists a folder of the store (default: the top) by display names, folders\n"
        "first; folders end in \"/\". Store paths use \"/\" between names. A name\n"
        "with control characters is shown in the shell's $'...' quoting.\n"
        "  -l   also the date and the size on the stick (encrypted size)\n"
        "  -R   list subfolders too, each item with its path");
}

int LsCommand::Run(CliContext& context, const QStringList& arguments)
{
    CliArguments args({}, {QStringLiteral("-l"), QStringLiteral("-R")});
    QString bad;
    if (!args.Parse(SplitFlags(arguments), &bad) || args.Rest().size() > 1)
        return context.UsageError(context.Text(msg::kCliWrongArguments, {Name()}));
    const QString path = args.Rest().value(0);

    KeyFileSession session(context);
    if (const int code = session.UnlockStore(); code != kExitSuccess)
        return code;
    EncryptedStore& store = session.Store();
    QString stored;
    ManifestEntry entry;
    if (const int code = session.Find(store, path, &stored, &entry); code != kExitSuccess)
        return code;

    Listing listing {context, store, args.Has(QStringLiteral("-l")), args.Has(QStringLiteral("-R"))};
    if (!entry.isFolder) {
        listing.Line(EncryptedStore::DescribeItem(stored, entry), entry.name);
        return kExitSuccess;
    }
    listing.Folder(stored, QString());
    return listing.failures == 0 ? kExitSuccess : kExitFailure;
}

}  // namespace nbr::cli
