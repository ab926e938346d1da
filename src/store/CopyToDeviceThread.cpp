#include "store/CopyToDeviceThread.h"

#include "base/ErrorText.h"
#include "base/IProgressDlg.h"
#include "base/LanguageManager.h"
#include "base/MessageIds.h"
#include "base/StickFolders.h"
#include "platform/ConfinedPath.h"
#include "platform/CreationPolicy.h"
#include "platform/FileAttributes.h"
#include "platform/NativePath.h"
#include "security/CreateCrypt.h"
#include "security/SecParams.h"
#include "store/EncryptedStore.h"
#include "store/FileCipherPool.h"
#include "store/FileUtilities.h"
#include "store/SiblingNames.h"
#include "store/StoreManifest.h"
#include "store/StoreStatus.h"
#include "store/WorkUnits.h"

namespace nbr {

CopyToDeviceThread::CopyToDeviceThread(IProgressDlg* progress, EncryptedStore& store, const DropFileList& files,
                                       const QString& targetFolder, const LanguageManager& languages)
    : TransferThread(progress, languages), store_(store), files_(files), target_(targetFolder)
{
}

CopyToDeviceThread::~CopyToDeviceThread() = default;

Status CopyToDeviceThread::EncryptFileIntoStore(EncryptedStore& store, const QString& sourcePath,
                                                const QString& storedFolder, const DirectoryEntry& source,
                                                std::uint32_t* id, CryptProgressRoutine routine, void* data,
                                                bool overwrite)
{
    if (!EncryptedStore::IsStorableName(source.name))
        return E_STORE_BAD_NAME;  // "." or ".." would lead out of a folder at the copy out
    StoreManifest list(store.Keys());
    list.Open(EncryptedStore::ManifestPathOf(storedFolder), false);
    if (!list.IsLoaded())
        return E_STORE_MANIFEST;
    const Status s = StoreFile(list, store.Keys(), sourcePath, storedFolder, source, id, routine, data, overwrite);
    if (Failed(s))
        return s;
    const Status saved = SaveList(list);
    // One file alone reports the save as it failed.
    return saved == E_STORE_DISK_FULL ? StatusFromWin32(win32::kDiskFull) : saved;
}

Status CopyToDeviceThread::StoreFile(StoreManifest& list, const SecParams& keys, const QString& sourcePath,
                                     const QString& storedFolder, const DirectoryEntry& source, std::uint32_t* id,
                                     CryptProgressRoutine routine, void* data, bool overwrite)
{
    if (!EncryptedStore::IsStorableName(source.name))
        return E_STORE_BAD_NAME;
    const ManifestEntry* found = list.FindByName(source.name);
    if (found && !overwrite)
        return E_STORE_ITEM_EXISTS;
    const bool replacing = found != nullptr;
    const ManifestEntry entry = replacing ? *found : list.AddEntry(source.name, false, source.writeTime.ticks, storedFolder);
    *id = entry.id;
    const QString destination = EncryptedStore::StoredPathOf(storedFolder, entry.id);

    FileCryptPtr engine;
    Status s = CreateKeyedCrypt(keys, &engine);
    if (Succeeded(s)) {
        // A replaced file stays readable until its successor is complete.
        s = WriteReplacing(destination, [&](const QString& path) {
            return engine->EncryptFileToFile(sourcePath, path, routine, data, CreationPolicy::StoreBatch());
        });
    }
    // The list outlives this file: an entry for a file that is not complete
    // (failed, cancelled) must not reach the next save.
    if (Failed(s) && !replacing)
        (void)list.RemoveEntry(QString::number(entry.id));
    if (s == StatusFromWin32(win32::kDiskFull))
        return E_STORE_DISK_FULL;
    return s;
}

Status CopyToDeviceThread::EncryptFolderIntoStore(EncryptedStore& store, const QString& sourceFolder,
                                                  const QString& storedFolder, const DirectoryEntry& source,
                                                  std::uint32_t* id, CryptProgressRoutine routine,
                                                  TransferThread* thread, bool overwrite)
{
    if (!EncryptedStore::IsStorableName(source.name))
        return E_STORE_BAD_NAME;
    StoreManifest list(store.Keys());
    list.Open(EncryptedStore::ManifestPathOf(storedFolder), false);
    if (!list.IsLoaded())
        return E_STORE_MANIFEST;
    StoreManifest* const before = thread ? thread->HeldList() : nullptr;
    if (thread)
        thread->HoldList(&list);
    Status s = StoreFolder(store, list, sourceFolder, storedFolder, source, id, routine, thread, overwrite);
    const Status saved = thread ? thread->SaveSettled(list) : SaveList(list);
    if (Succeeded(s))
        s = saved;
    if (thread)
        thread->HoldList(before);
    return s;
}

Status CopyToDeviceThread::StoreFolder(EncryptedStore& store, StoreManifest& list, const QString& sourceFolder,
                                       const QString& storedFolder, const DirectoryEntry& source, std::uint32_t* id,
                                       CryptProgressRoutine routine, TransferThread* thread, bool overwrite)
{
    if (!EncryptedStore::IsStorableName(source.name))
        return E_STORE_BAD_NAME;
    const ManifestEntry* found = list.FindByName(source.name);
    if (found && !overwrite)
        return E_STORE_ITEM_EXISTS;
    if (thread && thread->IsCancelled())
        return S_OK;
    const bool added = found == nullptr;
    const ManifestEntry entry = found ? *found : list.AddEntry(source.name, true, source.writeTime.ticks, storedFolder);
    *id = entry.id;
    const QString destination = EncryptedStore::StoredPathOf(storedFolder, entry.id);

    const Status created = FileSystem::CreateFolder(destination, CreationPolicy::StoreSecurityAttributes());
    FileAttributes::AddHidden(destination);
    if (thread && thread->Progress())
        thread->Progress()->Step(1);
    const bool existed = created == StatusFromWin32(win32::kAlreadyExists) || created == StatusFromWin32(win32::kFileExists);
    if (Failed(created) && (added || !existed)) {
        // Nothing may go into a folder no list names.
        if (added)
            (void)list.RemoveEntry(QString::number(entry.id));
        return created == StatusFromWin32(win32::kDiskFull) ? E_STORE_DISK_FULL : created;
    }
    // Leaving this folder for the new one: its list goes to the stick first,
    // and with it the new folder's entry. A folder no list names would take
    // everything put into it out of sight: without its entry it goes again.
    const Status saved = thread ? thread->SaveSettled(list) : SaveList(list);
    if (Failed(saved))
        return saved;

    QList<DirectoryEntry> entries;
    const Status listed = FileSystem::List(sourceFolder, &entries);
    if (Failed(listed)) {
        // Stored as an empty folder would read as success: say what is missing.
        if (thread)
            thread->ReportLeftOut(thread->Languages().FormatText(
                msg::kFolderNotListed, {sourceFolder, FormatErrorText(thread->Languages(), listed)}));
        return listed;
    }
    StoreManifest inner(store.Keys());
    inner.Open(EncryptedStore::ManifestPathOf(destination), false);
    if (!inner.IsLoaded()) {
        if (thread)
            thread->ReportLeftOut(thread->Languages().FormatText(
                msg::kFileNotStored, {sourceFolder, FormatErrorText(thread->Languages(), E_STORE_MANIFEST)}));
        return E_STORE_MANIFEST;
    }
    StoreManifest* const outer = thread ? thread->HeldList() : nullptr;
    if (thread)
        thread->HoldList(&inner);
    // Numbered names are not checked against the stored ones: a merge that
    // imports the same folder again replaces "a (2).txt", adds no "a (3).txt".
    SiblingNames taken;
    Status result = S_OK;
    for (const DirectoryEntry& child : entries) {
        if (thread && thread->IsCancelled())
            break;
        const QString childPath = NativePath::Join(sourceFolder, child.name);
        if (!child.validName) {
            // A lossy name would not bring the file back under its own name.
            if (thread)
                thread->ReportBadName(childPath);
            continue;
        }
        if (!LeaveOutUnstorable(child, childPath, thread)) {
            result = E_STORE_NOT_ALL_STORED;
            continue;
        }
        DirectoryEntry item = child;
        item.name = taken.Claim(child.name);
        if (item.name != child.name && thread)
            thread->ShowNotice(thread->Languages().FormatText(msg::kStoredUnderOtherName, {childPath, item.name}));
        // A list that cannot be saved takes no more entries.
        const Status due = thread ? thread->SaveHeldListIfDue(item.isFolder ? 0 : item.size) : S_OK;
        if (Failed(due)) {
            result = due;
            break;
        }
        std::uint32_t childId = 0;
        Status s;
        if (item.isFolder) {
            s = StoreFolder(store, inner, childPath, destination, item, &childId, routine, thread, overwrite);
        } else {
            if (thread) {
                thread->ResetFileBytes();
                if (thread->Progress())
                    thread->Progress()->SetLine2(childPath);
                if (thread->IsCancelled())
                    break;
            }
            if (thread && thread->Pools(item)) {
                s = QueueFile(inner, childPath, destination, item, *thread, &result);
                if (result == E_STORE_DISK_FULL)
                    break;
            } else {
                // Files reach the stick in their order: on a drive that fills
                // up, the earlier ones are those kept.
                if (thread)
                    thread->SettleFiles();
                s = StoreFile(inner, store.Keys(), childPath, destination, item, &childId, routine, thread, true);
            }
            if (Failed(s) && s != E_STORE_DISK_FULL && s != E_ABORTED && thread)
                thread->ReportLeftOut(thread->Languages().FormatText(
                    msg::kFileNotStored, {childPath, FormatErrorText(thread->Languages(), s)}));
        }
        if (Failed(s))
            result = s;
        if (s == E_STORE_DISK_FULL || s == E_ABORTED || result == E_STORE_DISK_FULL)
            break;
    }
    const Status left = thread ? thread->SaveSettled(inner) : SaveList(inner);
    if (Succeeded(result) && Failed(left))
        result = left;
    if (thread)
        thread->HoldList(outer);
    return result;
}

Status CopyToDeviceThread::QueueFile(StoreManifest& list, const QString& sourcePath, const QString& storedFolder,
                                     const DirectoryEntry& source, TransferThread& thread, Status* folderResult)
{
    if (!EncryptedStore::IsStorableName(source.name))
        return E_STORE_BAD_NAME;
    // Files inside a folder always replace their stored namesakes.
    const ManifestEntry* found = list.FindByName(source.name);
    const bool replacing = found != nullptr;
    const ManifestEntry entry = replacing ? *found : list.AddEntry(source.name, false, source.writeTime.ticks, storedFolder);
    PooledFile job;
    job.source = sourcePath;
    job.destination = EncryptedStore::StoredPathOf(storedFolder, entry.id);
    job.policy = CreationPolicy::StoreBatch();
    job.size = source.size;
    job.list = &list;
    job.id = entry.id;
    job.replacing = replacing;
    job.folderResult = folderResult;
    thread.Queue(std::move(job));
    return S_OK;
}

bool CopyToDeviceThread::LeaveOutUnstorable(const DirectoryEntry& item, const QString& path, TransferThread* thread)
{
    // Inside a dropped folder a link to a file stands for its content; a link
    // to a folder could lead anywhere, into a cycle too, so it stays behind.
    if (item.isLink && item.linkToFolder) {
        if (thread)
            thread->ReportLeftOut(thread->Languages().FormatText(msg::kSkippedFolderLink, {path}));
        return false;
    }
    if (item.isSpecial && !item.isFolder) {
        if (thread)
            thread->ReportLeftOut(thread->Languages().FormatText(msg::kSkippedSpecial, {path}));
        return false;
    }
    return true;
}

bool CopyToDeviceThread::HoldsOrInsideStore(const QString& path) const
{
    const QString launch = StickFolders::Launch(NativePath::ParentOf(store_.Root()));
    for (const QString& folder : {store_.Root(), launch}) {
        if (FileSystem::Contains(path, folder) || FileSystem::Contains(folder, path))
            return true;
    }
    return false;
}

Status CopyToDeviceThread::Run()
{
    const QString target = target_.isEmpty() ? store_.Root() : target_;
    std::uint64_t total = 0;
    QStringList paths;
    for (QString path : files_.Paths()) {
        while (path.size() > 1 && path.endsWith(NativePath::kSeparator))
            path.chop(1);
        if (path.isEmpty())
            continue;
        // The store in itself would never end: each folder is made before it
        // is listed, and the walk would then enter what it made. Refused
        // before anything is counted or made.
        if (HoldsOrInsideStore(path)) {
            ReportLeftOut(languages_.FormatText(msg::kHoldsTheStore, {path}));
            continue;
        }
        paths << path;
        if (IsCancelled())
            break;
        bool folder = false;
        if (Succeeded(FileSystem::Kind(path, &folder)))
            total += folder ? WorkUnits::FolderWorkUnits(path, progress_) : WorkUnits::FileWorkUnits(path);
    }
    if (IsCancelled()) {
        progress_->Begin(0);
        progress_->End(true);
        return S_OK;
    }
    if (paths.isEmpty() && LeftOutAny()) {  // every item was refused
        progress_->Begin(0);
        progress_->End(false);
        return E_STORE_NOT_ALL_STORED;
    }
    progress_->Begin(static_cast<std::uint32_t>(std::min<std::uint64_t>(total, 0xFFFFFFFFu)));
    progress_->SetTitle(languages_.GetText(msg::kTitleEncrypting));

    Status status = S_OK;
    if (target == store_.Root()) {
        const std::uint32_t error =
            FileUtilities::CreateDirectories(store_.Root(), false, CreationPolicy::StoreSecurityAttributes());
        if (error != 0)
            status = StatusFromWin32(error);
        FileAttributes::AddHidden(store_.Root());
    }
    if (Failed(status)) {
        ShowError(FormatErrorText(languages_, status));
        paths.clear();
    }

    // The target's list stays loaded (and locked) for the whole run.
    StoreManifest list(store_.Keys());
    StartPool(store_.Keys());
    const ConfinedPath::Reuse reuse;
    if (!paths.isEmpty()) {
        list.Open(EncryptedStore::ManifestPathOf(target), false);
        HoldList(&list);
    }
    SiblingNames taken;
    Status pooled = S_OK;  // what the workers met with the files given to them
    // The first item that failed: a later item's success must not hide it,
    // or a move would delete a source that was never stored.
    Status firstFailure = S_OK;
    const auto keep = [&firstFailure](Status s) {
        if (Failed(s) && s != E_STORE_ITEM_EXISTS && s != E_ABORTED && Succeeded(firstFailure))
            firstFailure = s;
    };
    for (const QString& path : paths) {
        if (IsCancelled())
            break;
        DirectoryEntry source;
        if (Failed(FileSystem::Info(path, &source))) {
            status = E_INVALIDARG;  // vanished since it was dropped: nothing to store or report
            continue;
        }
        // A dropped link was followed once, as its owner pointed at it; what
        // is left is no file to read.
        if (!LeaveOutUnstorable(source, path, this))
            continue;
        const QString claimed = taken.Claim(source.name);
        if (claimed != source.name) {
            ShowNotice(languages_.FormatText(msg::kStoredUnderOtherName, {path, claimed}));
            source.name = claimed;
        }
        if (Failed(SaveHeldListIfDue(source.isFolder ? 0 : source.size)))
            break;  // reported below
        progress_->SetLine2(path);
        // A new small file asks nothing: it goes to the workers like the
        // files inside a folder, and the walk goes on.
        if (Pools(source) && list.IsLoaded() && !list.FindByName(source.name)) {
            status = QueueFile(list, path, target, source, *this, &pooled);
            keep(status);
            if (pooled == E_STORE_DISK_FULL)
                break;  // reported below
            continue;
        }
        SettleFiles();
        if (pooled == E_STORE_DISK_FULL)
            break;
        bool overwrite = false;
        bool stop = false;
        for (;;) {
            std::uint32_t id = 0;
            if (!list.IsLoaded()) {
                status = E_STORE_MANIFEST;
            } else if (source.isFolder) {
                status = StoreFolder(store_, list, path, target, source, &id, StoreProgressRoutine, this, overwrite);
            } else {
                status = StoreFile(list, store_.Keys(), path, target, source, &id, StoreProgressRoutine, this, overwrite);
                progress_->SetLine3(QString());
            }
            if (status == E_STORE_ITEM_EXISTS && !overwrite) {
                const int question = source.isFolder ? msg::kQuestionMergeFolder : msg::kQuestionReplaceFile;
                if (Ask(languages_.FormatText(question, {source.name}))) {
                    overwrite = true;
                    continue;
                }
                NoteDeclined();
                if (IsCancelled())
                    stop = true;
                else
                    progress_->Step(static_cast<std::uint32_t>(source.isFolder ? WorkUnits::FolderWorkUnits(path, nullptr)
                                                                               : WorkUnits::Of(source.size)));
            } else if (status == E_STORE_DISK_FULL) {
                ShowError(languages_.GetText(msg::kDriveFull));
                stop = true;
            } else if (Failed(status) && status != E_ABORTED && !source.isFolder) {
                ReportLeftOut(languages_.FormatText(msg::kFileNotStored, {path, FormatErrorText(languages_, status)}));
            } else if (Failed(status) && status != E_ABORTED && !LeftOutAny()) {
                ShowError(FormatErrorText(languages_, status));
            }
            break;
        }
        keep(status);
        if (stop)
            break;
    }
    // At the end and on a cancel alike: what was stored is listed before the
    // run reports, and a failed save says the run did not do it all.
    StopPool();
    if (pooled == E_STORE_DISK_FULL && status != E_STORE_DISK_FULL) {
        ShowError(languages_.GetText(msg::kDriveFull));
        status = pooled;
    }
    const Status saved = list.IsLoaded() ? SaveHeldList() : S_OK;
    HoldList(nullptr);
    if (Failed(saved) && status != saved) {
        ShowError(saved == E_STORE_DISK_FULL ? languages_.GetText(msg::kDriveFull) : FormatErrorText(languages_, saved));
        status = saved;
    }
    if (Succeeded(status) && Failed(firstFailure))
        status = firstFailure;
    if (Succeeded(status) && LeftOutAny())
        status = E_STORE_NOT_ALL_STORED;
    progress_->SetLine2(QString());
    progress_->End(Succeeded(status));
    return status;
}

}  // namespace nbr
