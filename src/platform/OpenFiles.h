#pragma once
// Which files other processes hold open: the stand-in for the "file in use"
// answer of systems with mandatory sharing. Reads /proc/*/fd as fuser does;
// processes of other users that we may not inspect are not seen.

#include <QString>

namespace nbr {

class OpenFiles {
public:
    // Only a regular file at `path` itself counts: a link is not followed.
    [[nodiscard]] static bool IsOpenByAnotherProcess(const QString& path);
};

}  // namespace nbr
