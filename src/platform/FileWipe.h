#pragma once
// Overwriting a file's content with zeros before it is deleted, relative to
// an open folder: the one routine behind every wipe of a tree or of names no
// path can spell. The zeros are on the device before it returns, or the
// plaintext would stay readable in the stick's free space.

namespace nbr {

class FileWipe {
public:
    // Zeros the regular file `name` below the open folder `folder`, making a
    // read-only file writable for it first; a link is never followed. True
    // when every byte was overwritten and flushed; errno tells why not.
    // (On Windows, which walks by path, `folder` is unused and `name` is the
    // whole path in UTF-8; the error is then in GetLastError.)
    [[nodiscard]] static bool ZeroAt(int folder, const char* name);
};

}  // namespace nbr
