#include "store/TransferThread.h"

#include "base/ErrorText.h"
#include "base/IProgressDlg.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "platform/FileSystem.h"
#include "platform/NativeFile.h"
#include "platform/NativePath.h"
#include "security/ICrypt.h"
#include "store/EncryptedStore.h"
#include "store/FileCipherPool.h"
#include "store/FileUtilities.h"
#include "store/StoreManifest.h"
#include "store/StoreStatus.h"
#include "store/WorkUnits.h"

namespace nbr {
namespace {
constexpr qsizetype kLongestName = 255;  // bytes of one name, on every file system we meet
// A crash loses at most this much work from the lists; the stored files of
// those entries are leftovers that a repair lists again.
constexpr qint64 kLongestUnsavedMs = 1000;
// A file this large takes about a second on a slow stick: the entries stored
// before it do not wait for it.
constexpr std::uint64_t kLongFileBytes = 8u << 20;
// Files up to this size go to the pool; a larger one is encrypted on the
// transfer thread, which shows its own bar for it.
constexpr std::uint64_t kPooledFileBytes = 1u << 20;
}

TransferThread::TransferThread(IProgressDlg* progress, const LanguageManager& languages)
    : progress_(progress), languages_(languages)
{
}

TransferThread::~TransferThread()
{
    // Joined here, before the members the thread works with are gone.
    thread_.reset();
}

void TransferThread::StartPool(const SecParams& keys)
{
    const int workers = FileCipherPool::WorkerCount();
    if (workers > 0 && !pool_)
        pool_ = std::make_unique<FileCipherPool>(keys, workers);
}

void TransferThread::StopPool()
{
    SettleFiles();
    pool_.reset();
}

bool TransferThread::Pools(const DirectoryEntry& item) const
{
    return !item.isFolder && Pools(item.size);
}

bool TransferThread::Pools(std::uint64_t bytes) const
{
    return pool_ && bytes <= kPooledFileBytes;
}

void TransferThread::Queue(PooledFile job)
{
    pool_->Submit(std::move(job));
    ApplyFinished(pool_->TakeFinished());
}

void TransferThread::SettleFiles() const
{
    if (!pool_ || settling_)
        return;
    if (IsCancelled())
        pool_->CancelQueued();
    ApplyFinished(pool_->Drain());
}

void TransferThread::ApplyFinished(std::vector<PooledFile> jobs) const
{
    if (jobs.empty())
        return;
    // First the lists: a message below saves the held list, which must not
    // name a file that failed.
    for (PooledFile& job : jobs) {
        if (Succeeded(job.status))
            continue;
        if (job.list && !job.replacing)
            (void)job.list->RemoveEntry(QString::number(job.id));
        if (!job.decrypt && job.status == StatusFromWin32(win32::kDiskFull))
            job.status = E_STORE_DISK_FULL;
        const bool full = job.status == E_STORE_DISK_FULL || job.status == StatusFromWin32(win32::kDiskFull);
        if (job.folderResult && (Succeeded(*job.folderResult) || full))
            *job.folderResult = job.status;
    }
    settling_ = true;
    for (const PooledFile& job : jobs) {
        if (progress_)
            progress_->Step(static_cast<std::uint32_t>(WorkUnits::Of(job.size)));
        // A full drive going in ends the run with its own message.
        if (Failed(job.status) && job.status != E_ABORTED && (job.decrypt || job.status != E_STORE_DISK_FULL))
            ReportLeftOut(job.decrypt ? languages_.FormatText(msg::kFileNotCopiedOut,
                                                              {job.destination, FormatErrorText(languages_, job.status)})
                                      : languages_.FormatText(msg::kFileNotStored,
                                                              {job.source, FormatErrorText(languages_, job.status)}));
    }
    settling_ = false;
}

void TransferThread::Start()
{
    thread_.reset(QThread::create([this] { status_ = Run(); }));
    thread_->start();
}

Status TransferThread::RunHere()
{
    status_ = Run();
    return status_;
}

bool TransferThread::IsCancelled() const
{
    return progress_ && progress_->IsCancelled();
}

void TransferThread::ReportBadName(const QString& lossyPath) const
{
    ReportLeftOut(languages_.FormatText(msg::kNameNotUtf8, {lossyPath}));
}

void TransferThread::ReportLeftOut(const QString& text) const
{
    leftOut_ = true;
    ShowError(text);
}

Status TransferThread::SaveList(StoreManifest& list)
{
    if (!list.HasUnsavedChanges())
        return S_OK;
    const Status s = list.Save();
    if (Succeeded(s))
        return s;
    const QString folder = NativePath::ParentOf(list.Path());
    for (const ManifestEntry& entry : list.TakeBackUnsavedAdditions()) {
        const QString item = EncryptedStore::StoredPathOf(folder, entry.id);
        if (entry.isFolder)
            (void)FileUtilities::DeleteTree(item, nullptr, false, false);
        else
            (void)FileUtilities::DeleteFileForced(item);
    }
    return s == StatusFromWin32(win32::kDiskFull) ? E_STORE_DISK_FULL : s;
}

void TransferThread::HoldList(StoreManifest* list)
{
    held_ = list;
    sinceSave_.start();
}

Status TransferThread::SaveSettled(StoreManifest& list) const
{
    SettleFiles();
    return SaveList(list);
}

Status TransferThread::SaveHeldList() const
{
    SettleFiles();
    if (Failed(heldFailure_) || !held_)
        return heldFailure_;
    heldFailure_ = SaveList(*held_);
    sinceSave_.start();
    return heldFailure_;
}

Status TransferThread::SaveHeldListIfDue(std::uint64_t nextFileBytes) const
{
    if (Succeeded(heldFailure_) && held_ && sinceSave_.isValid() && sinceSave_.elapsed() < kLongestUnsavedMs
        && nextFileBytes < kLongFileBytes)
        return S_OK;
    return SaveHeldList();
}

void TransferThread::ShowError(const QString& text) const
{
    (void)SaveHeldList();
    (void)ShowMessageBox(progress_ ? progress_->GetWindowHandle() : nullptr, languages_.GetText(msg::kCaptionError),
                         text, mb::kOk, mb::kIconError);
}

void TransferThread::ShowNotice(const QString& text) const
{
    (void)SaveHeldList();
    (void)ShowMessageBox(progress_ ? progress_->GetWindowHandle() : nullptr, languages_.GetText(msg::kCaptionNotice),
                         text, mb::kOk, mb::kIconInformation);
}

bool TransferThread::Ask(const QString& text) const
{
    (void)SaveHeldList();
    const std::uint32_t answer = ShowMessageBox(progress_ ? progress_->GetWindowHandle() : nullptr,
                                                languages_.GetText(msg::kCaptionNotice), text, mb::kYes | mb::kNo,
                                                mb::kIconInformation);
    return MessageBox::ButtonOf(answer) == mb::kIdYes;
}

Status TransferThread::WriteReplacing(const QString& destination,
                                      const std::function<Status(const QString& path)>& write, bool besideAlways)
{
    const bool replacing = FileSystem::Exists(destination);
    if (!replacing && !besideAlways)
        return write(destination);
    const QString name = NativePath::LastComponent(destination);
    QString freshName = QLatin1Char('.') + name + QStringLiteral(".nbr-new");
    // A name near the file system's limit has no room for the additions.
    if (NativePath::Encode(freshName).size() > kLongestName)
        freshName = QStringLiteral(".nbr-%1.nbr-new").arg(qHash(name), 0, 16);
    const QString fresh = NativePath::Join(NativePath::ParentOf(destination), freshName);
    Status s = write(fresh);
    // A file being replaced: on the device before the rename, or a crash can
    // leave the old name pointing at blocks that were never written, and both
    // versions lost. A new file has no older version to lose.
    if (Succeeded(s) && replacing)
        s = NativeFile::SyncPath(fresh);
    if (Succeeded(s))
        s = FileSystem::Rename(fresh, destination);
    if (Failed(s)) {
        (void)FileUtilities::DeleteFileForced(fresh);
        return s;
    }
    if (replacing)
        (void)NativeFile::SyncPath(NativePath::ParentOf(destination));
    return s;
}

std::uint32_t TransferThread::StoreProgressRoutine(std::uint64_t total, std::uint64_t done, std::uint32_t reason,
                                                   void* data)
{
    auto* self = static_cast<TransferThread*>(data);
    IProgressDlg* dialog = self ? self->progress_ : nullptr;
    if (!dialog)
        return 0;
    // The bars take 32-bit counts: a file of 4 GiB or more shows on the file
    // bar in KiB, so that it still moves from start to end.
    const bool huge = total > 0xFFFFFFFFull;
    const auto bar = [huge](std::uint64_t n) { return static_cast<std::uint32_t>(huge ? n >> 10 : n); };
    if (reason == kProgressStart) {
        self->fileBytesReported_ = 0;
        dialog->BeginFile(bar(total));
    } else if (reason == kProgressChunk) {
        if (done != self->fileBytesReported_)
            dialog->StepFile(bar(done) - bar(self->fileBytesReported_));
        const std::uint64_t units = WorkUnits::Of(done) - WorkUnits::Of(self->fileBytesReported_);
        if (units != 0)
            dialog->Step(static_cast<std::uint32_t>(units));
        self->fileBytesReported_ = done;
    } else if (reason == kProgressEnd) {
        self->fileBytesReported_ = 0;
        dialog->EndFile(0);
    }
    WorkUnits::FormatTransferProgress(dialog, done, total);
    return dialog->IsCancelled() ? 1 : 0;
}

}  // namespace nbr
