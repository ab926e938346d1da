#include "store/EncryptedStore.h"

#include "base/IProgressDlg.h"
#include "platform/ConfinedPath.h"
#include "platform/CreationPolicy.h"
#include "platform/FileAttributes.h"
#include "platform/FileSystem.h"
#include "platform/NativeFile.h"
#include "platform/NativePath.h"
#include "security/CreateCrypt.h"
#include "security/CryptBase.h"
#include "security/EncryptedFileHeader.h"
#include "security/SecParams.h"
#include "security/SecurityStatus.h"
#include "store/CopyToTempThread.h"
#include "store/FileUtilities.h"
#include "store/StoreStatus.h"

#include <QHash>

#include <algorithm>
#include <charconv>
#include <iterator>
#include <optional>
#include <unordered_set>

namespace nbr {
namespace {

Status CreationStatus(std::uint32_t error)
{
    return error == win32::kDiskFull ? E_STORE_DISK_FULL : StatusFromWin32(error);
}

bool IsFolder(const QString& path)
{
    bool folder = false;
    return Succeeded(FileSystem::Kind(path, &folder)) && folder;
}

}  // namespace

EncryptedStore::EncryptedStore(const QString& root, const SecParams& keys) : root_(root), keys_(keys)
{
    ConfinedPath::Confine(root_);
}

QString EncryptedStore::ManifestPathOf(const QString& folder)
{
    return NativePath::Join(folder, QStringLiteral(".manifest"));
}

QString EncryptedStore::StoredPathOf(const QString& folder, std::uint32_t id)
{
    // One allocation: a listing makes this path for every item it shows.
    char digits[10];
    const auto written = std::to_chars(std::begin(digits), std::end(digits), id);
    QString path;
    path.reserve(folder.size() + 1 + (written.ptr - digits));
    path.append(folder).append(NativePath::kSeparator).append(QLatin1StringView(digits, written.ptr - digits));
    return path;
}

bool EncryptedStore::IsManifestFileName(const QString& name)
{
    return name == QLatin1String(".manifest") || name == QLatin1String(".manifest.bak");
}

bool EncryptedStore::DeleteManifestFiles(const QString& folder)
{
    const QString manifest = ManifestPathOf(folder);
    if (!FileUtilities::DeleteFileForced(manifest))
        return false;
    return FileUtilities::DeleteFileForced(manifest + QStringLiteral(".bak"));
}

bool EncryptedStore::IsValidFolderName(const QString& name)
{
    return IsStorableName(name) && FollowsNameRule(name);
}

bool EncryptedStore::FollowsNameRule(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.front().isSpace()
        || name.back().isSpace() || name.size() > kMaxNameLength)
        return false;
    for (const QChar c : name) {
        if (QStringView(u"/\\:*?\"<>|").contains(c) || c.isNull())
            return false;
    }
    return true;
}

Status EncryptedStore::BadTypedName(const QString& name)
{
    return FollowsNameRule(name) ? E_STORE_NAME_RESERVED : E_STORE_BAD_NAME;
}

bool EncryptedStore::IsStorableName(const QString& name)
{
    // The copy out refuses what it could not write safely; such a name must
    // not get in to begin with.
    return CopyToTempThread::IsSafeHostName(name);
}

QString EncryptedStore::GetDisplayName(const QString& storedPath) const
{
    ManifestEntry entry;
    return FindListed(storedPath, &entry) ? entry.name : QString();
}

bool EncryptedStore::FindListed(const QString& storedPath, ManifestEntry* entry) const
{
    StoreManifest manifest(keys_);
    manifest.Open(ManifestPathOf(NativePath::ParentOf(storedPath)), true);
    const ManifestEntry* found = manifest.IsLoaded() ? manifest.FindByStoredName(NativePath::LastComponent(storedPath)) : nullptr;
    if (found)
        *entry = *found;
    return found != nullptr;
}

Status EncryptedStore::EnsureRoot()
{
    if (IsFolder(root_))
        return S_OK;
    const std::uint32_t error = FileUtilities::CreateDirectories(root_, false, CreationPolicy::StoreSecurityAttributes());
    if (error != 0)
        return StatusFromWin32(error);
    FileAttributes::AddHidden(root_);
    return S_OK;
}

Status EncryptedStore::CreateStoreFolder(const QString& parent, const QString& name, QString* storedPath)
{
    storedPath->clear();
    if (!IsValidFolderName(name))
        return BadTypedName(name);
    return AddStoreFolder(parent, name, storedPath);
}

Status EncryptedStore::AddStoreFolder(const QString& parent, const QString& name, QString* storedPath)
{
    storedPath->clear();
    Status s = EnsureRoot();
    if (Failed(s))
        return s;
    StoreManifest manifest(keys_);
    manifest.Open(ManifestPathOf(parent), false);
    if (!manifest.IsLoaded())
        return E_STORE_MANIFEST;
    if (const ManifestEntry* existing = manifest.FindByName(name)) {
        *storedPath = StoredPathOf(parent, existing->id);
        return E_STORE_ITEM_EXISTS;
    }
    const ManifestEntry entry = manifest.AddEntry(name, true, 0, parent);
    const QString path = StoredPathOf(parent, entry.id);
    const std::uint32_t error = FileUtilities::CreateDirectories(path, false, CreationPolicy::StoreSecurityAttributes());
    if (error != 0)
        return CreationStatus(error);
    FileAttributes::AddHidden(path);
    s = manifest.Save();
    if (Failed(s)) {
        (void)FileUtilities::DeleteTree(path, nullptr, false, false);
        return s;
    }
    *storedPath = path;
    return S_OK;
}

Status EncryptedStore::EnsureStoreFolders(const QString& base, const QString& displayRelPath, QString* storedPath,
                                          bool hostNames)
{
    QString current = base;
    if (current.isEmpty()) {
        const Status s = EnsureRoot();
        if (Failed(s))
            return s;
        current = root_;
    }
    *storedPath = current;
    const QStringList components = displayRelPath.split(NativePath::kSeparator, Qt::SkipEmptyParts);
    // Checked before anything is made: "A/../B" must not leave an "A" behind.
    if (const auto bad = std::find_if_not(components.begin(), components.end(), IsStorableName);
        bad != components.end())
        return hostNames ? E_STORE_BAD_NAME : BadTypedName(*bad);
    for (const QString& component : components) {
        // A folder that exists is used whatever its name: an import keeps
        // host names that a person could not type for a new folder.
        StoreManifest manifest(keys_);
        manifest.Open(ManifestPathOf(current), true);
        if (!manifest.IsLoaded())
            return E_STORE_MANIFEST;
        QString next;
        if (const ManifestEntry* existing = manifest.FindByName(component)) {
            next = StoredPathOf(current, existing->id);
            if (!existing->isFolder) {
                *storedPath = next;
                return E_STORE_ITEM_EXISTS;
            }
        } else {
            manifest.Close();
            if (!hostNames && !IsValidFolderName(component))
                return BadTypedName(component);
            const Status s = AddStoreFolder(current, component, &next);
            if (Failed(s) && s != E_STORE_ITEM_EXISTS)
                return s;
        }
        current = next;
        *storedPath = current;
    }
    return S_OK;
}

QString EncryptedStore::DeletionMarkerOf(const QString& storedPath)
{
    return NativePath::Join(NativePath::ParentOf(storedPath),
                            QLatin1Char('.') + NativePath::LastComponent(storedPath) + QStringLiteral(".nbr-del"));
}

Status EncryptedStore::DeleteStoreItem(const QString& storedPath, IProgressDlg* progress)
{
    return DeleteStoreItems({storedPath}, progress);
}

Status EncryptedStore::DeleteStoreItems(const QStringList& storedPaths, IProgressDlg* progress)
{
    QStringList parents;
    QHash<QString, QStringList> byParent;
    for (const QString& path : storedPaths) {
        if (!NativePath::HasSeparator(path))
            return E_INVALIDARG;
        const QString parent = NativePath::ParentOf(path);
        QStringList& items = byParent[parent];
        if (items.isEmpty())
            parents << parent;
        if (!items.contains(path))
            items << path;
    }
    for (const QString& parent : std::as_const(parents)) {
        if (const Status s = DeleteFromFolder(parent, byParent.value(parent), progress); Failed(s))
            return s;
    }
    return S_OK;
}

Status EncryptedStore::DeleteFromFolder(const QString& parent, const QStringList& storedPaths, IProgressDlg* progress)
{
    StoreManifest manifest(keys_);
    manifest.Open(ManifestPathOf(parent), false);
    if (!manifest.IsLoaded())
        return E_STORE_MANIFEST;
    struct Item {
        QString path;
        std::optional<ManifestEntry> entry;
    };
    std::vector<Item> items;
    std::unordered_set<std::uint32_t> ids;
    for (const QString& path : storedPaths) {
        Item item {path, std::nullopt};
        if (const ManifestEntry* entry = manifest.FindByStoredName(NativePath::LastComponent(path))) {
            item.entry = *entry;
            ids.insert(entry->id);
        }
        items.push_back(std::move(item));
    }
    // The entries leave the list before the items leave the stick, so that a
    // list never names what is gone; one save for all of them. The marker
    // beside each item tells a repair that an item it finds unlisted was
    // being deleted, not lost.
    QStringList markers;
    Status s = S_OK;
    for (const Item& item : items) {
        if (!item.entry)
            continue;
        const QString marker = DeletionMarkerOf(StoredPathOf(parent, item.entry->id));
        NativeFile markerFile;
        s = markerFile.CreateAlways(marker, CreationPolicy::StoreSecurityAttributes());
        if (Succeeded(s))
            s = markerFile.Close();
        if (Failed(s))
            break;
        markers << marker;
    }
    if (Succeeded(s) && !ids.empty()) {
        (void)manifest.RemoveEntries(ids);
        s = manifest.Save();
    }
    if (Failed(s)) {
        for (const QString& marker : std::as_const(markers))
            (void)NativeFile::Remove(marker);
        return s;
    }
    bool anyKept = false;
    for (const Item& item : items) {
        bool deleted;
        if (item.entry && item.entry->isFolder) {
            // A folder that is gone already is deleted: its entry must not stay.
            deleted = DeleteStoreTree(item.path, progress, true, true) || !FileSystem::Exists(item.path);
        } else {
            if (progress)
                progress->SetLine2(item.path);
            deleted = FileUtilities::DeleteFileForced(item.path);
        }
        if (item.entry && !deleted) {
            // What could not be deleted stays listed.
            manifest.RestoreEntry(*item.entry);
            anyKept = true;
        }
    }
    if (anyKept)
        s = manifest.Save();
    for (const QString& marker : std::as_const(markers))
        (void)NativeFile::Remove(marker);
    return s;
}

bool EncryptedStore::DeleteStoreTree(const QString& folder, IProgressDlg* progress, bool reportFolders,
                                     bool updateManifests)
{
    if (folder.isEmpty())
        return false;
    StoreManifest manifest(keys_);
    if (updateManifests)
        manifest.Open(ManifestPathOf(folder), false);
    QList<DirectoryEntry> entries;
    if (Failed(FileSystem::List(folder, &entries)))
        return false;
    bool allGone = true;
    // A manifest that cannot be read must not be saved over: its entries would be lost.
    const bool keepManifest = updateManifests && manifest.IsLoaded();
    // The folder itself is unlisted already (or being emptied): its own list
    // needs saving only when something in it stays, once at the end.
    std::unordered_set<std::uint32_t> gone;
    for (const DirectoryEntry& entry : entries) {
        const QString child = NativePath::Join(folder, entry.name);
        if (!entry.validName) {
            allGone = false;
            continue;
        }
        if (entry.isFolder) {
            if (progress && reportFolders)
                progress->SetLine2(child);
            if (!DeleteStoreTree(child, progress, reportFolders, updateManifests)) {
                allGone = false;
            } else if (keepManifest) {
                gone.insert(StoreManifest::IdOf(entry.name));
            }
        } else if (!IsManifestFileName(entry.name)) {
            if (!FileUtilities::DeleteFileForced(child))
                allGone = false;
            else if (keepManifest)
                gone.insert(StoreManifest::IdOf(entry.name));
            if (progress)
                progress->Step(1);
        }
    }
    if (keepManifest && !allGone && manifest.RemoveEntries(gone) > 0)
        (void)manifest.Save();
    manifest.Close();
    bool result = false;
    if (allGone || !updateManifests) {
        if (DeleteManifestFiles(folder))
            result = FileUtilities::RemoveFolder(folder) || !FileSystem::Exists(folder);
    }
    if (progress)
        progress->Step(1);
    return result;
}

Status EncryptedStore::VerifyStoredFile(const QString& storedPath) const
{
    FileCryptPtr engine;
    Status s = CreateKeyedCrypt(keys_, &engine);
    if (Succeeded(s))
        s = engine->VerifyFile(storedPath);
    return s;
}

Status EncryptedStore::Resolve(const QString& displayPath, QString* storedPath, ManifestEntry* entry,
                               QString* names) const
{
    *storedPath = root_;
    if (names)
        names->clear();
    *entry = ManifestEntry {0, QString(), true, 0};
    for (const QString& component : displayPath.split(NativePath::kSeparator, Qt::SkipEmptyParts)) {
        if (!entry->isFolder)
            return StatusFromWin32(win32::kPathNotFound);
        StoreManifest manifest(keys_);
        manifest.Open(ManifestPathOf(*storedPath), true);
        if (!manifest.IsLoaded())
            return E_STORE_MANIFEST;
        const ManifestEntry* found = manifest.FindByName(component);
        if (!found)
            return StatusFromWin32(win32::kFileNotFound);
        *entry = *found;
        *storedPath = StoredPathOf(*storedPath, found->id);
        if (names)
            *names = names->isEmpty() ? found->name : *names + NativePath::kSeparator + found->name;
    }
    return S_OK;
}

Status EncryptedStore::ListNames(const QString& storedFolder, std::vector<StoreListEntry>* entries) const
{
    entries->clear();
    StoreManifest manifest(keys_);
    manifest.Open(ManifestPathOf(storedFolder), true);
    if (!manifest.IsLoaded())
        return manifest.LoadStatus();
    // The order of SortEntries, from keys folded once per name rather than
    // at every comparison: a folder of ten thousand names is sorted while
    // the person waits for it to open.
    const std::vector<ManifestEntry>& listed = manifest.Entries();
    std::vector<std::pair<QString, std::size_t>> keys;
    keys.reserve(listed.size());
    for (std::size_t i = 0; i < listed.size(); ++i)
        keys.emplace_back(listed[i].name.toCaseFolded(), i);
    std::stable_sort(keys.begin(), keys.end(), [&listed](const auto& a, const auto& b) {
        if (listed[a.second].isFolder != listed[b.second].isFolder)
            return listed[a.second].isFolder;
        return a.first < b.first;
    });
    entries->reserve(listed.size());
    for (const auto& key : keys) {
        const ManifestEntry& item = listed[key.second];
        entries->push_back(Describe(StoredPathOf(storedFolder, item.id), item, nullptr));
    }
    return S_OK;
}

Status EncryptedStore::ListFolder(const QString& storedFolder, std::vector<StoreListEntry>* entries) const
{
    if (const Status s = ListNames(storedFolder, entries); Failed(s))
        return s;
    // One reading of the folder instead of one look-up per item: each
    // look-up walks the whole path again, and a folder may hold thousands.
    const QHash<QString, DirectoryEntry> onStick = ItemsOnStick(storedFolder);
    for (StoreListEntry& entry : *entries) {
        const auto found = onStick.constFind(QString::number(entry.id));
        if (found != onStick.cend())
            AddStickFacts(&entry, *found);
    }
    return S_OK;
}

QHash<QString, DirectoryEntry> EncryptedStore::ItemsOnStick(const QString& storedFolder)
{
    QList<DirectoryEntry> onDisk;
    (void)FileSystem::List(storedFolder, &onDisk);
    QHash<QString, DirectoryEntry> byName;
    byName.reserve(onDisk.size());
    for (DirectoryEntry& entry : onDisk) {
        if (entry.validName)
            byName.insert(entry.name, std::move(entry));
    }
    return byName;
}

StoreListEntry EncryptedStore::DescribeItem(const QString& storedPath, const ManifestEntry& item)
{
    DirectoryEntry info;
    return Describe(storedPath, item, Succeeded(FileSystem::Info(storedPath, &info)) ? &info : nullptr);
}

StoreListEntry EncryptedStore::Describe(const QString& storedPath, const ManifestEntry& item,
                                        const DirectoryEntry* info)
{
    StoreListEntry entry;
    entry.id = item.id;
    entry.name = item.name;
    entry.isFolder = item.isFolder;
    entry.storedPath = storedPath;
    if (info)
        AddStickFacts(&entry, *info);
    return entry;
}

void EncryptedStore::AddStickFacts(StoreListEntry* entry, const DirectoryEntry& info)
{
    entry->present = true;
    entry->encryptedSize = entry->isFolder ? 0 : info.size;
    entry->writeTime = info.writeTime.ToDateTime();
}

}  // namespace nbr
