#include "store/OpenedFileList.h"

#include "base/IProgressDlg.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "platform/CreationPolicy.h"
#include "platform/FileAttributes.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "platform/OpenFiles.h"
#include "platform/UndecodableNames.h"
#include "security/CreateCrypt.h"
#include "security/CryptBase.h"
#include "security/SecParams.h"
#include "store/CopyToDeviceThread.h"
#include "store/CopyToTempThread.h"
#include "store/EncryptedStore.h"
#include "store/FileUtilities.h"
#include "store/StoreStatus.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <vector>

namespace nbr {
namespace {

constexpr int kMaxNumberedName = 998;
constexpr std::size_t kComparePiece = 1 << 16;

// How long a file must rest before the clean-up takes it, and how long the
// clean-up waits at most for all of them.
std::atomic<int> g_settleMs {2000};
std::atomic<int> g_settleLimitMs {60000};
constexpr int kMaxSettlePollMs = 250;  // a look reads every process of the system

// A decryption goes here first and is renamed into place when complete, so
// that a copy found in the launch folder is always a whole one. What is left
// under this name after a crash is a fragment: wiped, never stored.
const QString kPartialName = QStringLiteral(".nbr-opening");

FileTime WriteTimeOf(const QString& path)
{
    DirectoryEntry info;
    return Succeeded(FileSystem::Info(path, &info)) ? info.writeTime : FileTime {};
}

// Lock files of office programs: "~$name" and ".~lock.name#".
bool IsLockFileName(const QString& name)
{
    return name.startsWith(QLatin1String("~$"))
           || (name.startsWith(QLatin1String(".~lock.")) && name.endsWith(QLatin1Char('#')));
}

// Lock files, everything in a folder named like one, and fragments of an
// interrupted decryption are wiped with the launch folder, never stored.
bool IsProgramsOwn(const QString& relativePath)
{
    const QStringList parts = relativePath.split(NativePath::kSeparator);
    return parts.last() == kPartialName || std::any_of(parts.begin(), parts.end(), IsLockFileName);
}

// Every component can be a host file name, so the path cannot lead out of
// the folder it is joined to.
bool IsSafeRelativePath(const QString& relativePath)
{
    const QStringList parts = relativePath.split(NativePath::kSeparator);
    return !relativePath.isEmpty() && std::all_of(parts.begin(), parts.end(), CopyToTempThread::IsSafeHostName);
}

void ListFiles(const QString& folder, QStringList* files)
{
    QList<DirectoryEntry> entries;
    if (Failed(FileSystem::List(folder, &entries)))
        return;
    for (const DirectoryEntry& entry : entries) {
        if (!entry.validName)
            continue;  // no path reaches it: UndecodableNames deals with those
        const QString path = NativePath::Join(folder, entry.name);
        if (entry.isFolder)
            ListFiles(path, files);
        else
            *files << path;
    }
}

void WipeAndDelete(const QString& path)
{
    (void)FileUtilities::WipeFile(path);
    (void)FileUtilities::DeleteFileForced(path);
}

// What the settle wait compares from one look to the next.
struct Look {
    bool present = false;
    std::uint64_t size = 0;
    FileTime time;
    bool operator==(const Look&) const = default;
};

Look LookAt(const QString& path)
{
    Look look;
    DirectoryEntry info;
    if (Succeeded(FileSystem::Info(path, &info))) {
        look.present = true;
        look.size = info.size;
        look.time = info.writeTime;
    }
    return look;
}

}  // namespace

OpenedFileList::OpenedFileList(EncryptedStore& store, const QString& launchFolder, const LanguageManager& languages)
    : store_(store), launch_(launchFolder), languages_(languages)
{
}

OpenedFileList::~OpenedFileList()
{
    programs_.CloseAll(false);
}

void OpenedFileList::SetSettleTimes(int settleMs, int limitMs)
{
    g_settleMs = std::max(settleMs, 0);
    g_settleLimitMs = std::max(limitMs, 0);
}

int OpenedFileList::SettleMs()
{
    return g_settleMs;
}

int OpenedFileList::SettleLimitMs()
{
    return g_settleLimitMs;
}

QString OpenedFileList::LaunchFolderOf(const QString& volumeRoot)
{
    return NativePath::Join(volumeRoot, QStringLiteral("LaunchBin"));
}

QStringList OpenedFileList::FindLeftovers(const QString& launchFolder)
{
    QStringList found;
    bool isFolder = false;
    if (Failed(FileSystem::Kind(launchFolder, &isFolder)) || !isFolder)
        return found;
    QStringList files;
    ListFiles(launchFolder, &files);
    for (const QString& file : std::as_const(files))
        found << file.mid(launchFolder.size() + 1);
    QStringList undecodable;
    (void)UndecodableNames::List(launchFolder, &undecodable);
    found += undecodable;
    found.sort();
    return found;
}

QString OpenedFileList::RelativePath(const QString& copyPath) const
{
    const QString prefix = NativePath::Join(launch_, QString());
    return copyPath.startsWith(prefix) ? copyPath.mid(prefix.size()) : QString();
}

Status OpenedFileList::OpenStoredItem(const QString& storedPath, const QString& displayPath, IProgressDlg* dialog)
{
    // A stored name is whatever a list says: ".." must not climb out of the
    // launch folder.
    if (!IsSafeRelativePath(displayPath))
        return E_STORE_BAD_NAME;
    if (dialog)
        dialog->Begin(0);
    // Decrypted copies: their folder and the copies are the owner's alone,
    // as the other private folders are (a folder made earlier too).
    (void)FileUtilities::CreateDirectories(launch_, false, CreationPolicy::Private());
    if (FileSystem::Exists(launch_) && !LaunchFolderExists()) {
        if (dialog)
            dialog->End(false);
        return E_STORE_LAUNCH_BLOCKED;  // somebody's own file: left as it is
    }
    (void)QFile::setPermissions(launch_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    FileAttributes::AddHidden(launch_);
    const QString copy = NativePath::Join(launch_, displayPath);
    if (dialog)
        dialog->SetLine1(QStringLiteral("Decrypting %1").arg(displayPath));
    const Status s = DecryptAndOpen(storedPath, copy, dialog);
    if (dialog)
        dialog->End(true);
    return s;
}

Status OpenedFileList::DecryptAndOpen(const QString& storedPath, const QString& copyPath, IProgressDlg* dialog)
{
    if (!IsSafeRelativePath(RelativePath(copyPath)))
        return E_STORE_BAD_NAME;
    Status s = S_OK;
    const std::uint32_t error = FileUtilities::CreateDirectories(copyPath, true, CreationPolicy::Private());
    if (error != 0) {
        s = StatusFromWin32(error);
    } else {
        const auto listed = std::find_if(opened_.begin(), opened_.end(), [&](const Opened& o) { return o.path == copyPath; });
        const bool present = FileSystem::Exists(copyPath);
        if (present && listed == opened_.end()) {
            // Not ours: a file a program saved there, or a copy from a run
            // that did not end properly. Its changes would be lost.
            s = StatusFromWin32(win32::kFileExists);
        } else if (!present) {
            const QString partial = NativePath::Join(NativePath::ParentOf(copyPath), kPartialName);
            WipeAndDelete(partial);
            FileCryptPtr engine;
            s = CreateKeyedCrypt(store_.Keys(), &engine);
            if (Succeeded(s))
                s = engine->DecryptFileToFile(storedPath, partial, nullptr, this, CreationPolicy::Private());
            if (Succeeded(s))
                s = FileSystem::Rename(partial, copyPath);
            if (Failed(s)) {
                WipeAndDelete(partial);
            } else if (listed != opened_.end()) {
                listed->writeTime = WriteTimeOf(copyPath);
            } else {
                opened_.push_back(Opened {copyPath, WriteTimeOf(copyPath)});
            }
        }
    }
    if (dialog)
        dialog->SetLine1(QStringLiteral("Opening %1").arg(copyPath));
    if (Succeeded(s)) {
        s = programs_.OpenWithAssociatedProgram(copyPath, {}, true, false, dialog ? dialog->GetWindowHandle() : nullptr);
        if (Succeeded(s))
            HoldLockFiles(NativePath::ParentOf(copyPath));
    }
    return s;
}

void OpenedFileList::HoldLockFiles(const QString& folder)
{
    QList<DirectoryEntry> entries;
    if (Failed(FileSystem::List(folder, &entries)))
        return;
    for (const DirectoryEntry& entry : entries) {
        if (!entry.validName || !IsLockFileName(entry.name))
            continue;
        QStringList files;
        const QString path = NativePath::Join(folder, entry.name);
        if (entry.isFolder)
            ListFiles(path, &files);
        else
            files << path;
        for (const QString& file : files) {
            const bool held = std::any_of(locks_.begin(), locks_.end(), [&](const LockFile& l) { return l.path == file; });
            auto handle = std::make_unique<NativeFile>();
            if (!held && Succeeded(handle->OpenRead(file)))
                locks_.push_back(LockFile {file, std::move(handle)});
        }
    }
}

Status OpenedFileList::WriteBackFile(const QString& copyPath, bool overwrite)
{
    const QString relative = RelativePath(copyPath);
    if (!IsSafeRelativePath(relative))
        return E_INVALIDARG;
    const QString folder = NativePath::ParentOf(relative);
    QString storedFolder;
    // Folders a program made in the launch folder have host names, which
    // are stored as they are, as an import stores them.
    Status s = store_.EnsureStoreFolders(QString(), folder, &storedFolder, true);
    if (Failed(s))
        return s;
    DirectoryEntry data;
    s = FileSystem::Info(copyPath, &data);
    if (Failed(s))
        return s;
    std::uint32_t id = 0;
    s = CopyToDeviceThread::EncryptFileIntoStore(store_, copyPath, storedFolder, data, &id, nullptr, nullptr, overwrite);
    if (s == E_STORE_ITEM_EXISTS) {
        const QString name = data.name;
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        const QString stem = dot < 0 ? name : name.left(dot);
        const QString extension = dot < 0 ? QString() : name.mid(dot);
        for (int i = 1; i <= kMaxNumberedName && s == E_STORE_ITEM_EXISTS; ++i) {
            data.name = QStringLiteral("%1.%2%3").arg(stem).arg(i, 3, 10, QLatin1Char('0')).arg(extension).left(260);
            s = CopyToDeviceThread::EncryptFileIntoStore(store_, copyPath, storedFolder, data, &id, nullptr, nullptr, false);
        }
    }
    if (Succeeded(s))
        WipeAndDelete(copyPath);
    return s;
}

bool OpenedFileList::MatchesStoredFile(const QString& copyPath, const QString& displayPath) const
{
    QString stored;
    ManifestEntry entry;
    if (Failed(store_.Resolve(displayPath, &stored, &entry)) || entry.isFolder)
        return false;
    NativeFile copy;
    FileCryptPtr engine;
    Status s = copy.OpenRead(copyPath);
    if (Succeeded(s))
        s = CreateKeyedCrypt(store_.Keys(), &engine);
    if (Failed(s))
        return false;
    bool same = true;
    std::vector<std::uint8_t> piece;
    s = engine->DecryptFileToSink(stored, [&](const std::uint8_t* data, std::size_t n) {
        while (same && n > 0) {
            const std::size_t want = std::min(n, kComparePiece);
            piece.resize(want);
            std::size_t got = 0;
            same = Succeeded(copy.Read(piece.data(), want, &got)) && got == want
                   && std::equal(piece.begin(), piece.end(), data);
            data += want;
            n -= want;
        }
        return same ? S_OK : E_ABORTED;  // the first difference settles it
    });
    std::uint8_t extra = 0;
    std::size_t got = 0;
    return Succeeded(s) && same && Succeeded(copy.Read(&extra, 1, &got)) && got == 0;
}

void OpenedFileList::WaitUntilFree(const QString& path, IProgressDlg* dialog) const
{
    // Only Retry goes on asking: an answerer with no one to ask gives up
    // at its limit, and the file, which no one writes to any more (it has
    // settled), is dealt with as it is.
    while (FileUtilities::IsFileInUse(path)) {
        const std::uint32_t answer =
            ShowMessageBox(dialog ? dialog->GetWindowHandle() : nullptr, languages_.GetText(msg::kCaptionNotice),
                           languages_.FormatText(msg::kFileStillOpen, {path}), mb::kRetry, mb::kIconInformation);
        if (MessageBox::ButtonOf(answer) != mb::kIdRetry)
            break;
    }
}

QStringList OpenedFileList::FilesToSettle() const
{
    QStringList files;
    bool isFolder = false;
    if (Failed(FileSystem::Kind(launch_, &isFolder)) || !isFolder)
        return files;
    ListFiles(launch_, &files);
    files.removeIf([this](const QString& file) { return IsProgramsOwn(RelativePath(file)); });
    return files;
}

QStringList OpenedFileList::WaitUntilSettled(IProgressDlg* dialog) const
{
    const int settle = g_settleMs;
    const int limit = std::max<int>(g_settleLimitMs, settle);
    const int poll = std::clamp(settle / 4, 10, kMaxSettlePollMs);
    struct Watched {
        Look look;
        qint64 since = 0;   // when it was last seen written to
        bool busy = false;  // written to while watched: worth telling
    };
    QHash<QString, Watched> watched;
    QString told;
    QElapsedTimer timer;
    timer.start();
    QStringList unsettled;
    for (;;) {
        const qint64 now = timer.elapsed();
        // Files that appear meanwhile count, and so do files that went: a
        // program that saves by renaming a new file over the copy may be
        // halfway.
        QStringList files = FilesToSettle();
        for (auto it = watched.cbegin(); it != watched.cend(); ++it) {
            if (!files.contains(it.key()))
                files << it.key();
        }
        const QStringList held = OpenFiles::OpenForWriting(files);
        unsettled.clear();
        QString busy;
        for (const QString& file : std::as_const(files)) {
            const Look look = LookAt(file);
            auto at = watched.find(file);
            if (at == watched.end()) {
                at = watched.insert(file, Watched {look, now, now > 0});
            } else if (at->look != look) {
                at->look = look;
                at->since = now;
                at->busy = true;
            }
            if (held.contains(file)) {
                at->since = now;
                at->busy = true;
            }
            if (now - at->since < settle || held.contains(file)) {
                unsettled << file;
                if (busy.isEmpty() && at->busy && look.present)
                    busy = file;
            }
        }
        if (unsettled.isEmpty() || now >= limit || (dialog && dialog->IsCancelled()))
            break;
        if (dialog && !busy.isEmpty() && busy != told) {
            const QString relative = RelativePath(busy);
            dialog->SetLine1(languages_.FormatText(msg::kWaitingForCopy, {relative, (limit + 999) / 1000}));
            dialog->SetLine2(relative);
            told = busy;
        }
        QThread::msleep(static_cast<unsigned long>(poll));
    }
    if (dialog && !told.isEmpty()) {
        dialog->SetLine1(QString());
        dialog->SetLine2(QString());
    }
    // Only files that are there can be kept: one that went has nothing left
    // to store.
    unsettled.removeIf([&watched](const QString& file) { return !watched.value(file).look.present; });
    return unsettled;
}

bool OpenedFileList::IsKept(const QString& path) const
{
    return kept_.contains(RelativePath(path));
}

void OpenedFileList::WipeAllButKept(const QString& folder) const
{
    QList<DirectoryEntry> entries;
    if (Failed(FileSystem::List(folder, &entries)))
        return;
    for (const DirectoryEntry& entry : entries) {
        if (!entry.validName)
            continue;  // UndecodableNames has wiped those
        const QString path = NativePath::Join(folder, entry.name);
        if (entry.isFolder) {
            WipeAllButKept(path);
            (void)FileSystem::RemoveFolder(path);  // stays while it holds a kept file
        } else if (!IsKept(path)) {
            WipeAndDelete(path);
        }
    }
}

Status OpenedFileList::StoreRemainingFiles(IProgressDlg* dialog)
{
    Status result = S_OK;
    QStringList remaining;
    ListFiles(launch_, &remaining);
    for (const QString& file : std::as_const(remaining)) {
        const QString relative = RelativePath(file);
        if (IsProgramsOwn(relative) || IsKept(file))
            continue;
        WaitUntilFree(file, dialog);
        // A copy that still matches its stored file (one left by a run that
        // did not end properly) holds nothing new.
        if (MatchesStoredFile(file, relative)) {
            WipeAndDelete(file);
            continue;
        }
        const Status s = WriteBackFile(file, true);
        if (Failed(s))
            result = s;  // wiped below: the user is told these changes are lost
    }

    // Names that are not UTF-8 cannot be stored faithfully, and nothing else
    // would reach them to wipe them.
    QStringList lost;
    const Status wiped = UndecodableNames::WipeAll(launch_, &lost);
    for (const QString& name : std::as_const(lost)) {
        (void)ShowMessageBox(dialog ? dialog->GetWindowHandle() : nullptr, languages_.GetText(msg::kCaptionNotice),
                             languages_.FormatText(msg::kLaunchNameNotUtf8, {name}), mb::kOk, mb::kIconWarning);
    }
    if (Failed(wiped))
        result = wiped;
    else if (!lost.isEmpty() && Succeeded(result))
        result = StatusFromWin32(win32::kInvalidName);
    return result;
}

Status OpenedFileList::CleanUpLaunchFolder(IProgressDlg* dialog)
{
    programs_.CloseAll(false);
    // What the programs handed their files to may still be writing: nothing
    // is stored or wiped before it has settled, and what has not by the
    // limit stays as it is.
    kept_.clear();
    for (const QString& file : WaitUntilSettled(dialog))
        kept_ << RelativePath(file);
    kept_.sort();
    for (const Opened& copy : opened_) {
        if (IsKept(copy.path))
            continue;
        WaitUntilFree(copy.path, dialog);
        if (!FileSystem::Exists(copy.path))
            continue;
        if (WriteTimeOf(copy.path) != copy.writeTime)
            (void)WriteBackFile(copy.path, true);  // a failure is tried again below
        else
            WipeAndDelete(copy.path);
    }
    for (LockFile& lock : locks_) {
        (void)lock.file->Close();
        WipeAndDelete(lock.path);
    }
    locks_.clear();

    // Files saved into the launch folder, copies not written back yet, and
    // whatever a run that did not end properly left.
    Status result = LaunchFolderExists() ? StoreRemainingFiles(dialog) : S_OK;
    if (!kept_.isEmpty()) {
        // The kept files stay, with the folders that lead to them; the next
        // clean-up of leftovers stores them.
        WipeAllButKept(launch_);
        return Succeeded(result) ? E_STORE_COPIES_KEPT : result;
    }
    if (LaunchFolderExists())
        (void)FileUtilities::DeleteTree(launch_, dialog, false, true);
    if (Succeeded(result) && LaunchFolderExists())
        result = StatusFromWin32(win32::kDirNotEmpty);  // plaintext may still be on the stick
    return result;
}

bool OpenedFileList::LaunchFolderExists() const
{
    // Only a folder is ours: a file of that name at the top of the stick is
    // somebody's own, never cleaned up, stored or wiped.
    bool isFolder = false;
    return Succeeded(FileSystem::Kind(launch_, &isFolder)) && isFolder;
}

bool OpenedFileList::HasLeftovers() const
{
    // While copies of this run are open, the folder is this run's own.
    return opened_.empty() && LaunchFolderExists();
}

Status OpenedFileList::CleanUpLeftovers(IProgressDlg* dialog, bool* found)
{
    const bool leftover = HasLeftovers();
    if (found)
        *found = leftover;
    return leftover ? CleanUpLaunchFolder(dialog) : S_OK;
}

void OpenedFileList::DiscardOpenedCopy(const QString& copyPath)
{
    const auto listed = std::find_if(opened_.begin(), opened_.end(), [&](const Opened& o) { return o.path == copyPath; });
    if (listed != opened_.end() && FileUtilities::DeleteFileForced(copyPath))
        opened_.erase(listed);
}

}  // namespace nbr
