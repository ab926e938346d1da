#include "panes/HostCopyThread.h"

#include "base/ErrorText.h"
#include "base/IProgressDlg.h"
#include "base/LanguageManager.h"
#include "base/MessageIds.h"
#include "platform/FileSystem.h"
#include "platform/HostPlaces.h"
#include "platform/NativeFile.h"
#include "platform/NativePath.h"
#include "security/ICrypt.h"
#include "store/StoreStatus.h"
#include "store/WorkUnits.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <vector>

namespace nbr {
namespace {

constexpr std::size_t kChunk = 1u << 20;
const Status kDiskFull = StatusFromWin32(win32::kDiskFull);

// The name a file is written under until it is whole.
QString PartialNameOf(const QString& destination)
{
    QString name = QLatin1Char('.') + NativePath::LastComponent(destination) + QStringLiteral(".nbr-new");
    if (NativePath::Encode(name).size() > 255)
        name = QStringLiteral(".nbr-%1.nbr-new").arg(qHash(NativePath::LastComponent(destination)), 0, 16);
    return NativePath::Join(NativePath::ParentOf(destination), name);
}

bool IsAtOrUnder(const QString& path, const QString& folder)
{
    return !folder.isEmpty() && (path == folder || path.startsWith(folder + NativePath::kSeparator));
}

}  // namespace

HostCopyThread::HostCopyThread(IProgressDlg* progress, const QStringList& sources, const QString& destinationFolder,
                               bool move, const LanguageManager& languages)
    : TransferThread(progress, languages), sources_(sources), destination_(destinationFolder), move_(move)
{
}

HostCopyThread::~HostCopyThread() = default;

bool HostCopyThread::EndsRun(Status s)
{
    return s == E_ABORTED || s == kDiskFull;
}

void HostCopyThread::LeaveOut(const QString& path, Status s, bool* whole) const
{
    *whole = false;
    ReportLeftOut(languages_.FormatText(msg::kFileNotCopied, {path, FormatErrorText(languages_, s)}));
}

Status HostCopyThread::CopyFile(const QString& source, const QString& destination)
{
    NativeFile in;
    Status s = in.OpenRead(source);
    std::uint64_t size = 0;
    if (Succeeded(s))
        s = in.Size(&size);
    FileTime created, accessed, written;
    if (Succeeded(s))
        s = in.GetTimes(&created, &accessed, &written);
    if (Failed(s))
        return s;
    const QString partial = PartialNameOf(destination);
    NativeFile out;
    s = out.CreateAlways(partial, nullptr);
    if (Failed(s))
        return s;
    progress_->SetLine2(NativePath::LastComponent(source));
    (void)StoreProgressRoutine(size, 0, kProgressStart, this);
    std::vector<char> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(std::max<std::uint64_t>(size, 1), kChunk)));
    std::uint64_t done = 0;
    while (Succeeded(s)) {
        std::size_t got = 0;
        s = in.Read(buffer.data(), buffer.size(), &got);
        if (Failed(s) || got == 0)
            break;
        s = out.Write(buffer.data(), got);
        done += got;
        if (Succeeded(s) && StoreProgressRoutine(std::max(size, done), done, kProgressChunk, this) != 0)
            s = E_ABORTED;
    }
    if (Succeeded(s))
        s = out.SetTimes(accessed, written);
    // Closing reports what a removable volume only fails to write at the end.
    const Status closed = out.Close();
    if (Succeeded(s))
        s = closed;
    if (Succeeded(s))
        (void)QFile::setPermissions(partial, QFile::permissions(source));
    if (Succeeded(s))
        s = FileSystem::Rename(partial, destination);
    (void)StoreProgressRoutine(size, done, kProgressEnd, this);
    progress_->SetLine3(QString());
    if (Failed(s))
        (void)NativeFile::Remove(partial);
    // Units of the file that were not reached keep the job bar honest.
    const std::uint64_t units = WorkUnits::Of(size) - std::min(WorkUnits::Of(size), WorkUnits::Of(done));
    if (units != 0)
        progress_->Step(static_cast<std::uint32_t>(units));
    return s;
}

Status HostCopyThread::CopyFolder(const QString& source, const QString& destination, bool* merge, bool* whole)
{
    QList<DirectoryEntry> entries;
    const Status listed = FileSystem::List(source, &entries);
    if (Failed(listed)) {
        LeaveOut(source, listed, whole);
        return listed;
    }
    bool isFolder = false;
    if (Succeeded(FileSystem::Kind(destination, &isFolder))) {
        if (!isFolder) {
            LeaveOut(source, E_STORE_ITEM_EXISTS, whole);
            return E_STORE_ITEM_EXISTS;
        }
        if (!*merge)
            *merge = Ask(languages_.FormatText(msg::kQuestionMergeFolder, {NativePath::LastComponent(destination)}));
        if (!*merge) {
            *whole = false;
            progress_->Step(static_cast<std::uint32_t>(WorkUnits::FolderWorkUnits(source, nullptr)));
            return S_OK;
        }
    } else {
        const Status s = FileSystem::CreateFolder(destination, nullptr);
        if (Failed(s)) {
            LeaveOut(source, s, whole);
            return s == kDiskFull ? s : S_OK;
        }
    }
    progress_->Step(1);
    Status status = S_OK;
    for (const DirectoryEntry& entry : entries) {
        if (IsCancelled())
            return E_ABORTED;
        const QString from = NativePath::Join(source, entry.name);
        if (!entry.validName) {
            *whole = false;
            ReportBadName(from);
            continue;
        }
        const Status s = CopyItem(from, NativePath::Join(destination, entry.name), merge, whole);
        if (EndsRun(s))
            return s;
        if (Failed(s) && Succeeded(status))
            status = s;
    }
    if (Succeeded(status))
        (void)QFile::setPermissions(destination, QFile::permissions(source));
    return status;
}

Status HostCopyThread::CopyItem(const QString& source, const QString& destination, bool* merge, bool* whole)
{
    DirectoryEntry item;
    // A link is copied as the link it is, whatever it points at: following
    // one into a folder could lead back into the tree being copied.
    Status s = FileSystem::Info(source, &item);
    const bool link = QFileInfo(source).isSymLink();
    if (Failed(s) && !link) {
        LeaveOut(source, s, whole);
        return s;
    }
    if (!link && item.isFolder)
        return CopyFolder(source, destination, merge, whole);
    if (!link && item.isSpecial) {
        *whole = false;
        ReportLeftOut(languages_.FormatText(msg::kFileNotCopied, {source, languages_.GetText(msg::kSysNotAFile)}));
        return S_OK;
    }
    DirectoryEntry existing;
    const bool exists = Succeeded(FileSystem::Info(destination, &existing)) || QFileInfo(destination).isSymLink();
    if (exists) {
        if (existing.isFolder) {
            LeaveOut(source, E_STORE_ITEM_EXISTS, whole);
            return S_OK;
        }
        if (!Ask(languages_.FormatText(msg::kQuestionReplaceHostFile, {NativePath::LastComponent(destination)}))) {
            *whole = false;
            progress_->Step(static_cast<std::uint32_t>(WorkUnits::Of(item.size)));
            return S_OK;
        }
    }
    if (link) {
        // A link replaces what was there only once it exists beside it.
        const QString partial = PartialNameOf(destination);
        s = HostPlaces::CopyLink(source, partial);
        if (Succeeded(s))
            s = FileSystem::Rename(partial, destination);
        else
            (void)NativeFile::Remove(partial);
    } else {
        s = CopyFile(source, destination);
    }
    if (s == E_ABORTED) {
        *whole = false;
        return s;
    }
    if (s == kDiskFull) {
        *whole = false;
        ShowError(languages_.GetText(msg::kDriveFull));
        return s;
    }
    if (Failed(s))
        LeaveOut(source, s, whole);
    return s;
}

QString HostCopyThread::NumberedCopyName(const QString& folder, const QString& name, bool isFolder)
{
    // "archive.tar.gz" numbers before its last dot only; ".profile" has no
    // extension to keep.
    const qsizetype dot = isFolder ? -1 : name.lastIndexOf(u'.');
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    for (int number = 2;; ++number) {
        const QString candidate = QStringLiteral("%1 (%2)%3").arg(stem).arg(number).arg(extension);
        const QString path = NativePath::Join(folder, candidate);
        if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
            return candidate;
    }
}

Status HostCopyThread::Run()
{
    progress_->SetTitle(languages_.GetText(msg::kTitleCopying));
    std::uint64_t total = 0;
    for (const QString& source : sources_) {
        if (IsCancelled())
            break;
        bool folder = false;
        if (Succeeded(FileSystem::Kind(source, &folder)))
            total += folder && !QFileInfo(source).isSymLink() ? WorkUnits::FolderWorkUnits(source, progress_)
                                                              : WorkUnits::FileWorkUnits(source);
    }
    progress_->Begin(static_cast<std::uint32_t>(std::min<std::uint64_t>(total, 0xFFFFFFFFu)));
    const QString target = HostPlaces::Resolved(destination_);
    if (target.isEmpty()) {
        const Status gone = StatusFromWin32(win32::kPathNotFound);
        ShowError(FormatErrorText(languages_, gone));
        progress_->End(false);
        return gone;
    }
    Status failure = S_OK;
    QStringList copied;
    for (const QString& source : sources_) {
        if (IsCancelled())
            break;
        const QString name = NativePath::LastComponent(source);
        QString destination = NativePath::Join(destination_, name);
        const QString resolved = QFileInfo(source).isSymLink() ? QFileInfo(source).absoluteFilePath()
                                                                : HostPlaces::Resolved(source);
        // An item put into the folder that already holds it: a move has
        // nothing to do, a copy goes beside it under a numbered name.
        if (resolved == NativePath::Join(target, name)) {
            if (move_)
                continue;
            const bool folder = QFileInfo(source).isDir() && !QFileInfo(source).isSymLink();
            destination = NativePath::Join(destination_, NumberedCopyName(destination_, name, folder));
        }
        if (!QFileInfo(source).isSymLink() && IsAtOrUnder(target, resolved)) {
            ReportLeftOut(languages_.FormatText(msg::kCopyIntoItself, {name}));
            if (Succeeded(failure))
                failure = E_INVALIDARG;
            continue;
        }
        bool merge = false;
        bool whole = true;
        const Status s = CopyItem(source, destination, &merge, &whole);
        if (Failed(s) && Succeeded(failure))
            failure = s;
        if (whole && Succeeded(s))
            copied.append(source);
        if (EndsRun(s))
            break;
    }
    // Only what arrived whole goes from where it was.
    if (move_) {
        for (const QString& source : copied) {
            const bool folder = QFileInfo(source).isDir() && !QFileInfo(source).isSymLink();
            const bool removed = folder ? FileSystem::RemoveTree(source, {}) : Succeeded(NativeFile::Remove(source));
            if (!removed) {
                const Status s = StatusFromWin32(win32::kAccessDenied);
                ShowError(FormatErrorText(languages_, s));
                if (Succeeded(failure))
                    failure = s;
            }
        }
    }
    progress_->SetLine2(QString());
    const Status status = Succeeded(failure) && LeftOutAny() ? E_FAIL : failure;
    progress_->End(Succeeded(status));
    return status;
}

}  // namespace nbr
