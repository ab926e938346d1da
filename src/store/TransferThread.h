#pragma once
// What the two transfer workers share: the progress dialog they report to,
// their thread, their status, and the progress routine they hand to the file
// transforms, which drives the file bar, the job bar and the byte counts.

#include "platform/Status.h"

#include <QThread>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace nbr {

class IProgressDlg;
class LanguageManager;

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

    // Writes `destination` through `write`, which gets the path to write.
    // When the destination exists, the new content goes to a name beside it
    // and replaces the old file only once complete: a failed or cancelled
    // write leaves the old version as it was, and a crash leaves one of the
    // two whole.
    [[nodiscard]] static Status WriteReplacing(const QString& destination,
                                               const std::function<Status(const QString& path)>& write);
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
    std::uint64_t fileBytesReported_ = 0;
    std::unique_ptr<QThread> thread_;
};

}  // namespace nbr
