#pragma once
// Encrypts host files and folders into a stored folder: each file becomes a
// numbered stored file, each folder a stored folder with its own manifest.
// Asks about items that exist already, stops on a full drive, and can be
// cancelled. Every item left out is reported, and then the run fails.
//
// A run keeps the list of the folder it fills loaded and locked and adds
// entries in memory; the list is saved when the run leaves the folder, at
// the end, on cancel, before any message to the person, and at the latest
// after a second of work, so that N files cost N entries, not N lists.
// Each stored file is on the device before a list naming it is saved; a
// crash loses at most the last second's entries, whose files a repair lists
// again. When the run returns, every list naming its files is saved: a move
// may then delete its sources.

#include "base/DropFileList.h"
#include "platform/FileSystem.h"
#include "security/ICrypt.h"
#include "store/TransferThread.h"

#include <atomic>

namespace nbr {

class EncryptedStore;
class SecParams;
class StoreManifest;

class CopyToDeviceThread final : public TransferThread {
public:
    // `targetFolder` is a stored folder; empty means the store root.
    CopyToDeviceThread(IProgressDlg* progress, EncryptedStore& store, const DropFileList& files,
                       const QString& targetFolder, const LanguageManager& languages);
    ~CopyToDeviceThread() override;

    // One host file into a stored folder; `source` is the file's listing.
    // Replacing (with `overwrite`) keeps the entry and its number.
    [[nodiscard]] static Status EncryptFileIntoStore(EncryptedStore& store, const QString& sourcePath,
                                                     const QString& storedFolder, const DirectoryEntry& source,
                                                     std::uint32_t* id, CryptProgressRoutine routine, void* data,
                                                     bool overwrite);
    // A host folder, merged into a stored folder of the same name with
    // `overwrite`; files inside always replace stored ones.
    [[nodiscard]] static Status EncryptFolderIntoStore(EncryptedStore& store, const QString& sourceFolder,
                                                       const QString& storedFolder, const DirectoryEntry& source,
                                                       std::uint32_t* id, CryptProgressRoutine routine,
                                                       TransferThread* thread, bool overwrite);

protected:
    Status Run() override;

private:
    // The work of the two above on an open, writable list of `storedFolder`;
    // nothing is saved except, for a folder, its parent before the run enters
    // it, and the folder's own list when the run leaves it.
    [[nodiscard]] static Status StoreFile(StoreManifest& list, const SecParams& keys, const QString& sourcePath,
                                          const QString& storedFolder, const DirectoryEntry& source, std::uint32_t* id,
                                          CryptProgressRoutine routine, void* data, bool overwrite);
    [[nodiscard]] static Status StoreFolder(EncryptedStore& store, StoreManifest& list, const QString& sourceFolder,
                                            const QString& storedFolder, const DirectoryEntry& source,
                                            std::uint32_t* id, CryptProgressRoutine routine, TransferThread* thread,
                                            bool overwrite);
    // StoreFile for a small file inside a folder: its entry now, its
    // encryption on the transfer's pool; the outcome settles into `folderResult`.
    [[nodiscard]] static Status QueueFile(StoreManifest& list, const QString& sourcePath, const QString& storedFolder,
                                          const DirectoryEntry& source, TransferThread& thread, Status* folderResult);
    // False (with a message) for what is never stored: a link to a folder
    // inside a dropped folder, a FIFO, socket, device or dangling link.
    [[nodiscard]] static bool LeaveOutUnstorable(const DirectoryEntry& item, const QString& path,
                                                 TransferThread* thread);
    // Whether `path` is, holds or lies inside the store or the launch folder.
    [[nodiscard]] bool HoldsOrInsideStore(const QString& path) const;

private:
    EncryptedStore& store_;
    DropFileList files_;
    QString target_;
};

}  // namespace nbr
