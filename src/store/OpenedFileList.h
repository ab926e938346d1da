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
    // could not be stored or removed: the user must hear of it.
    [[nodiscard]] Status CleanUpLaunchFolder(IProgressDlg* dialog);
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

private:
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
    [[nodiscard]] Status StoreRemainingFiles(IProgressDlg* dialog);

    EncryptedStore& store_;
    QString launch_;
    const LanguageManager& languages_;
    std::vector<Opened> opened_;
    std::vector<LockFile> locks_;
    ProcessTracker programs_;
};

}  // namespace nbr
