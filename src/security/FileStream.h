#pragma once
// The stream over the key file: read, write and seek at one shared position,
// and a commit that puts the writes on the device. While it is open, no other
// Nimbra or nimbra-cli can open the same key file (an exclusive advisory
// lock); readers that do not lock, such as "inspect", still can.
// Reference counted like the engines, starting at 1.

#include "platform/NativeFile.h"
#include "platform/Status.h"

#include <QString>

#include <cstdint>

namespace nbr {

inline constexpr Status E_STREAM_WRITE = MakeStatus(0x80040304u);
inline constexpr Status E_STREAM_READ = MakeStatus(0x80040305u);

class FileStream {
public:
    static constexpr int kSeekSet = 0;
    static constexpr int kSeekCur = 1;
    static constexpr int kSeekEnd = 2;

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

private:
    ~FileStream() = default;

    QString name_;
    NativeFile file_;
    std::int32_t refCount_ = 1;
};

}  // namespace nbr
