#pragma once
// Folders that are never left through a symbolic link: the store, the launch
// folder and the private temporary folders. A stick is not trusted ground, so
// anyone who could write to it may have planted a link that leads into the
// host's files. Every path operation under a confined folder walks to the
// item's parent one folder at a time without following links, and then acts on
// the last component relative to that parent, again without following it.
//
// Paths outside every confined folder resolve as the system resolves them:
// host files a person points at are taken as they are.

#include "platform/Status.h"

#include <QByteArray>
#include <QString>

#ifdef _WIN32
#include <string>
#include <vector>
#endif

namespace nbr {

class ConfinedPath {
public:
    // From now on, nothing at or below `folder` (the folder itself included) is
    // reached through a link. The folder's parent is trusted as it is.
    static void Confine(const QString& folder);
    [[nodiscard]] static bool IsConfined(const QString& path);

    // Opens the folder that holds `path`'s last component. Check Error() (an
    // errno value; ELOOP when a link was met on the way) before use.
    explicit ConfinedPath(const QString& path);

    // While one lives on a thread, walks on that thread keep the folder they
    // reached last and start from it when the next path lies in the same
    // folder: a transfer of thousands of files into one folder walks it once,
    // not once per call. Open one only where no folder on the way is renamed
    // while it lives (a transfer, which holds its folders' lists).
    class Reuse {
    public:
        Reuse();
        ~Reuse();
        Reuse(const Reuse&) = delete;
        Reuse& operator=(const Reuse&) = delete;
    };
    ~ConfinedPath();
    ConfinedPath(const ConfinedPath&) = delete;
    ConfinedPath& operator=(const ConfinedPath&) = delete;

    [[nodiscard]] int Error() const { return error_; }
    // The parent folder's descriptor (AT_FDCWD when not confined).
    [[nodiscard]] int Dir() const { return dir_; }
    // The last component (the whole path when not confined).
    [[nodiscard]] const char* Name() const { return name_.constData(); }
    [[nodiscard]] bool Confined() const { return confined_; }
    // O_NOFOLLOW when confined, else 0: for open flags.
    [[nodiscard]] int NoFollowFlag() const;
    // AT_SYMLINK_NOFOLLOW when confined, else 0: for the stat flags.
    [[nodiscard]] int NoFollowAtFlag() const;
    // The status of a failed call on this path: a link met inside a confined
    // folder is reported as such, whatever errno the call chose for it.
    [[nodiscard]] Status Failure(int err, const QString& path) const;
    // Failure() with the walk's own error, or S_OK when the walk succeeded.
    [[nodiscard]] Status WalkStatus(const QString& path) const;
#ifdef _WIN32
    // Windows walks by path: the whole path for the Win32 calls. Error()
    // and Failure() take Win32 error numbers there.
    [[nodiscard]] const std::wstring& Wide() const { return wide_; }
#endif

private:
    // The registry of confined folders (ConfinedPath_common.cpp).
    [[nodiscard]] static QString Clean(const QString& path);
    // The confined folder that holds the cleaned path (the deepest one), or empty.
    [[nodiscard]] static QString FolderOf(const QString& clean);

#ifdef _WIN32
    std::wstring wide_;
    // The folders on the way, held open without delete sharing so that none
    // can be renamed and replaced by a junction while the path is used.
    std::vector<void*> held_;
#endif
    int dir_;
    bool ownsDir_ = true;
    int error_ = 0;
    bool confined_ = false;
    QByteArray name_;
};

}  // namespace nbr
