#pragma once
// Which files other processes hold open: the stand-in for the "file in use"
// answer of systems with mandatory sharing. Reads /proc/*/fd as fuser does;
// processes of other users that we may not inspect are not seen, and this
// process itself never counts.

#include <QString>
#include <QStringList>

namespace nbr {

class OpenFiles {
public:
    // Only a regular file at `path` itself counts: a link is not followed.
    [[nodiscard]] static bool IsOpenByAnotherProcess(const QString& path);
    // The paths of `paths` (regular files themselves, links not followed)
    // that another process may still write to: a descriptor of it open for
    // writing (write-only or read-write), or a shared writable mapping of
    // it. Held only for reading does not count. One look at the system
    // answers for all of them. (Where sharing is mandatory this is the
    // question whether the file can be opened while denying others write
    // access.)
    [[nodiscard]] static QStringList OpenForWriting(const QStringList& paths);
    [[nodiscard]] static bool IsOpenForWriting(const QString& path) { return !OpenForWriting({path}).isEmpty(); }
};

}  // namespace nbr
