#pragma once
// The stream over the key file: read, write and seek at one shared position,
// and a commit that puts the writes on the device. While it is open, no other
// Nimbra or nimbra-cli can open the same key file (an exclusive advisory
// lock); readers that do not lock, such as "inspect", still can.
// Reference counted like the engines, starting at 1.
//
// Writes through Write go to the file in place; Replace puts a whole new
// file in its place in one step, for content too large to be written
// without the risk of a half-written state.

#include "platform/NativeFile.h"
#include "platform/Status.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace nbr {

inline constexpr Status E_STREAM_WRITE = MakeStatus(0x80040304u);
inline constexpr Status E_STREAM_READ = MakeStatus(0x80040305u);

class FileStream {
public:
    static constexpr int kSeekSet = 0;
    static constexpr int kSeekCur = 1;
    static constexpr int kSeekEnd = 2;

    // Every step that changes something on the device, in the order a
    // Replace takes them.
    enum class Step {
        kWrite,              // an in-place write
        kFlush,              // Commit
        kCreateReplacement,  // the new file beside the old one
        kWriteReplacement,
        kFlushReplacement,
        kRename,             // the new file takes the old one's name
        kFlushFolder,
        kScrubOld,           // the old file's bytes are overwritten
        kRemoveReplacement,  // a leftover before, or the clean-up of a failed replacement
    };
    enum class Fault {
        kNone,
        kFail,  // the step fails before it changes anything
        kTear,  // a write moves only its first half, then fails
    };
    // Test seam: asked before every step of every stream; null for none.
    using FaultSeam = std::function<Fault(Step step)>;
    static void SetFaultSeam(FaultSeam seam);

    FileStream() = default;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    [[nodiscard]] Status QueryInterface() const { return E_NOTIMPL; }
    std::int32_t AddRef() { return ++refCount_; }
    std::int32_t Release();

    // With `done`, the count of bytes moved is reported and the call succeeds;
    // without, anything short of `size` is a failure.
    [[nodiscard]] Status Read(void* buffer, std::uint32_t size, std::uint32_t* done);
    [[nodiscard]] Status Write(const void* buffer, std::uint32_t size, std::uint32_t* done);
    // Origins other than set and end move from the current position.
    [[nodiscard]] Status Seek(std::int64_t move, int origin, std::uint64_t* position);
    [[nodiscard]] Status Commit();
    [[nodiscard]] Status SetSize() const { return E_NOTIMPL; }
    [[nodiscard]] Status Stat() const { return E_NOTIMPL; }

    // Opens the file for reading and writing, creating it empty when missing.
    [[nodiscard]] Status Open(const QString& path);
    [[nodiscard]] const QString& FileName() const { return name_; }
    [[nodiscard]] bool IsOpen() const { return file_.IsOpen(); }

    // Makes `data` the whole content of the file: written to a new file
    // beside it and put on the device, renamed over the old one, the folder
    // put on the device. A reader, a crash or a pulled stick sees the old
    // content or the new, never a mix. The stream then stands on the new
    // file, locked since before it took the name, and the old file's bytes
    // are overwritten, so that an old key record does not linger in free
    // space. On failure before the rename, the old file is untouched and
    // the stream stays on it.
    [[nodiscard]] Status Replace(const std::uint8_t* data, std::uint32_t size);
    // The name the new file has until it takes the key file's name.
    [[nodiscard]] static QString ReplacementName(const QString& path);

private:
    ~FileStream() = default;

    QString name_;
    [[nodiscard]] Status RenameAfterLettingGo(const QString& temporary);

    NativeFile file_;
    std::int32_t refCount_ = 1;
};

// The one owner of a stream's reference: released when the owner goes.
struct FileStreamReleaser {
    void operator()(FileStream* stream) const
    {
        if (stream)
            stream->Release();
    }
};
using FileStreamPtr = std::unique_ptr<FileStream, FileStreamReleaser>;

}  // namespace nbr
