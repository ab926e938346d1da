#include "security/FileStream.h"

#include "platform/CreationPolicy.h"

#include <unistd.h>

namespace nbr {

std::int32_t FileStream::Release()
{
    const std::int32_t count = --refCount_;
    if (count == 0)
        delete this;
    return count;
}

Status FileStream::Open(const QString& path)
{
    if (path.isEmpty())
        return E_INVALIDARG;
    (void)file_.Close();
    name_.clear();
    NativeFile file;
    Status s = file.OpenReadWrite(path, true, CreationPolicy::StoreSecurityAttributes());
    if (Succeeded(s))
        s = file.TryLockExclusive();
    if (Failed(s))
        return s;
    file_ = std::move(file);
    name_ = path;
    return S_OK;
}

Status FileStream::Read(void* buffer, std::uint32_t size, std::uint32_t* done)
{
    if (done)
        *done = 0;
    if (!file_.IsOpen())
        return E_STREAM_READ;
    std::size_t got = 0;
    const Status s = file_.Read(buffer, size, &got);
    if (done) {
        *done = static_cast<std::uint32_t>(got);
        return S_OK;
    }
    return Succeeded(s) && got == size ? S_OK : E_STREAM_READ;
}

Status FileStream::Write(const void* buffer, std::uint32_t size, std::uint32_t* done)
{
    if (done)
        *done = 0;
    if (!file_.IsOpen())
        return E_STREAM_WRITE;
    // Whole-or-nothing writes suffice for the key file's small records.
    const Status s = file_.Write(buffer, size);
    if (done) {
        *done = Succeeded(s) ? size : 0;
        return S_OK;
    }
    return Succeeded(s) ? S_OK : E_STREAM_WRITE;
}

Status FileStream::Seek(std::int64_t move, int origin, std::uint64_t* position)
{
    const int whence = origin == kSeekSet ? SEEK_SET : origin == kSeekEnd ? SEEK_END : SEEK_CUR;
    return file_.SeekBy(move, whence, position);
}

Status FileStream::Commit()
{
    return file_.Flush();
}

}  // namespace nbr
