#pragma once
// Files and folders by path: creation, removal, listing and existence, with
// status codes. Listing reports names that are not valid UTF-8 as such, so
// callers can refuse them instead of mangling them. Listings never follow a
// link into a folder, and inside a confined folder (see ConfinedPath) no call
// follows a link at all.

#include "platform/FileTime.h"
#include "platform/Status.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <functional>

namespace nbr {

class ConfinedPath;
class CreationPolicy;

struct DirectoryEntry {
    QString name;
    bool isFolder = false;
    std::uint64_t size = 0;
    bool validName = true;  // false: the bytes on disk are not UTF-8
    FileTime writeTime;
    // A symbolic link: never a folder here, whatever it points at. Outside a
    // confined folder, size and time are those of what it points at.
    bool isLink = false;
    bool linkToFolder = false;
    // Neither a regular file nor a folder (a FIFO, socket, device, dangling
    // link): nothing to read as a file's content.
    bool isSpecial = false;
};

// How RemoveTree goes about its work.
struct TreeRemoval {
    bool wipe = false;   // overwrite files with zeros, on the device, first
    QString keep;        // a file inside that stays, with the folders to it
    std::function<void(const QString& folder)> enteringFolder;
    std::function<void()> removedOne;  // per file and folder
    // Files that another program holds open are not overwritten.
    std::function<bool(const QString& file)> inUse;
    // Names that are not UTF-8 (after wiping and removing them).
    std::function<void(const QString& lossyPath)> oddName;
};

class FileSystem {
public:
    [[nodiscard]] static Status RemoveFile(const QString& path);
    [[nodiscard]] static Status RemoveFolder(const QString& path);
    [[nodiscard]] static Status CreateFolder(const QString& path, const CreationPolicy* policy);
    // The entries of a folder other than "." and "..", in no particular order.
    [[nodiscard]] static Status List(const QString& path, QList<DirectoryEntry>* entries);
    // Whether a folder holds any entry, without looking at the entries: a
    // folder of thousands costs one read, not thousands of look-ups.
    [[nodiscard]] static Status HasEntries(const QString& path, bool* any);
    [[nodiscard]] static bool Exists(const QString& path);
    // What a listing would say of one path (its name is the last component).
    [[nodiscard]] static Status Info(const QString& path, DirectoryEntry* info);
    // Moves `from` over `to` in one step, replacing a file already there.
    // Where a file that a reader holds cannot be replaced (Windows off NTFS)
    // it waits a moment for the reader to let go, unless told not to: a
    // caller that holds the file itself knows that nobody will.
    [[nodiscard]] static Status Rename(const QString& from, const QString& to, bool waitForReaders = true);
    // Whether Rename() can replace a file that a handle holds open. Windows
    // can only on NTFS (where Rename asks for it): elsewhere there a holder
    // has to let go first.
    [[nodiscard]] static bool CanReplaceOpenFiles();
    // S_OK with `isFolder`, or the status of the failed query.
    [[nodiscard]] static Status Kind(const QString& path, bool* isFolder);
    // Whether `inner` is the folder `outer` or lies somewhere inside it, as
    // the file system sees it: every folder on `inner`'s resolved path, from
    // itself up to the root, is compared with `outer` by device and inode, so
    // a second way to the same folder (a link, a bind mount) counts too.
    // False when either cannot be looked at.
    [[nodiscard]] static bool Contains(const QString& outer, const QString& inner);
    // A folder itself (not a link to one) that this user owns and nobody
    // else may enter: the kind of folder this program makes for decrypted
    // copies.
    [[nodiscard]] static bool IsPrivateFolderOfThisUser(const QString& path);
    // Deletes a folder and everything in it, going on after failures. A link
    // is removed as a link and never followed, so the deletion cannot leave
    // the tree it was given; names that are not UTF-8 go like any other.
    // True when everything (but the kept file) is gone.
    [[nodiscard]] static bool RemoveTree(const QString& path, const TreeRemoval& how);

private:
    // The system's calls once the walk to the path succeeded (and, for a
    // change, the fault seam let it); the walks are FileSystem_common.cpp's.
    [[nodiscard]] static Status RemoveFileAt(const ConfinedPath& at, const QString& path);
    [[nodiscard]] static Status RemoveFolderAt(const ConfinedPath& at, const QString& path);
    [[nodiscard]] static Status CreateFolderAt(const ConfinedPath& at, const QString& path, const CreationPolicy* policy);
    [[nodiscard]] static Status ListAt(const ConfinedPath& at, const QString& path, QList<DirectoryEntry>* entries);
    [[nodiscard]] static Status HasEntriesAt(const ConfinedPath& at, const QString& path, bool* any);
    [[nodiscard]] static Status RenameAt(const ConfinedPath& source, const ConfinedPath& target, const QString& to,
                                         bool waitForReaders);
    [[nodiscard]] static bool RemoveTreeAt(const ConfinedPath& at, const QString& path, const TreeRemoval& how);
};

}  // namespace nbr
