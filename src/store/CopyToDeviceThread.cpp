#include "store/CopyToDeviceThread.h"

#include "app/ErrorText.h"
#include "app/IProgressDlg.h"
#include "app/LanguageManager.h"
#include "app/MessageIds.h"
#include "platform/CreationPolicy.h"
#include "platform/FileAttributes.h"
#include "platform/NativePath.h"
#include "security/CreateCrypt.h"
#include "security/SecParams.h"
#include "store/EncryptedStore.h"
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
    StoreManifest manifest(store.Keys());
    manifest.Open(EncryptedStore::ManifestPathOf(storedFolder), false);
    if (!manifest.IsLoaded())
        return E_STORE_MANIFEST;
    const ManifestEntry* found = manifest.FindByName(source.name);
    if (found && !overwrite)
        return E_STORE_ITEM_EXISTS;
    const bool replacing = found != nullptr;
    const ManifestEntry entry = replacing ? *found : manifest.AddEntry(source.name, false, source.writeTime.ticks, storedFolder);
    *id = entry.id;
    const QString destination = EncryptedStore::StoredPathOf(storedFolder, entry.id);

    CryptPtr engine;
    Status s = CreateCrypt(CryptAlgorithmAes256, &engine);
    if (Failed(s))
        return s;
    s = engine->SetMasterKey(store.Keys().GetMasterKey(), store.Keys().GetMasterKeyLength());
    if (Succeeded(s)) {
        // A replaced file stays readable until its successor is complete.
        s = WriteReplacing(destination, [&](const QString& path) {
            return engine->EncryptFileToFile(sourcePath, path, routine, data, CreationPolicy::StoreSecurityAttributes());
        });
    }
    if (s == StatusFromWin32(win32::kDiskFull))
        return E_STORE_DISK_FULL;
    if (Failed(s))
        return s;
    s = manifest.Save();
    if (Failed(s) && !replacing)
        (void)FileUtilities::DeleteFileForced(destination);
    return s;
}

Status CopyToDeviceThread::EncryptFolderIntoStore(EncryptedStore& store, const QString& sourceFolder,
                                                  const QString& storedFolder, const DirectoryEntry& source,
                                                  std::uint32_t* id, CryptProgressRoutine routine,
                                                  TransferThread* thread, bool overwrite)
{
    if (!EncryptedStore::IsStorableName(source.name))
        return E_STORE_BAD_NAME;
    StoreManifest manifest(store.Keys());
    manifest.Open(EncryptedStore::ManifestPathOf(storedFolder), false);
    if (!manifest.IsLoaded())
        return E_STORE_MANIFEST;
    const ManifestEntry* found = manifest.FindByName(source.name);
    if (found && !overwrite)
        return E_STORE_ITEM_EXISTS;
    if (thread && thread->IsCancelled())
        return S_OK;
    const ManifestEntry entry = found ? *found : manifest.AddEntry(source.name, true, source.writeTime.ticks, storedFolder);
    *id = entry.id;
    const QString destination = EncryptedStore::StoredPathOf(storedFolder, entry.id);

    const Status created = FileSystem::CreateFolder(destination, CreationPolicy::StoreSecurityAttributes());
    FileAttributes::AddHidden(destination);
    if (thread && thread->Progress())
        thread->Progress()->Step(1);
    if (Succeeded(created)) {
        // A folder no list names would take everything put into it out of
        // sight: without its entry it goes again.
        const Status saved = manifest.Save();
        if (Failed(saved)) {
            (void)FileUtilities::DeleteTree(destination, nullptr, false, false);
            return saved == StatusFromWin32(win32::kDiskFull) ? E_STORE_DISK_FULL : saved;
        }
    } else if (created == StatusFromWin32(win32::kDiskFull))
        return E_STORE_DISK_FULL;
    else if (created != StatusFromWin32(win32::kAlreadyExists) && created != StatusFromWin32(win32::kFileExists))
        return created;

    QList<DirectoryEntry> entries;
    const Status listed = FileSystem::List(sourceFolder, &entries);
    if (Failed(listed)) {
        // Stored as an empty folder would read as success: say what is missing.
        if (thread)
            thread->ReportLeftOut(thread->Languages().FormatText(
                msg::kFolderNotListed, {sourceFolder, FormatErrorText(thread->Languages(), listed)}));
        return listed;
    }
    StoreManifest existing(store.Keys());
    existing.Open(EncryptedStore::ManifestPathOf(destination), true);
    SiblingNames taken([&existing](const QString& name) { return existing.FindByName(name) != nullptr; });
    existing.Close();
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
        std::uint32_t childId = 0;
        Status s;
        if (item.isFolder) {
            s = EncryptFolderIntoStore(store, childPath, destination, item, &childId, routine, thread, overwrite);
        } else {
            if (thread) {
                thread->ResetFileBytes();
                if (thread->Progress())
                    thread->Progress()->SetLine2(childPath);
                if (thread->IsCancelled())
                    break;
            }
            s = EncryptFileIntoStore(store, childPath, destination, item, &childId, routine, thread, true);
            if (Failed(s) && s != E_STORE_DISK_FULL && s != E_ABORTED && thread)
                thread->ReportLeftOut(thread->Languages().FormatText(
                    msg::kFileNotStored, {childPath, FormatErrorText(thread->Languages(), s)}));
        }
        if (Failed(s))
            result = s;
        if (s == E_STORE_DISK_FULL || s == E_ABORTED)
            break;
    }
    return result;
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

    SiblingNames taken;
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
        progress_->SetLine2(path);
        bool overwrite = false;
        bool stop = false;
        for (;;) {
            std::uint32_t id = 0;
            if (source.isFolder) {
                status = EncryptFolderIntoStore(store_, path, target, source, &id, StoreProgressRoutine, this, overwrite);
            } else {
                status = EncryptFileIntoStore(store_, path, target, source, &id, StoreProgressRoutine, this, overwrite);
                progress_->SetLine3(QString());
            }
            if (status == E_STORE_ITEM_EXISTS && !overwrite) {
                const int question = source.isFolder ? msg::kQuestionMergeFolder : msg::kQuestionReplaceFile;
                if (Ask(languages_.FormatText(question, {source.name}))) {
                    overwrite = true;
                    continue;
                }
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
        if (stop)
            break;
    }
    if (Succeeded(status) && LeftOutAny())
        status = E_STORE_NOT_ALL_STORED;
    progress_->SetLine2(QString());
    progress_->End(Succeeded(status));
    return status;
}

}  // namespace nbr
