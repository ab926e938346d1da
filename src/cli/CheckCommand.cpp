#include "cli/CheckCommand.h"

#include "app/ErrorText.h"
#include "app/MessageIds.h"
#include "cli/CliArguments.h"
#include "cli/CliContext.h"
#include "cli/ExitCode.h"
#include "cli/KeyFileSession.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "security/CreateCrypt.h"
#include "security/SecParams.h"
#include "store/EncryptedStore.h"
#include "store/FileUtilities.h"
#include "store/OpenedFileList.h"

#include <QSet>

namespace nbr::cli {
namespace {

bool AllDigits(const QString& name)
{
    if (name.isEmpty())
        return false;
    for (const QChar c : name) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

class Checker {
public:
    Checker(CliContext& context, EncryptedStore& store, bool repair) : context_(context), store_(store), repair_(repair) {}

    void Folder(const QString& stored, const QString& display)
    {
        ++folders_;
        const QString name = display.isEmpty() ? QStringLiteral("/") : display;
        std::vector<ManifestEntry> entries;
        const bool mainGood = Read(EncryptedStore::ManifestPathOf(stored), &entries);
        if (!mainGood) {
            const bool hasMain = FileSystem::Exists(EncryptedStore::ManifestPathOf(stored));
            const bool backupGood = Read(EncryptedStore::ManifestPathOf(stored) + QStringLiteral(".bak"), &entries);
            if (!backupGood && hasMain) {
                Problem(msg::kCliCheckManifestLost, name, false);
                return;  // without a list every numbered item would look like a leftover
            }
            if (backupGood) {
                bool fixed = false;
                if (repair_) {
                    StoreManifest manifest(store_.Keys());
                    manifest.Open(EncryptedStore::ManifestPathOf(stored), false);
                    fixed = manifest.IsLoaded() && Succeeded(manifest.Save());
                }
                Problem(msg::kCliCheckManifestDamaged, name, fixed);
            }
        }

        QSet<std::uint32_t> listed;
        for (const ManifestEntry& entry : entries) {
            listed.insert(entry.id);
            const QString child = EncryptedStore::StoredPathOf(stored, entry.id);
            const QString childName = display + QLatin1Char('/') + entry.name;
            bool isFolder = false;
            if (Failed(FileSystem::Kind(child, &isFolder))) {
                Problem(msg::kCliCheckMissing, childName, false);
            } else if (isFolder != entry.isFolder) {
                Problem(msg::kCliCheckWrongKind, childName, false);
            } else if (isFolder) {
                Folder(child, childName);
            } else {
                ++files_;
                if (Failed(store_.VerifyStoredFile(child)))
                    Problem(msg::kCliCheckBadKey, childName, false);
            }
        }

        QList<DirectoryEntry> onDisk;
        if (Failed(FileSystem::List(stored, &onDisk)))
            return;
        for (const DirectoryEntry& item : onDisk) {
            if (!AllDigits(item.name) || listed.contains(StoreManifest::IdOf(item.name)))
                continue;
            const QString path = NativePath::Join(stored, item.name);
            bool fixed = false;
            if (repair_)
                fixed = item.isFolder ? FileUtilities::DeleteTree(path, nullptr, false, false)
                                      : FileUtilities::DeleteFileForced(path);
            Problem(msg::kCliCheckLeftover, display + QLatin1Char('/') + item.name, fixed);
        }
    }

    int Finish()
    {
        context_.out << context_.Text(msg::kCliCheckSummary, {folders_, files_, problems_, repaired_}) << '\n';
        return problems_ > repaired_ ? kExitFailure : kExitSuccess;
    }

private:
    bool Read(const QString& path, std::vector<ManifestEntry>* entries)
    {
        CryptPtr engine;
        QByteArray content;
        return Succeeded(CreateCrypt(CryptAlgorithmAes256, &engine))
               && Succeeded(engine->SetMasterKey(store_.Keys().GetMasterKey(), store_.Keys().GetMasterKeyLength()))
               && Succeeded(engine->DecryptFileToBuffer(path, &content)) && StoreManifest::Parse(content, entries);
    }

public:
    void Problem(int messageId, const QString& where, bool fixed)
    {
        ++problems_;
        if (fixed)
            ++repaired_;
        context_.out << context_.Text(messageId, {where});
        if (fixed)
            context_.out << " (" << context_.Text(msg::kCliCheckRepaired) << ')';
        context_.out << '\n';
    }

private:
    CliContext& context_;
    EncryptedStore& store_;
    bool repair_;
    int folders_ = 0;
    int files_ = 0;
    int problems_ = 0;
    int repaired_ = 0;
};

}  // namespace

QString CheckCommand::Help() const
{
    return QStringLiteral(
        "Verifies the store: every folder's contents list decrypts and reads, every\n"
        "listed item is on the stick and its key verifies under the master key, and\n"
        "no numbered leftover lies around that no list names. Exits with 1 when\n"
        "something is wrong.\n"
        "  --repair   remove leftovers, and rewrite a damaged list from its intact backup");
}

int CheckCommand::Run(CliContext& context, const QStringList& arguments)
{
    CliArguments args({}, {QStringLiteral("--repair")});
    QString bad;
    if (!args.Parse(arguments, &bad) || !args.Rest().isEmpty())
        return context.UsageError(context.Text(msg::kCliWrongArguments, {Name()}));
    KeyFileSession session(context);
    if (const int code = session.UnlockStore(); code != kExitSuccess)
        return code;
    EncryptedStore& store = session.Store();
    Checker checker(context, store, args.Has(QStringLiteral("--repair")));
    checker.Folder(store.Root(), QString());
    // The next open writes these back or wipes them.
    for (const QString& file : OpenedFileList::FindLeftovers(OpenedFileList::LaunchFolderOf(context.root)))
        checker.Problem(msg::kCliCheckPlaintext, file, false);
    return checker.Finish();
}

}  // namespace nbr::cli
