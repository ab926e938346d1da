#pragma once
// Forgiving file and folder removal, folder creation along a path and
// overwriting files before deletion: the helpers every store operation shares.
// They report by their results and never show anything themselves.

#include "platform/Status.h"

#include <QString>
#include <QStringList>

#include <cstdint>

namespace nbr {

class CreationPolicy;
class IProgressDlg;
class NativeFile;

class FileUtilities {
public:
    // Creates every folder along `path` (the last component too unless
    // `lastIsFile`); existing folders are fine. 0 or the Windows error number.
    [[nodiscard]] static std::uint32_t CreateDirectories(const QString& path, bool lastIsFile,
                                                         const CreationPolicy* policy);
    [[nodiscard]] static bool RemoveFolder(const QString& path);
    // True when the file is gone, also when it was never there.
    [[nodiscard]] static bool DeleteFileForced(const QString& path);
    [[nodiscard]] static Status GetPathKind(const QString& path, bool* isFolder);
    [[nodiscard]] static bool PathExists(const QString& path);
    [[nodiscard]] static bool IsDotName(const QString& name);
    // Whether a folder holds anything; `reachable` tells whether it could be read.
    [[nodiscard]] static bool FolderHasEntries(const QString& path, bool* reachable);
    // A new folder in the system's temporary folder, named by the prefix and
    // a number; its path ends in a separator. Empty when none could be made.
    // Only the owner may enter it, and no link inside it is ever followed.
    [[nodiscard]] static QString CreateUniqueTempFolder(const QString& prefix);
    // Wipes and deletes the folders CreateUniqueTempFolder made with `prefix`
    // for a program that has ended without removing them (a crash, a kill):
    // only private folders of this user whose owning process is gone.
    // Returns how many went.
    static int SweepStaleTempFolders(const QString& prefix);
    // The policy for files created in `folder`: owner-only inside a folder
    // made by CreateUniqueTempFolder, else the usual one (null).
    [[nodiscard]] static const CreationPolicy* PolicyForCopiesIn(const QString& folder);

    enum class Access { Read, Write, ReadWrite };
    // Opens an existing file; a read-only file opened for writing is made
    // writable first and gets its attributes back at CloseFileForced.
    [[nodiscard]] static Status OpenFileForced(const QString& path, Access access, NativeFile* file);
    [[nodiscard]] static Status CloseFileForced(NativeFile* file);
    // Another program holds the file open.
    [[nodiscard]] static bool IsFileInUse(const QString& path);
    // Overwrites every byte of the file with zeros, on the device; its size
    // stays. A link is never followed.
    [[nodiscard]] static bool WipeFile(const QString& path);
    // Deletes a folder and everything in it, going on after failures, with
    // SetLine2 for folders (when `reportFolders`) and Step(1) per deleted
    // file and folder. `keep`, when it names a file inside, stays with the
    // folders that lead to it. Links are removed, never followed. True when
    // everything else is gone. `oddNames` (optional) gets the paths, as far
    // as they can be spelt, of names that were not UTF-8.
    [[nodiscard]] static bool DeleteTree(const QString& path, IProgressDlg* progress, bool reportFolders, bool wipe,
                                         const QString& keep = {}, QStringList* oddNames = nullptr);
};

}  // namespace nbr
