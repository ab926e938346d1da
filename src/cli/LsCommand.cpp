#include "cli/LsCommand.h"

#include "base/MessageIds.h"
#include "cli/CliArguments.h"
#include "cli/CliContext.h"
#include "cli/ExitCode.h"
#include "cli/KeyFileSession.h"
#include "cli/TerminalText.h"
#include "platform/NativeFile.h"
#include "security/CreateCrypt.h"
#include "security/CryptBase.h"
#include "security/EncryptedFileHeader.h"
#include "store/EncryptedStore.h"
#include "store/WorkUnits.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

namespace nbr::cli {
namespace {

struct Listing {
    CliContext& context;
    EncryptedStore& store;
    bool longFormat;
    bool recursive;
    CryptBase* engine = nullptr;  // set for --json: reads the plain sizes
    int failures = 0;
    bool firstObject = true;

    // The plain size from the stored file's header; -1 when it cannot be read.
    qint64 PlainSize(const QString& storedPath) const
    {
        NativeFile file;
        EncryptedFileHeader header;
        if (Failed(file.OpenRead(storedPath)) || Failed(engine->ReadHeader(file, header)))
            return -1;
        return static_cast<qint64>(header.size);
    }

    // One object per entry for scripts: the names as they are (JSON quotes
    // them), sizes in bytes and the date in UTC; null for what is unknown.
    void Object(const StoreListEntry& entry, const QString& displayPath)
    {
        QJsonObject object;
        object.insert(QStringLiteral("name"), displayPath);
        object.insert(QStringLiteral("kind"), entry.isFolder ? QStringLiteral("folder") : QStringLiteral("file"));
        const bool sized = !entry.isFolder && entry.present;
        const qint64 plain = sized ? PlainSize(entry.storedPath) : -1;
        object.insert(QStringLiteral("size"), plain >= 0 ? QJsonValue(plain) : QJsonValue());
        object.insert(QStringLiteral("encrypted_size"),
                      sized ? QJsonValue(static_cast<qint64>(entry.encryptedSize)) : QJsonValue());
        object.insert(QStringLiteral("date"), entry.writeTime.isValid()
                                                  ? QJsonValue(entry.writeTime.toUTC().toString(Qt::ISODate))
                                                  : QJsonValue());
        context.out << (firstObject ? "\n" : ",\n")
                    << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
        firstObject = false;
    }

    void Line(const StoreListEntry& entry, const QString& displayPath)
    {
        if (engine) {
            Object(entry, displayPath);
            return;
        }
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

}  // namespace

// "-lR" is "-l -R".
QStringList LsCommand::Split(const QStringList& arguments) const
{
    QStringList out;
    bool optionsEnded = false;
    for (const QString& arg : arguments) {
        optionsEnded = optionsEnded || arg == QLatin1String("--");
        if (!optionsEnded && arg.size() > 2 && arg.startsWith(QLatin1Char('-')) && !arg.startsWith(QLatin1String("--"))) {
            for (qsizetype i = 1; i < arg.size(); ++i)
                out << QStringLiteral("-") + arg.at(i);
        } else {
            out << arg;
        }
    }
    return out;
}

QString LsCommand::Help() const
{
    return QStringLiteral(
        "Lists a folder of the store (default: the top) by display names, folders\n"
        "first; folders end in \"/\". Store paths use \"/\" between names (on\n"
        "Windows \"\\\" as well). A name with control characters is shown in the\n"
        "shell's $'...' quoting.\n"
        "  -l   also the date and the size on the stick (encrypted size)\n"
        "  -R   list subfolders too, each item with its path\n"
        "  --json  for scripts: a JSON array with one object per item: name (its\n"
        "          path with -R), kind (\"file\" or \"folder\"), size, encrypted_size\n"
        "          (bytes; null for folders and missing files) and date (UTC)");
}

int LsCommand::Work(CliContext& context, const CliArguments& args, KeyFileSession& session)
{
    const QString path = args.Rest().value(0);
    EncryptedStore& store = session.Store();
    QString stored;
    ManifestEntry entry;
    if (const int code = session.Find(store, path, &stored, &entry); code != kExitSuccess)
        return code;

    Listing listing {context, store, args.Has(QStringLiteral("-l")), args.Has(QStringLiteral("-R"))};
    FileCryptPtr engine;
    const bool json = args.Has(QStringLiteral("--json"));
    if (json) {
        if (const Status s = CreateKeyedCrypt(session.Params(), &engine); Failed(s))
            return context.StatusError(s);
        listing.engine = engine.get();
        context.out << '[';
    }
    if (!entry.isFolder)
        listing.Line(EncryptedStore::DescribeItem(stored, entry), entry.name);
    else
        listing.Folder(stored, QString());
    if (json)
        context.out << (listing.firstObject ? "]\n" : "\n]\n");
    return listing.failures == 0 ? kExitSuccess : kExitFailure;
}

}  // namespace nbr::cli
