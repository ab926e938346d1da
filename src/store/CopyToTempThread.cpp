#include "store/CopyToTempThread.h"

#include "base/ErrorText.h"
#include "base/IProgressDlg.h"
#include "base/LanguageManager.h"
#include "base/MessageIds.h"
#include "base/StickFolders.h"
#include "platform/ConfinedPath.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "security/CreateCrypt.h"
#include "security/SecParams.h"
#include "store/EncryptedStore.h"
#include "store/FileCipherPool.h"
#include "store/FileUtilities.h"
#include "store/StoreManifest.h"
#include "store/StoreStatus.h"
#include "store/WorkUnits.h"

namespace nbr {

CopyToTempThread::CopyToTempThread(IProgressDlg* progress, EncryptedStore& store, const QStringList& sources,
                                   const QString& destinationFolder, const LanguageManager& languages)
    : TransferThread(progress, languages), store_(store), sources_(sources), destination_(destinationFolder)
{
}

CopyToTempThread::~CopyToTempThread() = default;

bool CopyToTempThread::IntoTheStick(const QString& path) const
{
    const QString stick = NativePath::ParentOf(store_.Root());
    const QString launch = StickFolders::Launch(stick);
    if (FileSystem::Contains(store_.Root(), path) || FileSystem::Contains(launch, path))
        return true;
    // A file taking one of those names at the stick's top would stand in the
    // folder's place: the launch folder's clean-up would take it for its own
    // and the store would not open. Sticks compare names without case.
    const QString name = NativePath::LastComponent(path);
    if (name.compare(NativePath::LastComponent(store_.Root()), Qt::CaseInsensitive) != 0
        && name.compare(NativePath::LastComponent(launch), Qt::CaseInsensitive) != 0)
        return false;
    const QString parent = NativePath::ParentOf(path);
    return FileSystem::Contains(stick, parent) && FileSystem::Contains(parent, stick);
}

bool CopyToTempThread::IsSafeHostName(const QString& name)
{
    return NativePath::IsPlainName(name);
}

Status CopyToTempThread::DecryptFile(const QString& stored, const QString& host)
{
    FileCryptPtr engine;
    Status s = CreateKeyedCrypt(store_.Keys(), &engine);
    // A host file being replaced survives a failed or cancelled decryption,
    // and a killed one leaves no file cut short under its name.
    if (Succeeded(s))
        s = WriteReplacing(
            host,
            [&](const QString& path) {
                return engine->DecryptFileToFile(stored, path, StoreProgressRoutine, this,
                                                 FileUtilities::PolicyForCopiesIn(destination_));
            },
            true);
    progress_->SetLine3(QString());
    return s;
}

Status CopyToTempThread::DecryptStoreFolder(const QString& storedFolder, const QString& hostFolder, bool* merge)
{
    bool isFolder = false;
    if (Succeeded(FileSystem::Kind(hostFolder, &isFolder)) && isFolder) {
        if (!*merge)
            *merge = Ask(languages_.FormatText(msg::kQuestionMergeFolder, {NativePath::LastComponent(hostFolder)}));
        if (!*merge) {
            NoteDeclined();
            progress_->Step(static_cast<std::uint32_t>(WorkUnits::StoreFolderWorkUnits(storedFolder, nullptr)));
            return S_OK;
        }
    } else {
        const Status s = FileSystem::CreateFolder(hostFolder, FileUtilities::PolicyForCopiesIn(destination_));
        if (Failed(s)) {
            ReportLeftOut(languages_.FormatText(msg::kFileNotCopiedOut, {hostFolder, FormatErrorText(languages_, s)}));
            return s;
        }
    }
    progress_->Step(1);

    StoreManifest manifest(store_.Keys());
    manifest.Open(EncryptedStore::ManifestPathOf(storedFolder), true);
    if (!manifest.IsLoaded()) {
        ReportLeftOut(languages_.FormatText(msg::kFileNotCopiedOut,
                                            {hostFolder, FormatErrorText(languages_, E_STORE_MANIFEST)}));
        return E_STORE_MANIFEST;
    }
    const std::vector<ManifestEntry> entries = manifest.Entries();
    manifest.Close();
    Status status = S_OK;
    for (const ManifestEntry& entry : entries) {
        if (IsCancelled()) {
            SettleFiles();
            return E_ABORTED;
        }
        if (!IsSafeHostName(entry.name)) {
            // A name from the manifest must not lead out of the target folder.
            ReportLeftOut(languages_.FormatText(msg::kUnsafeStoredName, {entry.name}));
            status = E_STORE_BAD_NAME;
            continue;
        }
        const QString stored = EncryptedStore::StoredPathOf(storedFolder, entry.id);
        const QString host = NativePath::Join(hostFolder, entry.name);
        Status s;
        if (entry.isFolder) {
            s = DecryptStoreFolder(stored, host, merge);
        } else {
            progress_->SetLine2(entry.name);
            DirectoryEntry item;
            const bool present = Succeeded(FileSystem::Info(stored, &item));
            if (present && item.isFolder) {
                // Listed as a file: the list is damaged.
                s = E_STORE_MANIFEST;
                ReportLeftOut(languages_.FormatText(msg::kFileNotCopiedOut, {host, FormatErrorText(languages_, s)}));
            } else if (present && Pools(item.size)) {
                PooledFile job;
                job.source = stored;
                job.destination = host;
                job.decrypt = true;
                job.policy = FileUtilities::PolicyForCopiesIn(destination_);
                job.size = item.size;
                job.folderResult = &status;
                Queue(std::move(job));
                s = status;
            } else {
                s = DecryptFile(stored, host);
                if (Failed(s) && s != E_ABORTED)
                    ReportLeftOut(languages_.FormatText(msg::kFileNotCopiedOut, {host, FormatErrorText(languages_, s)}));
            }
        }
        if (s == E_ABORTED || s == StatusFromWin32(win32::kDiskFull)) {
            SettleFiles();
            return s;
        }
        if (Failed(s))
            status = s;
    }
    // The outcomes of this folder's files land in `status`.
    SettleFiles();
    return status;
}

Status CopyToTempThread::Run()
{
    Status status = S_OK;
    progress_->SetTitle(languages_.GetText(msg::kTitleDecrypting));
    std::uint64_t total = 0;
    for (const QString& source : sources_) {
        if (IsCancelled())
            break;
        bool folder = false;
        if (Succeeded(FileSystem::Kind(source, &folder)))
            total += folder ? WorkUnits::StoreFolderWorkUnits(source, progress_) : WorkUnits::FileWorkUnits(source);
    }
    if (IsCancelled()) {
        progress_->Begin(0);
        progress_->End(true);
        return S_OK;
    }
    progress_->Begin(static_cast<std::uint32_t>(std::min<std::uint64_t>(total, 0xFFFFFFFFu)));
    if (sources_.isEmpty())
        status = S_FALSE;
    else if (destination_.isEmpty())
        status = E_FAIL;
    else if (IntoTheStick(destination_)) {
        // Plaintext there would sit among the encrypted items as if it were
        // one of them (and a stored name such as "secparams.enc" would
        // replace the key file); in the launch folder the next open would
        // wipe it or take it for an edited copy.
        QString shown = destination_;
        while (shown.size() > 1 && shown.endsWith(NativePath::kSeparator))
            shown.chop(1);
        ReportLeftOut(languages_.FormatText(msg::kCopyIntoTheStore, {shown}));
        status = StatusFromWin32(win32::kAccessDenied);
    }

    StartPool(store_.Keys());
    const ConfinedPath::Reuse reuse;
    // One item that cannot come out does not keep the others in: each is
    // reported, the run goes on, and its outcome is the first failure.
    Status failure = S_OK;
    const auto note = [&failure](Status s) {
        if (Failed(s) && Succeeded(failure))
            failure = s;
    };
    for (qsizetype i = 0; status != S_FALSE && Succeeded(status) && i < sources_.size(); ++i) {
        if (IsCancelled())
            break;
        const QString& source = sources_.at(i);
        DirectoryEntry info;
        if (Failed(FileSystem::Info(source, &info))) {
            ReportLeftOut(FormatErrorText(languages_, E_STORE_MANIFEST));
            note(E_STORE_MANIFEST);
            continue;
        }
        ManifestEntry listed;
        const QString name = store_.FindListed(source, &listed) ? listed.name : QString();
        if (name.isEmpty()) {
            ReportLeftOut(FormatErrorText(languages_, E_STORE_MANIFEST));
            note(E_STORE_MANIFEST);
            continue;
        }
        // A list that calls a folder a file (or the other way round) is
        // damaged: what came out would be an empty folder, or nothing.
        if (listed.isFolder != info.isFolder) {
            ReportLeftOut(languages_.FormatText(msg::kFileNotCopiedOut, {name, FormatErrorText(languages_, E_STORE_MANIFEST)}));
            note(E_STORE_MANIFEST);
            continue;
        }
        if (!IsSafeHostName(name)) {
            ReportLeftOut(languages_.FormatText(msg::kUnsafeStoredName, {name}));
            note(E_STORE_BAD_NAME);
            continue;
        }
        progress_->SetLine2(name);
        const QString destination = NativePath::Join(destination_, name);
        // A stored item named "Encrypted Data" or "LaunchBin" taken out at
        // the stick's top would merge into the live folder or take its place.
        if (IntoTheStick(destination)) {
            ReportLeftOut(languages_.FormatText(msg::kCopyIntoTheStore, {destination}));
            note(StatusFromWin32(win32::kAccessDenied));
            continue;
        }
        Status s = S_OK;
        if (info.isFolder) {
            bool merge = false;
            s = DecryptStoreFolder(source, destination, &merge);
        } else {
            DirectoryEntry existing;
            if (Succeeded(FileSystem::Info(destination, &existing))
                && !Ask(languages_.FormatText(msg::kQuestionReplaceHostFile, {name}))) {
                NoteDeclined();
                progress_->Step(static_cast<std::uint32_t>(WorkUnits::Of(existing.size)));
                continue;
            }
            s = DecryptFile(source, destination);
            if (Failed(s) && s != E_ABORTED)
                ReportLeftOut(languages_.FormatText(msg::kFileNotCopiedOut, {name, FormatErrorText(languages_, s)}));
        }
        if (s == E_ABORTED)
            break;  // the user stopped it: nothing to report
        note(s);
    }
    StopPool();
    if (Succeeded(status) && Failed(failure))
        status = failure;
    progress_->SetLine2(QString());
    progress_->End(Succeeded(status));
    return status;
}

}  // namespace nbr
