#include "security/FileStream.h"

#include "platform/CreationPolicy.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace nbr {
namespace {

FileStream::FaultSeam& Seam()
{
    static FileStream::FaultSeam seam;
    return seam;
}

FileStream::Fault FaultAt(FileStream::Step step)
{
    return Seam() ? Seam()(step) : FileStream::Fault::kNone;
}

// What an injected fault looks like to the caller: a device that stopped.
constexpr Status kInjected = StatusFromWin32(win32::kGenFailure);

// Writes all of `size` unless the seam says otherwise; `written` gets what
// reached the file.
Status WriteStep(NativeFile& file, FileStream::Step step, const void* buffer, std::uint32_t size,
                 std::uint32_t* written)
{
    *written = 0;
    const FileStream::Fault fault = FaultAt(step);
    if (fault == FileStream::Fault::kFail)
        return kInjected;
    if (fault == FileStream::Fault::kTear) {
        const std::uint32_t half = size / 2;
        if (Succeeded(file.Write(buffer, half)))
            *written = half;
        return kInjected;
    }
    const Status s = file.Write(buffer, size);
    if (Succeeded(s))
        *written = size;
    return s;
}

Status FlushStep(NativeFile& file, FileStream::Step step)
{
    return FaultAt(step) != FileStream::Fault::kNone ? kInjected : file.Flush();
}

}  // namespace

void FileStream::SetFaultSeam(FaultSeam seam)
{
    Seam() = std::move(seam);
}

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
    std::uint32_t written = 0;
    const Status s = WriteStep(file_, Step::kWrite, buffer, size, &written);
    if (done) {
        *done = written;
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
    return FlushStep(file_, Step::kFlush);
}

QString FileStream::ReplacementName(const QString& path)
{
    return path + QStringLiteral(".nbr-new");
}

Status FileStream::RenameAfterLettingGo(const QString& temporary)
{
    // Where a file held open cannot be replaced (Windows off NTFS), ours
    // lets go of the old file first. Its old record then cannot be scrubbed
    // through the handle afterwards: that is the one thing this way loses.
    (void)file_.Close();
    const Status s = FileSystem::Rename(temporary, name_);
    if (Succeeded(s))
        return s;
    // Not replaced: the old file is ours again, locked as before.
    NativeFile again;
    if (Succeeded(again.OpenReadWrite(name_, false, CreationPolicy::StoreSecurityAttributes()))
        && Succeeded(again.TryLockExclusive()))
        file_ = std::move(again);
    return s;
}

Status FileStream::Replace(const std::uint8_t* data, std::uint32_t size)
{
    if (!file_.IsOpen() || name_.isEmpty())
        return E_STREAM_WRITE;
    const QString temporary = ReplacementName(name_);
    // A leftover of an interrupted replacement is stale by definition; it is
    // unlinked whatever it is, so that a planted link is never written through.
    if (FaultAt(Step::kRemoveReplacement) != Fault::kNone)
        return kInjected;
    if (const Status s = NativeFile::Remove(temporary); Failed(s) && s != StatusFromWin32(win32::kFileNotFound)
                                                                  && s != StatusFromWin32(win32::kPathNotFound))
        return s;

    NativeFile next;
    Status s = FaultAt(Step::kCreateReplacement) != Fault::kNone
                   ? kInjected
                   : next.OpenReadWrite(temporary, true, CreationPolicy::StoreSecurityAttributes());
    if (Failed(s))
        return s;
    // Locked before it takes the name: no other program can slip in between.
    s = next.TryLockExclusive();
    std::uint32_t written = 0;
    if (Succeeded(s))
        s = WriteStep(next, Step::kWriteReplacement, data, size, &written);
    if (Succeeded(s))
        s = FlushStep(next, Step::kFlushReplacement);
    if (Succeeded(s))
        // No wait for readers: the holder that would stop it is this stream.
        s = FaultAt(Step::kRename) != Fault::kNone ? kInjected : FileSystem::Rename(temporary, name_, false);
    if (s == StatusFromWin32(win32::kAccessDenied) && !FileSystem::CanReplaceOpenFiles())
        s = RenameAfterLettingGo(temporary);
    if (Failed(s)) {
        (void)next.Close();
        if (FaultAt(Step::kRemoveReplacement) == Fault::kNone)
            (void)NativeFile::Remove(temporary);
        return s;
    }

    // From here on the name belongs to the new file, whatever fails next.
    NativeFile old = std::exchange(file_, std::move(next));
    const QString folder = NativePath::ParentOf(name_);
    s = FaultAt(Step::kFlushFolder) != Fault::kNone ? kInjected
                                                    : NativeFile::SyncPath(folder.isEmpty() ? QStringLiteral("/") : folder);

    // The key area lies at the start; a file grown past the new size by
    // someone else keeps its tail, which never held a key of ours.
    std::uint64_t oldSize = 0;
    if (Succeeded(old.Size(&oldSize)) && oldSize > 0 && Succeeded(old.Seek(0))) {
        const auto length = static_cast<std::uint32_t>(std::min<std::uint64_t>(oldSize, size));
        const std::vector<std::uint8_t> zeros(length, 0);
        std::uint32_t scrubbed = 0;
        if (Succeeded(WriteStep(old, Step::kScrubOld, zeros.data(), length, &scrubbed)))
            (void)old.Flush();
    }
    (void)old.Close();
    return s;
}

}  // namespace nbr
