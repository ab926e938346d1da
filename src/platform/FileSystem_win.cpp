#include "platform/FileSystem.h"

#include "platform/ConfinedPath.h"
#include "platform/FaultInjection.h"
#include "platform/FileWipe.h"
#include "platform/NativePath.h"
#include "platform/WinPath.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>

#include <cstring>
#include <utility>
#include <vector>

// Windows walks by path. Reparse points (symbolic links, junctions) are
// reported as links and never entered; inside a confined folder nothing
// follows one (see ConfinedPath).
namespace nbr {
namespace {

std::uint64_t SizeOf(DWORD high, DWORD low)
{
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

FileTime TimeOf(const FILETIME& t)
{
    return FileTime {SizeOf(t.dwHighDateTime, t.dwLowDateTime)};
}

void Describe(DWORD attributes, std::uint64_t size, const FILETIME& written, DirectoryEntry* item)
{
    item->isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    item->isSpecial = (attributes & FILE_ATTRIBUTE_DEVICE) != 0;
    item->size = item->isFolder ? 0 : size;
    item->writeTime = TimeOf(written);
}

// A link: outside a confined folder it reports what it points at.
void DescribeLink(const std::wstring& path, bool confined, DirectoryEntry* item)
{
    item->isLink = true;
    item->isSpecial = true;
    item->isFolder = false;
    if (confined)
        return;
    WIN32_FILE_ATTRIBUTE_DATA target {};
    HANDLE h = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    BY_HANDLE_FILE_INFORMATION info {};
    if (::GetFileInformationByHandle(h, &info)) {
        Describe(info.dwFileAttributes, SizeOf(info.nFileSizeHigh, info.nFileSizeLow), info.ftLastWriteTime, item);
        item->linkToFolder = item->isFolder;
        item->isFolder = false;
        item->isSpecial = item->linkToFolder;
    }
    ::CloseHandle(h);
    (void)target;
}

void FromFind(const WIN32_FIND_DATAW& found, const std::wstring& path, bool confined, DirectoryEntry* item)
{
    item->name = QString::fromWCharArray(found.cFileName);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        DescribeLink(path, confined, item);
        return;
    }
    Describe(found.dwFileAttributes, SizeOf(found.nFileSizeHigh, found.nFileSizeLow), found.ftLastWriteTime, item);
}

bool IsDots(const wchar_t* name)
{
    return (name[0] == L'.' && name[1] == 0) || (name[0] == L'.' && name[1] == L'.' && name[2] == 0);
}

bool Inside(const QString& path, const QString& folder)
{
    return !path.isEmpty() && path.startsWith(folder + NativePath::kSeparator, Qt::CaseInsensitive);
}

BOOL DeleteEvenReadOnly(const std::wstring& path)
{
    if (::DeleteFileW(path.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND)
        return TRUE;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY))
        return FALSE;
    ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    return ::DeleteFileW(path.c_str());
}

// Every name in `folder` ("C:\\" keeps its one separator).
std::wstring Pattern(const std::wstring& folder)
{
    return folder + (!folder.empty() && folder.back() == L'\\' ? L"*" : L"\\*");
}

// The names in a folder other than "." and "..", with their find data.
bool ReadFolder(const std::wstring& folder, std::vector<WIN32_FIND_DATAW>* found, DWORD* error)
{
    WIN32_FIND_DATAW data {};
    HANDLE h = ::FindFirstFileExW(Pattern(folder).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                  FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) {
        *error = ::GetLastError();
        return *error == ERROR_FILE_NOT_FOUND;  // an empty root
    }
    do {
        if (!IsDots(data.cFileName))
            found->push_back(data);
    } while (::FindNextFileW(h, &data));
    *error = ::GetLastError();
    ::FindClose(h);
    return *error == ERROR_NO_MORE_FILES;
}

// A folder opened for its attributes only, sharing reading and writing but
// not deletion (so it can be neither renamed nor removed while held).
class HeldFolder {
public:
    explicit HeldFolder(const std::wstring& path)
        : handle_(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr))
    {
        BY_HANDLE_FILE_INFORMATION info {};
        if (handle_ != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(handle_, &info))
            attributes_ = info.dwFileAttributes;
    }
    ~HeldFolder() { LetGo(); }
    HeldFolder(const HeldFolder&) = delete;
    HeldFolder& operator=(const HeldFolder&) = delete;
    [[nodiscard]] bool IsLink() const
    {
        return attributes_ != INVALID_FILE_ATTRIBUTES && (attributes_ & FILE_ATTRIBUTE_REPARSE_POINT);
    }
    [[nodiscard]] bool IsPlainFolder() const
    {
        return attributes_ != INVALID_FILE_ATTRIBUTES && (attributes_ & FILE_ATTRIBUTE_DIRECTORY) && !IsLink();
    }
    // Before the folder itself is removed.
    void LetGo()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            ::CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE));
    }

private:
    HANDLE handle_;
    DWORD attributes_ = INVALID_FILE_ATTRIBUTES;
};

bool EmptyFolder(const QString& path, const TreeRemoval& how)
{
    std::vector<WIN32_FIND_DATAW> found;
    DWORD error = 0;
    bool complete = ReadFolder(WinPath::Of(path), &found, &error);
    for (const WIN32_FIND_DATAW& data : found) {
        const QString child = NativePath::Join(path, QString::fromWCharArray(data.cFileName));
        const std::wstring wide = WinPath::Of(child);
        const bool link = data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
        const bool folder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        if (folder && !link) {
            // Held without delete sharing while it is emptied, and looked at
            // through that handle: nobody can swap it for a junction to
            // elsewhere between the listing and the walk inside.
            HeldFolder held(wide);
            if (held.IsLink()) {
                held.LetGo();
                const bool removed = FaultInjection::BeforeChange("unlink") && ::RemoveDirectoryW(wide.c_str());
                complete = complete && removed;
                if (how.removedOne)
                    how.removedOne();
                continue;
            }
            if (!held.IsPlainFolder()) {
                // Gone meanwhile is as good as removed; anything else stays.
                complete = complete && ::GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES
                           && ::GetLastError() == ERROR_FILE_NOT_FOUND;
                continue;
            }
            if (how.enteringFolder)
                how.enteringFolder(child);
            const bool emptied = EmptyFolder(child, how);
            held.LetGo();
            if (Inside(how.keep, child)) {
                complete = complete && emptied;
                continue;
            }
            const bool removed = FaultInjection::BeforeChange("rmdir") && ::RemoveDirectoryW(wide.c_str());
            complete = complete && removed;
            if (how.removedOne)
                how.removedOne();
            continue;
        }
        if (!how.keep.isEmpty() && child.compare(how.keep, Qt::CaseInsensitive) == 0)
            continue;
        if (how.wipe && !link && !(how.inUse && how.inUse(child)))
            (void)FileWipe::ZeroAt(-1, QString::fromStdWString(wide).toUtf8().constData());
        // A link to a folder (a junction) goes as a folder entry, never entered.
        const bool removed = FaultInjection::BeforeChange("unlink")
                             && (folder ? ::RemoveDirectoryW(wide.c_str()) : DeleteEvenReadOnly(wide));
        complete = complete && removed;
        if (how.removedOne)
            how.removedOne();
    }
    return complete;
}

// Replaces `to` in one step even while other handles hold it open (with
// delete sharing, as every handle of this program does), as a rename does
// elsewhere: the POSIX semantics of Windows 10's NTFS. False where the
// system or the file system does not offer them; the caller falls back.
bool RenameReplacingOpen(const std::wstring& from, const std::wstring& to)
{
    HANDLE h = ::CreateFileW(from.c_str(), DELETE | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const std::size_t nameBytes = to.size() * sizeof(wchar_t);
    std::vector<std::uint8_t> buffer(sizeof(FILE_RENAME_INFO) + nameBytes, 0);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
    info->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(info->FileName, to.c_str(), nameBytes);
    // FileRenameInfoEx; the headers name it only for newer targets than ours.
    constexpr auto kRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
    const BOOL renamed = ::SetFileInformationByHandle(h, kRenameInfoEx, info, static_cast<DWORD>(buffer.size()));
    ::CloseHandle(h);
    return renamed != 0;
}

Status CheckedFolder(const ConfinedPath& at, const QString& path)
{
    const DWORD attributes = ::GetFileAttributesW(at.Wide().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return at.Failure(static_cast<int>(::GetLastError()), path);
    if (at.Confined() && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return StatusFromWin32(win32::kStoppedOnSymlink);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return StatusFromWin32(win32::kDirectory);
    return S_OK;
}

}  // namespace

Status FileSystem::RemoveFileAt(const ConfinedPath& at, const QString& path)
{
    if (!::DeleteFileW(at.Wide().c_str())) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_ACCESS_DENIED || !DeleteEvenReadOnly(at.Wide()))
            return at.Failure(static_cast<int>(error), path);
    }
    return S_OK;
}

Status FileSystem::RemoveFolderAt(const ConfinedPath& at, const QString& path)
{
    if (!::RemoveDirectoryW(at.Wide().c_str()))
        return at.Failure(static_cast<int>(::GetLastError()), path);
    return S_OK;
}

Status FileSystem::CreateFolderAt(const ConfinedPath& at, const QString& path, const CreationPolicy* /*policy*/)
{
    // The default security of the parent: the stick stays usable by others.
    if (!::CreateDirectoryW(at.Wide().c_str(), nullptr))
        return at.Failure(static_cast<int>(::GetLastError()), path);
    return S_OK;
}

Status FileSystem::ListAt(const ConfinedPath& at, const QString& path, QList<DirectoryEntry>* entries)
{
    if (const Status s = CheckedFolder(at, path); Failed(s))
        return s;
    std::vector<WIN32_FIND_DATAW> found;
    DWORD error = 0;
    if (!ReadFolder(at.Wide(), &found, &error))
        return at.Failure(static_cast<int>(error), path);
    entries->reserve(static_cast<qsizetype>(found.size()));
    for (const WIN32_FIND_DATAW& data : found) {
        DirectoryEntry item;
        FromFind(data, at.Wide() + L"\\" + data.cFileName, at.Confined(), &item);
        entries->append(item);
    }
    return S_OK;
}

Status FileSystem::HasEntriesAt(const ConfinedPath& at, const QString& path, bool* any)
{
    if (const Status s = CheckedFolder(at, path); Failed(s))
        return s;
    WIN32_FIND_DATAW data {};
    HANDLE h = ::FindFirstFileExW(Pattern(at.Wide()).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (h == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_FILE_NOT_FOUND ? S_OK : WinPath::LastStatus();
    do {
        if (!IsDots(data.cFileName)) {
            *any = true;
            break;
        }
    } while (::FindNextFileW(h, &data));
    ::FindClose(h);
    return S_OK;
}

bool FileSystem::Exists(const QString& path)
{
    const ConfinedPath at(path);
    if (at.Error())
        return false;
    return ::GetFileAttributesW(at.Wide().c_str()) != INVALID_FILE_ATTRIBUTES;
}

Status FileSystem::Info(const QString& path, DirectoryEntry* info)
{
    const ConfinedPath at(path);
    if (at.Error())
        return at.WalkStatus(path);
    WIN32_FILE_ATTRIBUTE_DATA data {};
    if (!::GetFileAttributesExW(at.Wide().c_str(), GetFileExInfoStandard, &data))
        return at.Failure(static_cast<int>(::GetLastError()), path);
    *info = DirectoryEntry {};
    info->name = NativePath::LastComponent(QDir::fromNativeSeparators(path));
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        info->isLink = true;
        info->isSpecial = true;
        return S_OK;
    }
    Describe(data.dwFileAttributes, SizeOf(data.nFileSizeHigh, data.nFileSizeLow), data.ftLastWriteTime, info);
    return S_OK;
}

Status FileSystem::RenameAt(const ConfinedPath& source, const ConfinedPath& target, const QString& to,
                            bool waitForReaders)
{
    if (RenameReplacingOpen(source.Wide(), target.Wide()))
        return S_OK;
    // Off NTFS a file that a reader holds cannot be replaced until it lets
    // go; our readers (and the virus scanner's) hold one for moments, so a
    // few short waits ride them out. A holder that stays keeps the refusal.
    DWORD error = ERROR_SUCCESS;
    for (const DWORD pause : {0, 10, 20, 40, 80}) {
        if (pause > 0 && !waitForReaders)
            break;
        ::Sleep(pause);
        if (::MoveFileExW(source.Wide().c_str(), target.Wide().c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return S_OK;
        error = ::GetLastError();
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)
            break;
    }
    return target.Failure(static_cast<int>(error), to);
}

bool FileSystem::CanReplaceOpenFiles()
{
    return false;
}

bool FileSystem::Contains(const QString& outer, const QString& inner)
{
    if (outer.isEmpty() || inner.isEmpty())
        return false;
    // The final paths name every way to a folder (links, junctions, a
    // second drive letter for one volume through SUBST aside) the same way.
    const auto finalPath = [](const QString& path) -> QString {
        HANDLE h = ::CreateFileW(WinPath::Of(QFileInfo(path).absoluteFilePath()).c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return {};
        wchar_t buffer[4096];
        const DWORD n = ::GetFinalPathNameByHandleW(h, buffer, 4096, FILE_NAME_NORMALIZED);
        ::CloseHandle(h);
        return n == 0 || n >= 4096 ? QString() : QDir::fromNativeSeparators(QString::fromWCharArray(buffer, n));
    };
    const QString folder = finalPath(outer);
    const QString item = finalPath(inner);
    if (folder.isEmpty() || item.isEmpty())
        return false;
    return item.compare(folder, Qt::CaseInsensitive) == 0
           || item.startsWith(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'), Qt::CaseInsensitive);
}

bool FileSystem::IsPrivateFolderOfThisUser(const QString& path)
{
    // The user's own temporary folder is private by its access list; a
    // folder made there inherits it. A link is never one.
    const DWORD attributes = ::GetFileAttributesW(WinPath::Of(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)
        || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH)
        return false;
    const QString own = QDir::cleanPath(QDir::fromNativeSeparators(QString::fromWCharArray(temp, n)));
    return Contains(own, path);
}

bool FileSystem::RemoveTreeAt(const ConfinedPath& at, const QString& path, const TreeRemoval& how)
{
    const DWORD attributes = ::GetFileAttributesW(at.Wide().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    const bool folder = attributes & FILE_ATTRIBUTE_DIRECTORY;
    if (!folder || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        // A link (or file) where a folder was expected goes as itself.
        const bool removed = FaultInjection::BeforeChange("unlink")
                             && (folder ? ::RemoveDirectoryW(at.Wide().c_str()) : DeleteEvenReadOnly(at.Wide()));
        if (how.removedOne)
            how.removedOne();
        return removed;
    }
    const bool emptied = EmptyFolder(QDir::fromNativeSeparators(path), how);
    if (Inside(how.keep, QDir::fromNativeSeparators(path)))
        return emptied;
    const bool removed = FaultInjection::BeforeChange("rmdir") && ::RemoveDirectoryW(at.Wide().c_str());
    if (how.removedOne)
        how.removedOne();
    return removed;
}

}  // namespace nbr
