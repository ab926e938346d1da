#include "store/FileUtilities.h"

#include "base/IProgressDlg.h"
#include "platform/ConfinedPath.h"
#include "platform/CreationPolicy.h"
#include "platform/FileAttributes.h"
#include "platform/FileSystem.h"
#include "platform/NativeFile.h"
#include "platform/NativePath.h"
#include "platform/OpenFiles.h"
#include "platform/Processes.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QMutex>

#include <ctime>

#include <vector>

namespace nbr {
namespace {

constexpr std::size_t kWipePiece = 1 << 20;

bool IsReadOnly(const QString& path)
{
    std::uint32_t attributes = 0;
    return Succeeded(FileAttributes::Get(path, &attributes)) && (attributes & FileAttributes::kReadOnly);
}

// Files opened by OpenFileForced whose attributes were cleared, by descriptor.
struct ForcedOpen {
    QString path;
    std::uint32_t attributes;
};
QMutex g_forcedMutex;
QHash<int, ForcedOpen> g_forced;

QMutex g_tempMutex;
QStringList g_privateTemp;  // without the trailing separator

}  // namespace

std::uint32_t FileUtilities::CreateDirectories(const QString& path, bool lastIsFile, const CreationPolicy* policy)
{
    const Status exists = StatusFromWin32(win32::kAlreadyExists);
    // The first separator (the root) is no creation point.
    for (qsizetype at = path.indexOf(NativePath::kSeparator, 1); at > 0;
         at = path.indexOf(NativePath::kSeparator, at + 1)) {
        const Status s = FileSystem::CreateFolder(path.left(at), policy);
        if (Failed(s) && s != exists)
            return Win32FromStatus(s);
    }
    if (!lastIsFile) {
        const Status s = FileSystem::CreateFolder(path, policy);
        if (Failed(s) && s != exists)
            return Win32FromStatus(s);
    }
    return 0;
}

bool FileUtilities::RemoveFolder(const QString& path)
{
    const Status first = FileSystem::RemoveFolder(path);
    if (Succeeded(first))
        return true;
    if (first != StatusFromWin32(win32::kFileNotFound) && IsReadOnly(path)
        && Succeeded(FileAttributes::Set(path, FileAttributes::kNormal)))
        return Succeeded(FileSystem::RemoveFolder(path));
    return false;
}

bool FileUtilities::DeleteFileForced(const QString& path)
{
    const Status s = FileSystem::RemoveFile(path);
    if (Succeeded(s) || s == StatusFromWin32(win32::kFileNotFound))
        return true;
    if (s != StatusFromWin32(win32::kAccessDenied) || !IsReadOnly(path))
        return false;
    return Succeeded(FileAttributes::Set(path, FileAttributes::kNormal)) && Succeeded(FileSystem::RemoveFile(path));
}

Status FileUtilities::GetPathKind(const QString& path, bool* isFolder)
{
    return FileSystem::Kind(path, isFolder);
}

bool FileUtilities::PathExists(const QString& path)
{
    return FileSystem::Exists(path);
}

bool FileUtilities::IsDotName(const QString& name)
{
    return name == QLatin1String(".") || name == QLatin1String("..");
}

bool FileUtilities::FolderHasEntries(const QString& path, bool* reachable)
{
    bool any = false;
    *reachable = Succeeded(FileSystem::HasEntries(path, &any));
    return *reachable && any;
}

QString FileUtilities::CreateUniqueTempFolder(const QString& prefix)
{
    const QString temp = QDir::tempPath();
    // The name carries the process that owns the folder, so that a later
    // start can tell the folders of a program that died from those in use.
    const QString owned = prefix + QString::number(QCoreApplication::applicationPid()) + QLatin1Char('-');
    auto n = static_cast<std::int32_t>(static_cast<std::uint32_t>(std::time(nullptr)));
    for (int attempt = 0; attempt < 101; ++attempt, n = static_cast<std::int32_t>(static_cast<std::uint32_t>(n) + 1)) {
        const QString candidate = NativePath::Join(temp, owned + QString::number(n));
        // Creation fails on anything already there, a planted link included.
        if (Succeeded(FileSystem::CreateFolder(candidate, CreationPolicy::Private()))) {
            ConfinedPath::Confine(candidate);
            QMutexLocker lock(&g_tempMutex);
            g_privateTemp.append(candidate);
            return candidate + NativePath::kSeparator;
        }
    }
    return {};
}

int FileUtilities::SweepStaleTempFolders(const QString& prefix)
{
    const QString temp = QDir::tempPath();
    QList<DirectoryEntry> entries;
    if (Failed(FileSystem::List(temp, &entries)))
        return 0;
    int swept = 0;
    for (const DirectoryEntry& entry : entries) {
        if (!entry.isFolder || !entry.name.startsWith(prefix))
            continue;
        // "<prefix><pid>-<n>"; a name without an owner is an earlier
        // version's, whose program has ended long since.
        const QString owner = entry.name.mid(prefix.size()).section(QLatin1Char('-'), 0, 0);
        bool numbered = false;
        const qint64 pid = entry.name.contains(QLatin1Char('-')) ? owner.toLongLong(&numbered) : 0;
        if (numbered && (pid == QCoreApplication::applicationPid() || Processes::IsRunning(pid)))
            continue;
        const QString path = NativePath::Join(temp, entry.name);
        // Only what this program would have made: never another user's, nor
        // a folder anyone else may enter.
        if (!FileSystem::IsPrivateFolderOfThisUser(path))
            continue;
        ConfinedPath::Confine(path);
        if (DeleteTree(path + NativePath::kSeparator, nullptr, false, true))
            ++swept;
    }
    return swept;
}

const CreationPolicy* FileUtilities::PolicyForCopiesIn(const QString& folder)
{
    QString clean = folder;
    while (clean.size() > 1 && clean.endsWith(NativePath::kSeparator))
        clean.chop(1);
    QMutexLocker lock(&g_tempMutex);
    for (const QString& temp : g_privateTemp) {
        if (clean == temp || clean.startsWith(temp + NativePath::kSeparator))
            return CreationPolicy::Private();
    }
    return nullptr;
}

Status FileUtilities::OpenFileForced(const QString& path, Access access, NativeFile* file)
{
    const auto open = [&] {
        return access == Access::Read ? file->OpenRead(path) : file->OpenExistingNoFollow(path);
    };
    Status s = open();
    std::uint32_t attributes = 0;
    if (s != StatusFromWin32(win32::kAccessDenied) || access == Access::Read
        || Failed(FileAttributes::Get(path, &attributes)))
        return s;
    (void)FileAttributes::Set(path, FileAttributes::kNormal);
    s = open();
    if (Failed(s)) {
        (void)FileAttributes::Set(path, attributes);
        return s;
    }
    QMutexLocker lock(&g_forcedMutex);
    g_forced.insert(file->Handle(), ForcedOpen {path, attributes});
    return s;
}

Status FileUtilities::CloseFileForced(NativeFile* file)
{
    ForcedOpen forced {};
    {
        QMutexLocker lock(&g_forcedMutex);
        forced = g_forced.take(file->Handle());
    }
    const Status s = file->Close();
    if (forced.attributes != 0)
        (void)FileAttributes::Set(forced.path, forced.attributes);
    return s;
}

bool FileUtilities::IsFileInUse(const QString& path)
{
    return FileSystem::Exists(path) && OpenFiles::IsOpenByAnotherProcess(path);
}

bool FileUtilities::WipeFile(const QString& path)
{
    NativeFile file;
    std::uint64_t size = 0;
    if (IsFileInUse(path) || Failed(OpenFileForced(path, Access::Write, &file)))
        return false;
    if (Failed(file.Size(&size))) {
        (void)CloseFileForced(&file);
        return false;
    }
    const std::vector<char> zeros(static_cast<std::size_t>(std::min<std::uint64_t>(size, kWipePiece)), 0);
    std::uint64_t written = 0;
    while (written < size) {
        const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(size - written, kWipePiece));
        if (Failed(file.Write(zeros.data(), piece)))
            break;
        written += piece;
    }
    // The zeros must reach the medium before the caller deletes the file, or
    // the plaintext stays readable on the stick.
    const bool flushed = written == size && Succeeded(file.Flush());
    return Succeeded(CloseFileForced(&file)) && flushed;
}

bool FileUtilities::DeleteTree(const QString& path, IProgressDlg* progress, bool reportFolders, bool wipe,
                               const QString& keep, QStringList* oddNames)
{
    TreeRemoval how;
    how.wipe = wipe;
    how.keep = keep;
    if (progress && reportFolders)
        how.enteringFolder = [progress](const QString& folder) { progress->SetLine2(folder); };
    if (progress)
        how.removedOne = [progress] { progress->Step(1); };
    if (wipe)
        how.inUse = [](const QString& file) { return OpenFiles::IsOpenByAnotherProcess(file); };
    if (oddNames)
        how.oddName = [oddNames](const QString& lossy) { oddNames->append(lossy); };
    return FileSystem::RemoveTree(path, how);
}

}  // namespace nbr
