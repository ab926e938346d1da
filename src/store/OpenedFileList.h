#pragma once
// Stored files opened in their programs: each is decrypted into the launch
// folder on the stick under its display path and handed to the program the
// desktop associates with it. At the end, programs are asked to close,
// changed copies are encrypted back in place of their stored versions, other
// files left in the launch folder are imported, and the folder is wiped.

#include "platform/FileTime.h"
#include "platform/NativeFile.h"
#include "platform/Status.h"
#include "store/ProcessTracker.h"

#include <QString>

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

    // `displayPath` is the item's path of display names ("Docs/a.txt").
    [[nodiscard]] Status OpenStoredItem(const QString& storedPath, const QString& displayPath, IProgressDlg* dialog);
    [[nodiscard]] Status DecryptAndOpen(const QString& storedPath, const QString& copyPath, IProgressDlg* dialog);
    // Encrypts a copy back to its display path; without `overwrite` a clash
    // gets a numbered name (report.001.docx).
    [[nodiscard]] Status WriteBackFile(const QString& copyPath, bool overwrite);
    // Fails when a changed copy could not be written back: the user must hear
    // that those changes are lost.
    [[nodiscard]] Status CleanUpLaunchFolder(IProgressDlg* dialog);
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

    EncryptedStore& store_;
    QString launch_;
    const LanguageManager& languages_;
    std::vector<Opened> opened_;
    std::vector<LockFile> locks_;
    ProcessTracker programs_;
};

}  // namespace nbr
