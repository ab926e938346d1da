#pragma once
// What the two transfer workers share: the progress dialog they report to,
// their thread, their status, and the progress routine they hand to the file
// transforms, which drives the file bar, the job bar and the byte counts.

#include "base/OwnedThread.h"
#include "platform/Status.h"

#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace nbr {

class FileCipherPool;
class IProgressDlg;
class LanguageManager;
class SecParams;
class StoreManifest;
struct DirectoryEntry;
struct PooledFile;

class TransferThread {
public:
    TransferThread(IProgressDlg* progress, const LanguageManager& languages);
    virtual ~TransferThread();
    TransferThread(const TransferThread&) = delete;
    TransferThread& operator=(const TransferThread&) = delete;

    // Starts the worker; wait with the dialog's RunModal(Thread()).
    void Start();
    [[nodiscard]] QThread* Thread() const { return thread_.get(); }
    [[nodiscard]] Status GetStatus() const { return status_.load(); }
    // Runs the job on the calling thread instead.
    Status RunHere();

    [[nodiscard]] IProgressDlg* Progress() const { return progress_; }
    [[nodiscard]] const LanguageManager& Languages() const { return languages_; }
    void ResetFileBytes() { fileBytesReported_ = 0; }
    [[nodiscard]] bool IsCancelled() const;
    // A host name that is not valid UTF-8 cannot be stored faithfully: say
    // so and go on without it.
    void ReportBadName(const QString& lossyPath) const;
    // An item left out of the run: its message, and the run ends failed, so
    // that a move deletes no source that was not handled.
    void ReportLeftOut(const QString& text) const;
    [[nodiscard]] bool LeftOutAny() const { return leftOut_.load(); }
    // The person declined to replace or merge some item: it was not copied,
    // though a later item may have been (and the run then succeeds). A move
    // must keep such a source, and a caller without a screen says so.
    void NoteDeclined() { declined_ = true; }
    [[nodiscard]] bool DeclinedAny() const { return declined_.load(); }

    // Writes `destination` through `write`, which gets the path to write.
    // When the destination exists, or always with `besideAlways` (files
    // written out of the store, which nothing else would clean up), the
    // content goes to a name beside it and takes the final name only once
    // complete: a failed, cancelled or killed write leaves no file cut short
    // under that name, an old version stays as it was, and a crash leaves
    // one of the two whole. (A new numbered file in the store is unlisted
    // until whole, which the lists and the repair already see to.)
    [[nodiscard]] static Status WriteReplacing(const QString& destination,
                                               const std::function<Status(const QString& path)>& write,
                                               bool besideAlways = false);
    // Saves `list` when it changed. On failure the entries added since its
    // last save go again, with their stored items (a folder with all it
    // holds): what is on the stick then matches what the list names.
    // A full drive is E_STORE_DISK_FULL.
    [[nodiscard]] static Status SaveList(StoreManifest& list);

    // The list of the folder the transfer is filling, kept in memory with
    // its new entries (null: none). Only this list may have unsaved changes;
    // it is saved before every message to the person, who may pull the
    // stick while a box waits, and at the latest each second of work.
    void HoldList(StoreManifest* list);
    [[nodiscard]] StoreManifest* HeldList() const { return held_; }
    // Saves the held list now, or only when it is due: a second has passed
    // since its last save, or the next file (of `nextFileBytes`) is large
    // enough to take that long itself. A failure stays: every later call
    // reports it.
    [[nodiscard]] Status SaveHeldList() const;
    [[nodiscard]] Status SaveHeldListIfDue(std::uint64_t nextFileBytes = 0) const;
    // Saves `list` (SaveList) once every file queued for it has settled.
    [[nodiscard]] Status SaveSettled(StoreManifest& list) const;

    // Small files go to a pool of workers (when the machine has cores to
    // spare); the transfer thread goes on walking while they encrypt.
    void StartPool(const SecParams& keys);
    void StopPool();
    // Whether `item` (a file) is encrypted by the pool rather than here.
    [[nodiscard]] bool Pools(const DirectoryEntry& item) const;
    // Whether a stored file of `bytes` is decrypted by the pool.
    [[nodiscard]] bool Pools(std::uint64_t bytes) const;
    // Queues one file; its failure lands in its folderResult when it settles.
    void Queue(PooledFile job);
    // Waits for every queued file and applies the outcomes: the entries of
    // failed files go, failures are reported, the progress moves.
    void SettleFiles() const;

    // A progress routine for the file transforms; `data` is the thread.
    static std::uint32_t StoreProgressRoutine(std::uint64_t total, std::uint64_t done, std::uint32_t reason, void* data);

    // An error box from the worker: title 11, the error icon, OK.
    void ShowError(const QString& text) const;
    // A notice box: title 12, the information icon, OK.
    void ShowNotice(const QString& text) const;
    // A yes/no question, title 12; true for yes.
    [[nodiscard]] bool Ask(const QString& text) const;

protected:
    virtual Status Run() = 0;

    IProgressDlg* progress_;
    const LanguageManager& languages_;

private:
    std::atomic<Status> status_ {S_OK};
    mutable std::atomic<bool> leftOut_ {false};
    std::atomic<bool> declined_ {false};
    std::uint64_t fileBytesReported_ = 0;
    OwnedThread thread_;
    // Saving is no change of what the transfer is, only of when its list
    // reaches the stick: the message boxes, which are const, save too.
    StoreManifest* held_ = nullptr;
    mutable QElapsedTimer sinceSave_;
    mutable Status heldFailure_ = S_OK;
    std::unique_ptr<FileCipherPool> pool_;
    mutable bool settling_ = false;
    void ApplyFinished(std::vector<PooledFile> jobs) const;
};

}  // namespace nbr
