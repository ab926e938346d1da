#pragma once
// Stored files opened in their programs: each is decrypted into the launch
// folder on the stick under its display path and handed to the program the
// desktop associates with it. At the end, programs are asked to close,
// changed copies are encrypted back in place of their stored versions, other
// files left in the launch folder are imported, and the folder is wiped.
//
// A launch folder that a run which did not end properly left behind is
// cleaned up the same way before anything is opened again: a copy that
// still matches its stored file is wiped, anything else is stored.
//
// A program may hand its file to a process that outlives it (one that left
// its session), which may still write to the copy after the program ended.
// So nothing in the launch folder is stored or wiped before it has settled:
// no process holds it open for writing, and its size and time have not
// changed for the settle time. A file that has not settled when the wait's
// limit is reached is kept where it is, neither stored nor wiped, and
// reported; the next clean-up (of leftovers) takes it.

#include "platform/FileTime.h"
#include "platform/NativeFile.h"
#include "platform/Status.h"
#include "store/ProcessTracker.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace nbr {

class EncryptedStore;
class IProgressDlg;
class LanguageManager;

class OpenedFileList {
public:
    OpenedFileList(EncryptedStore& store, const QString& launchFolder, const LanguageManager& languages);
    ~OpenedFileList();
    OpenedFileList(const OpenedFileList&) = delete;
    OpenedFileList& operator=(const OpenedFileList&) = delete;

    // The launch folder of the store on the volume mounted at `volumeRoot`.
    [[nodiscard]] static QString LaunchFolderOf(const QString& volumeRoot);
    // Every file in a launch folder, as paths below it (names that are not
    // UTF-8 shown with replacement characters): plaintext on the stick.
    [[nodiscard]] static QStringList FindLeftovers(const QString& launchFolder);

    // `displayPath` is the item's path of display names ("Docs/a.txt"). A
    // name that cannot be a host file name (".." say) is refused with
    // E_STORE_BAD_NAME before anything is written.
    [[nodiscard]] Status OpenStoredItem(const QString& storedPath, const QString& displayPath, IProgressDlg* dialog);
    // `copyPath` lies in the launch folder. A file already there that this
    // list did not make is never decrypted over.
    [[nodiscard]] Status DecryptAndOpen(const QString& storedPath, const QString& copyPath, IProgressDlg* dialog);
    // Encrypts a copy back to its display path; without `overwrite` a clash
    // gets a numbered name (report.001.docx).
    [[nodiscard]] Status WriteBackFile(const QString& copyPath, bool overwrite);
    // Fails when a changed copy could not be written back, or plaintext
    // could not be stored or removed: the user must hear of it. Waits first
    // for every file there to settle, with the waiting text on `dialog`'s
    // first line (and the file on its second); files still being written
    // at the limit are kept (KeptCopies()), and then the result is
    // E_STORE_COPIES_KEPT unless something else failed.
    [[nodiscard]] Status CleanUpLaunchFolder(IProgressDlg* dialog);
    // The files (paths below the launch folder) that the last clean-up kept
    // because a program was still writing to them.
    [[nodiscard]] const QStringList& KeptCopies() const { return kept_; }
    // Before the first open: a launch folder that is already there was left
    // by a run that did not end properly, and is cleaned up. `found` tells
    // whether there was one.
    [[nodiscard]] Status CleanUpLeftovers(IProgressDlg* dialog, bool* found = nullptr);
    // There is a launch folder that this run did not make.
    [[nodiscard]] bool HasLeftovers() const;
    void DiscardOpenedCopy(const QString& copyPath);

    [[nodiscard]] const QString& LaunchFolder() const { return launch_; }
    [[nodiscard]] ProcessTracker& Programs() { return programs_; }
    [[nodiscard]] std::size_t OpenedCount() const { return opened_.size(); }
    [[nodiscard]] std::size_t LockFileCount() const { return locks_.size(); }

    // Test seam: how long a file must stay unchanged and not held open for
    // writing before the clean-up takes it (2 s), and how long the clean-up
    // waits at most for every file to settle (60 s).
    static void SetSettleTimes(int settleMs, int limitMs);
    [[nodiscard]] static int SettleMs();
    [[nodiscard]] static int SettleLimitMs();

private:
    // Only a folder at the launch folder's place is ours.
    [[nodiscard]] bool LaunchFolderExists() const;
    struct Opened {
        QString path;
        FileTime writeTime;
    };
    struct LockFile {
        QString path;
        std::unique_ptr<NativeFile> file;
    };

    void HoldLockFiles(const QString& folder);
    // The copy's path below the launch folder; empty when it is not inside.
    [[nodiscard]] QString RelativePath(const QString& copyPath) const;
    [[nodiscard]] bool MatchesStoredFile(const QString& copyPath, const QString& displayPath) const;
    void WaitUntilFree(const QString& path, IProgressDlg* dialog) const;
    // The files of the launch folder that clean-up would store or wipe.
    [[nodiscard]] QStringList FilesToSettle() const;
    // Waits until every such file has settled, up to the limit; returns the
    // ones that had not by then.
    [[nodiscard]] QStringList WaitUntilSettled(IProgressDlg* dialog) const;
    [[nodiscard]] bool IsKept(const QString& path) const;
    // Wipes everything in the launch folder but the kept files.
    void WipeAllButKept(const QString& folder) const;
    [[nodiscard]] Status StoreRemainingFiles(IProgressDlg* dialog);

    EncryptedStore& store_;
    QString launch_;
    const LanguageManager& languages_;
    std::vector<Opened> opened_;
    std::vector<LockFile> locks_;
    QStringList kept_;
    ProcessTracker programs_;
};

}  // namespace nbr
