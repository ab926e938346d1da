#pragma once
// The one policy through which the store and the key file create their files
// and folders. The stick must stay usable from another account or another
// computer, so creation uses the open modes (filtered by the umask), never
// private ones.

#include <sys/types.h>

namespace nbr {

class CreationPolicy {
public:
    constexpr CreationPolicy(mode_t fileMode, mode_t folderMode) : fileMode_(fileMode), folderMode_(folderMode) {}

    [[nodiscard]] constexpr mode_t FileMode() const { return fileMode_; }
    [[nodiscard]] constexpr mode_t FolderMode() const { return folderMode_; }

    // The policy of everything on the stick; callers that pass none get the
    // same modes.
    [[nodiscard]] static const CreationPolicy* StoreSecurityAttributes();
    [[nodiscard]] static const CreationPolicy& OrDefault(const CreationPolicy* policy);
    // Owner only: decrypted copies in the host's shared temporary folder.
    [[nodiscard]] static const CreationPolicy* Private();

private:
    mode_t fileMode_;
    mode_t folderMode_;
};

}  // namespace nbr
