#pragma once
// The store's operations on stored paths: naming, creating folders along a
// display path, resolving display names, deleting items and trees while
// keeping every manifest true to the disk.

#include "platform/Status.h"
#include "store/StoreManifest.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace nbr {

class IProgressDlg;
class SecParams;
struct DirectoryEntry;

// One item of a stored folder as the store pane shows it: the display name
// and kind from the folder's list, the size and date of the stored item on
// the stick. An item whose stored file is missing is still listed, without
// size and date.
struct StoreListEntry {
    std::uint32_t id = 0;
    QString name;
    bool isFolder = false;
    QString storedPath;
    bool present = false;
    std::uint64_t encryptedSize = 0;  // files only: header and padding included
    QDateTime writeTime;              // UTC; invalid when the item is missing
};

class EncryptedStore {
public:
    // `root` is the folder "Encrypted Data"; `keys` unlocks its manifests.
    // Nothing inside `root` is ever reached through a symbolic link.
    EncryptedStore(const QString& root, const SecParams& keys);

    [[nodiscard]] const QString& Root() const { return root_; }
    [[nodiscard]] const SecParams& Keys() const { return keys_; }

    [[nodiscard]] static QString ManifestPathOf(const QString& folder);
    [[nodiscard]] static QString StoredPathOf(const QString& folder, std::uint32_t id);
    [[nodiscard]] static bool IsManifestFileName(const QString& name);
    [[nodiscard]] static bool DeleteManifestFiles(const QString& folder);
    // The longest name a person may give a folder: what every file system of
    // a stick takes, so that the folder can come out again under its name.
    static constexpr int kMaxNameLength = 255;
    // A valid name for a folder a person creates: not empty, not "." or "..",
    // no white space at either end, none of / \ : * ? " < > |, at most
    // kMaxNameLength characters.
    [[nodiscard]] static bool IsValidFolderName(const QString& name);
    // A name any item may have in the store, whatever host it came from: one
    // that the copy out can turn back into a host file name.
    [[nodiscard]] static bool IsStorableName(const QString& name);
    // The rule of IsValidFolderName without what only this system refuses.
    [[nodiscard]] static bool FollowsNameRule(const QString& name);
    // Why a name failed IsValidFolderName: E_STORE_BAD_NAME against the
    // rule, E_STORE_NAME_RESERVED when only this system refuses it.
    [[nodiscard]] static Status BadTypedName(const QString& name);

    [[nodiscard]] QString GetDisplayName(const QString& storedPath) const;
    // The entry its folder's list holds for a stored item; false when the
    // list cannot be read or does not name it.
    [[nodiscard]] bool FindListed(const QString& storedPath, ManifestEntry* entry) const;
    [[nodiscard]] Status CreateStoreFolder(const QString& parent, const QString& name, QString* storedPath);
    // `base` empty: the store root, created when missing. Existing folders
    // are found whatever their names; missing ones are created when their
    // names pass IsValidFolderName, or only IsStorableName with `hostNames`
    // (names that come from a host's files). A file in the way gives
    // E_STORE_ITEM_EXISTS with `storedPath` at that file.
    [[nodiscard]] Status EnsureStoreFolders(const QString& base, const QString& displayRelPath, QString* storedPath,
                                            bool hostNames = false);
    // Unlists the item, then deletes it; what cannot be deleted is listed
    // again. Fails only when the list cannot be read or changed.
    [[nodiscard]] Status DeleteStoreItem(const QString& storedPath, IProgressDlg* progress);
    // The same for many items: each folder's list is saved once to unlist
    // its items and once more only when some of them stay. Stops at the
    // first folder whose list cannot be read or changed.
    [[nodiscard]] Status DeleteStoreItems(const QStringList& storedPaths, IProgressDlg* progress);
    // The empty file that stands beside an item while it is deleted.
    [[nodiscard]] static QString DeletionMarkerOf(const QString& storedPath);
    [[nodiscard]] bool DeleteStoreTree(const QString& folder, IProgressDlg* progress, bool reportFolders,
                                       bool updateManifests);

    // Whether a stored file's key block verifies under the master key.
    [[nodiscard]] Status VerifyStoredFile(const QString& storedPath) const;
    // Finds the item at a display path ("/" or "" is the root). `entry` gets
    // its manifest entry (the root: a folder with id 0).
    // `names` (optional) gets the display path as the manifests spell it.
    [[nodiscard]] Status Resolve(const QString& displayPath, QString* storedPath, ManifestEntry* entry,
                                 QString* names = nullptr) const;
    // The items of the stored folder `storedFolder`, folders first, then by
    // name. Fails with the list's load status when it cannot be read.
    [[nodiscard]] Status ListFolder(const QString& storedFolder, std::vector<StoreListEntry>* entries) const;
    // The same from the folder's list alone, in the same order, without a
    // look at the stick: every entry is marked not present, without size
    // and date (DescribeItem or a folder read adds them).
    [[nodiscard]] Status ListNames(const QString& storedFolder, std::vector<StoreListEntry>* entries) const;
    // One listed item: `item` from its folder's list, the rest from the stick.
    [[nodiscard]] static StoreListEntry DescribeItem(const QString& storedPath, const ManifestEntry& item);
    // The items of a stored folder as the stick has them, by name, from one
    // reading of the folder (none when it cannot be read: its items then
    // show as missing).
    [[nodiscard]] static QHash<QString, DirectoryEntry> ItemsOnStick(const QString& storedFolder);

private:
    // `info` is what the stick says of the item; null when it is missing.
    [[nodiscard]] static StoreListEntry Describe(const QString& storedPath, const ManifestEntry& item,
                                                 const DirectoryEntry* info);
    // Marks the entry present, with the size and date the stick gives it.
    static void AddStickFacts(StoreListEntry* entry, const DirectoryEntry& info);
    [[nodiscard]] Status EnsureRoot();
    // DeleteStoreItems for the items of one folder.
    [[nodiscard]] Status DeleteFromFolder(const QString& parent, const QStringList& storedPaths, IProgressDlg* progress);
    // CreateStoreFolder without the check of the name.
    [[nodiscard]] Status AddStoreFolder(const QString& parent, const QString& name, QString* storedPath);

    QString root_;
    const SecParams& keys_;
};

}  // namespace nbr
