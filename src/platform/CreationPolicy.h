#pragma once
// The one policy through which the store and the key file create their files
// and folders. The stick must stay usable from another account or another
// computer, so creation uses the open modes (filtered by the umask), never
// private ones.

#include <sys/types.h>

namespace nbr {

class CreationPolicy {
public:
    constexpr CreationPolicy(mode_t fileMode, mode_t folderMode, bool syncEachFile = true)
        : fileMode_(fileMode), folderMode_(folderMode), syncEachFile_(syncEachFile)
    {
    }

    [[nodiscard]] constexpr mode_t FileMode() const { return fileMode_; }
    [[nodiscard]] constexpr mode_t FolderMode() const { return folderMode_; }
    // Whether a new file goes to the device on its own as soon as it is
    // written (false: its writer syncs the whole volume once for many files).
    [[nodiscard]] constexpr bool SyncEachFile() const { return syncEachFile_; }

    // The policy of everything on the stick; callers that pass none get the
    // same modes.
    [[nodiscard]] static const CreationPolicy* StoreSecurityAttributes();
    // The store's modes for files written in numbers: the list that names
    // them syncs the volume before it is saved, one flush for all of them.
    [[nodiscard]] static const CreationPolicy* StoreBatch();
    [[nodiscard]] static const CreationPolicy& OrDefault(const CreationPolicy* policy);
    // Owner only: decrypted copies in the host's shared temporary folder.
    [[nodiscard]] static const CreationPolicy* Private();

private:
    mode_t fileMode_;
    mode_t folderMode_;
    bool syncEachFile_;
};

}  // namespace nbr
