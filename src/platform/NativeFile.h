#pragma once
// An open file of the operating system, with status codes instead of errno.
// Reads and writes loop over short transfers so that callers see whole
// chunks; closing reports errors, since a removable volume may only fail then.

#include "platform/FileTime.h"
#include "platform/Status.h"

#include <QString>

#include <cstddef>
#include <cstdint>

namespace nbr {

class ConfinedPath;
class CreationPolicy;

class NativeFile {
public:
    NativeFile() = default;
    ~NativeFile();
    NativeFile(NativeFile&& other) noexcept;
    NativeFile& operator=(NativeFile&& other) noexcept;
    NativeFile(const NativeFile&) = delete;
    NativeFile& operator=(const NativeFile&) = delete;

    [[nodiscard]] Status OpenRead(const QString& path);
    // Creates the file, replacing any existing one (write access only).
    [[nodiscard]] Status CreateAlways(const QString& path, const CreationPolicy* policy);
    // Opens an existing file for reading and writing, or creates it when
    // `create` is set.
    [[nodiscard]] Status OpenReadWrite(const QString& path, bool create, const CreationPolicy* policy);
    // Opens an existing file for reading and writing, refusing a link even
    // outside a confined folder: for overwriting what is there, not what a
    // link points at.
    [[nodiscard]] Status OpenExistingNoFollow(const QString& path);

    // Reads up to `size` bytes; fewer only at the end of the file.
    [[nodiscard]] Status Read(void* buffer, std::size_t size, std::size_t* bytesRead);
    [[nodiscard]] Status Write(const void* buffer, std::size_t size);
    [[nodiscard]] Status Seek(std::uint64_t position);
    [[nodiscard]] Status Tell(std::uint64_t* position) const;
    // Moves by `move` from the start (SEEK_SET), the end (SEEK_END) or the
    // current position (SEEK_CUR); `position` (optional) gets the new one.
    [[nodiscard]] Status SeekBy(std::int64_t move, int whence, std::uint64_t* position);
    // An exclusive advisory lock: one writer per file among cooperating
    // programs. A file locked elsewhere gives the sharing-violation status.
    [[nodiscard]] Status TryLockExclusive();
    [[nodiscard]] Status Size(std::uint64_t* size) const;
    // Creation (birth) time where the file system keeps one, else 0.
    [[nodiscard]] Status GetTimes(FileTime* creation, FileTime* access, FileTime* write) const;
    // The creation time cannot be set here; a time of 0 leaves that time alone.
    [[nodiscard]] Status SetTimes(FileTime access, FileTime write);
    // Puts what was written on the device.
    [[nodiscard]] Status Flush();
    [[nodiscard]] Status Close();

    // Puts a file's data, or a folder's entries, on the device.
    [[nodiscard]] static Status SyncPath(const QString& path);
    // Puts everything written to the file system that holds `path` on the
    // device: one flush for many new files instead of one each.
    [[nodiscard]] static Status SyncVolume(const QString& path);
    // Deletes a file (not a folder) or a link.
    [[nodiscard]] static Status Remove(const QString& path);

    [[nodiscard]] bool IsOpen() const { return fd_ >= 0; }
    [[nodiscard]] int Handle() const { return fd_; }
    [[nodiscard]] const QString& Path() const { return path_; }

private:
    enum Access : int { kRead = 1, kWrite = 2, kCreate = 4, kTruncate = 8, kNoFollow = 16 };
    using PathCall = Status (*)(const ConfinedPath& at, const QString& path);

    // The portable part (NativeFile_common.cpp): the checks before each call,
    // the fault seam and whole transfers out of short ones.
    [[nodiscard]] Status Open(const QString& path, int access, unsigned mode);
    // Walks to `path`, lets the fault seam see the `change`, then makes `call`.
    [[nodiscard]] static Status OnPath(const QString& path, const char* change, PathCall call);

    // Each system's own calls (NativeFile.cpp, NativeFile_win.cpp), made on
    // an open file or a walked path only.
    [[nodiscard]] static Status OpenAt(const ConfinedPath& at, const QString& path, int access, unsigned mode, int* fd);
    // One transfer of at most `size` bytes; `done` is 0 at the end of the file.
    [[nodiscard]] Status ReadSome(void* buffer, std::size_t size, std::size_t* done);
    [[nodiscard]] Status WriteSome(const void* buffer, std::size_t size, std::size_t* done);
    // The position is the system's, not this object's state: const.
    [[nodiscard]] Status Move(std::int64_t move, int whence, std::uint64_t* position) const;
    [[nodiscard]] Status LockOnce();
    [[nodiscard]] Status SizeOf(std::uint64_t* size) const;
    [[nodiscard]] Status TimesOf(FileTime* creation, FileTime* access, FileTime* write) const;
    // A time of 0 is left alone.
    [[nodiscard]] Status ChangeTimes(FileTime access, FileTime write);
    [[nodiscard]] Status FlushData();
    // Closes `fd`, with the error the system reports for it.
    [[nodiscard]] static Status Release(int fd);
    [[nodiscard]] static Status SyncAt(const ConfinedPath& at, const QString& path);
    [[nodiscard]] static Status RemoveAt(const ConfinedPath& at, const QString& path);

    int fd_ = -1;
    QString path_;
};

}  // namespace nbr
