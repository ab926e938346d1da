#include "store/StoreRepair.h"

#include "platform/CreationPolicy.h"
#include "platform/FileSystem.h"
#include "platform/NativeFile.h"
#include "platform/NativePath.h"
#include "security/CreateCrypt.h"
#include "security/CryptBase.h"
#include "security/EncryptedFileHeader.h"
#include "security/SecParams.h"
#include "security/SecurityStatus.h"
#include "store/CopyToTempThread.h"
#include "store/EncryptedStore.h"
#include "store/FileUtilities.h"
#include "store/StoreStatus.h"

#include <QSet>
#include <QtEndian>

#include <cryptopp/secblock.h>

#include <algorithm>
#include <unordered_set>

namespace nbr {
namespace {

const QString kFreshSuffix = QStringLiteral(".nbr-new");
const QString kDamagedSuffix = QStringLiteral(".damaged");
const QString kDeletionSuffix = QStringLiteral(".nbr-del");

bool AllDigits(QStringView name)
{
    if (name.isEmpty())
        return false;
    for (const QChar c : name) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

bool IsMissing(Status s)
{
    return s == StatusFromWin32(win32::kFileNotFound) || s == StatusFromWin32(win32::kPathNotFound);
}

QString Shown(const QString& display)
{
    return display.isEmpty() ? QStringLiteral("/") : display;
}

QString ChildOf(const QString& display, const QString& name)
{
    return display + NativePath::kSeparator + name;
}

// The plain name a header carries, whatever the file is called on disk.
QString NameIn(ICrypt& engine, const EncryptedFileHeader& header)
{
    const auto bytes = static_cast<std::uint32_t>(
        std::min<qsizetype>(header.encryptedName.size(), EncryptedFileHeader::kMaxNameBytes));
    if (bytes == 0 || bytes % 16 != 0
        || Failed(engine.BeginDecryption(reinterpret_cast<const std::uint8_t*>(header.keyBlock.constData()),
                                         static_cast<std::uint32_t>(header.keyBlock.size()))))
        return {};
    CryptoPP::SecByteBlock plain(reinterpret_cast<const CryptoPP::byte*>(header.encryptedName.constData()), bytes);
    QString name;
    if (Succeeded(engine.DecryptChunk(plain.data(), bytes, true))) {
        const std::uint32_t units = std::min(bytes / 2, header.nameCount);
        name.resize(units);
        for (std::uint32_t i = 0; i < units; ++i)
            name[i] = QChar(qFromLittleEndian<char16_t>(plain.data() + 2 * i));
    }
    (void)engine.EndDecryption();
    return name;
}

}  // namespace

StoreRepair::StoreRepair(EncryptedStore& store, bool repair, Sink sink)
    : store_(store), repair_(repair), sink_(std::move(sink))
{
}

bool StoreRepair::IsFreshFileName(const QString& name)
{
    if (!name.endsWith(kFreshSuffix))
        return false;
    const QStringView stem = QStringView(name).chopped(kFreshSuffix.size());
    return stem == u".manifest" || stem == u".manifest.bak" || (stem.startsWith(u'.') && AllDigits(stem.mid(1)));
}

QString StoreRepair::FreeName(const QString& name, bool isFolder, const std::function<bool(const QString&)>& taken)
{
    if (!taken(name))
        return name;
    QString stem = name;
    QString extension;
    const qsizetype dot = isFolder ? -1 : name.lastIndexOf(u'.');
    if (dot > 0) {
        stem = name.left(dot);
        extension = name.mid(dot);
    }
    for (int n = 2;; ++n) {
        const QString candidate = stem + QStringLiteral(" (%1)").arg(n) + extension;
        if (!taken(candidate))
            return candidate;
    }
}

void StoreRepair::Run()
{
    Folder(store_.Root(), QString());
    // Items are put back only after the walk, into a folder that the walk has
    // seen; what they bring along is checked in turn.
    while (!orphans_.empty()) {
        const Orphan orphan = orphans_.back();
        orphans_.pop_back();
        QString where;
        QString stored;
        const bool done = Recover(orphan, &where, &stored);
        Say(Finding::Unlisted, orphan.where, done, where);
        if (!done)
            continue;
        if (orphan.isFolder) {
            ++insideRecovered_;
            Folder(stored, where);
            --insideRecovered_;
        } else {
            CheckFile(stored, where);
        }
    }
}

void StoreRepair::Say(Finding finding, const QString& where, bool repaired, const QString& detail)
{
    if (sink_)
        sink_(Report {finding, where, detail, repaired});
}

bool StoreRepair::ReadList(const QString& stored, const QString& display, std::vector<ManifestEntry>* entries)
{
    const QString main = EncryptedStore::ManifestPathOf(stored);
    const Status mainStatus = StoreManifest::ReadFile(store_.Keys(), main, entries);
    if (Succeeded(mainStatus))
        return true;
    const Status backupStatus = StoreManifest::ReadFile(store_.Keys(), main + QStringLiteral(".bak"), entries);
    if (Succeeded(backupStatus)) {
        bool fixed = false;
        if (repair_) {
            // Loaded from the backup, saved whole over the damaged file.
            StoreManifest manifest(store_.Keys());
            manifest.Open(main, false);
            fixed = manifest.IsLoaded() && Succeeded(manifest.Save());
        }
        Say(Finding::ListDamaged, Shown(display), fixed);
        return true;
    }
    if (IsMissing(mainStatus) && IsMissing(backupStatus))
        return true;  // never saved: an empty folder
    // Both lists damaged: the items are still there, each file with its name.
    // The lists are set aside, not deleted, and the folder is taken as empty,
    // so that everything in it counts as unlisted and is put back. A list the
    // system could not read (no permission, an I/O error) is not damaged.
    const auto damaged = [](Status s) { return IsMissing(s) || !IsWin32Status(s); };
    if (repair_ && damaged(mainStatus) && damaged(backupStatus)) {
        bool setAside = true;
        for (const QString& list : {main, main + QStringLiteral(".bak")}) {
            if (FileSystem::Exists(list))
                setAside = Succeeded(FileSystem::Rename(list, list + kDamagedSuffix)) && setAside;
        }
        Say(Finding::ListLost, Shown(display), setAside);
        entries->clear();
        return setAside;
    }
    // Without a list every numbered item would look unlisted.
    Say(Finding::ListLost, Shown(display), false);
    return false;
}

bool StoreRepair::NothingOpens() const
{
    int seen = 0;
    return !AnythingOpens(store_.Root(), 0, &seen) && seen > 0;
}

bool StoreRepair::AnythingOpens(const QString& stored, int depth, int* seen) const
{
    const QString main = EncryptedStore::ManifestPathOf(stored);
    for (const QString& list : {main, main + QStringLiteral(".bak")}) {
        if (!FileSystem::Exists(list))
            continue;
        ++*seen;
        std::vector<ManifestEntry> entries;
        if (Succeeded(StoreManifest::ReadFile(store_.Keys(), list, &entries)))
            return true;
    }
    QList<DirectoryEntry> onDisk;
    if (Failed(FileSystem::List(stored, &onDisk)))
        return true;
    constexpr int kDeepest = 64;
    for (const DirectoryEntry& item : onDisk) {
        if (!item.validName || !AllDigits(item.name))
            continue;  // the key file, the lists, what was set aside
        const QString path = NativePath::Join(stored, item.name);
        if (item.isFolder) {
            if (depth < kDeepest && AnythingOpens(path, depth + 1, seen))
                return true;
            continue;
        }
        QString name;
        std::uint64_t writeTime = 0;
        const Kind kind = ClassifyFile(path, item.size, &name, &writeTime);
        if (kind == Kind::Recoverable || kind == Kind::Foreign)
            return true;
        if (kind == Kind::Unrecoverable)
            ++*seen;
    }
    return false;
}

void StoreRepair::Folder(const QString& stored, const QString& display)
{
    ++folders_;
    std::vector<ManifestEntry> entries;
    if (!ReadList(stored, display, &entries))
        return;
    CheckListed(stored, display, entries);
    CheckUnlisted(stored, display, entries);
}

void StoreRepair::CheckFile(const QString& stored, const QString& display)
{
    ++files_;
    const Status s = store_.VerifyStoredFile(stored);
    if (s == E_FILE_DAMAGED)
        Say(Finding::FileDamaged, display, false);
    else if (Failed(s))
        Say(Finding::BadKey, display, false);
    else if (EndsUnwritten(stored))
        Say(Finding::Incomplete, display, false);
}

bool StoreRepair::EndsUnwritten(const QString& path)
{
    constexpr std::uint64_t kBlock = 16;
    NativeFile file;
    std::uint8_t lengthBytes[2];
    std::size_t got = 0;
    std::uint64_t size = 0;
    if (Failed(file.OpenRead(path)) || Failed(file.Size(&size)) || Failed(file.Read(lengthBytes, 2, &got)) || got != 2)
        return false;
    const std::uint16_t headerLength = qFromLittleEndian<std::uint16_t>(lengthBytes);
    if (size < headerLength + kBlock)
        return false;
    std::uint8_t last[kBlock];
    if (Failed(file.Seek(size - kBlock)) || Failed(file.Read(last, kBlock, &got)) || got != kBlock)
        return false;
    return std::all_of(std::begin(last), std::end(last), [](std::uint8_t b) { return b == 0; });
}

QString StoreRepair::UsableName(const QString& name)
{
    QString usable = name.left(EncryptedStore::kMaxNameLength);
    for (QChar& c : usable) {
        if (c == NativePath::kSeparator || c == u'/' || c == QChar(0)
            || (c != u'.' && c != u' ' && !NativePath::IsPlainName(QString(c))))
            c = u'_';
    }
    if (usable == QLatin1String(".") || usable == QLatin1String(".."))
        usable.fill(u'_');
    // What the host still refuses as a whole (a device name, a trailing dot
    // on Windows) becomes usable with one more character; an empty name
    // stays empty for the caller to replace.
    if (!usable.isEmpty() && !NativePath::IsPlainName(usable))
        usable = usable.left(EncryptedStore::kMaxNameLength - 1) + u'_';
    return usable;
}

void StoreRepair::CheckListed(const QString& stored, const QString& display, const std::vector<ManifestEntry>& entries)
{
    std::unordered_set<std::uint32_t> gone;
    QStringList goneNames;
    for (const ManifestEntry& entry : entries) {
        const QString child = EncryptedStore::StoredPathOf(stored, entry.id);
        const QString name = ChildOf(display, entry.name);
        if (!CopyToTempThread::IsSafeHostName(entry.name))
            Say(Finding::UnsafeName, name, false);
        bool isFolder = false;
        const Status kind = FileSystem::Kind(child, &isFolder);
        if (IsMissing(kind)) {
            gone.insert(entry.id);
            goneNames << name;
        } else if (Failed(kind)) {
            continue;  // there, but not reachable now: nothing to conclude
        } else if (isFolder != entry.isFolder) {
            Say(Finding::WrongKind, name, false);
        } else if (isFolder) {
            Folder(child, name);
        } else {
            CheckFile(child, name);
        }
    }
    if (gone.empty())
        return;
    bool fixed = false;
    if (repair_) {
        StoreManifest manifest(store_.Keys());
        manifest.Open(EncryptedStore::ManifestPathOf(stored), false);
        if (manifest.IsLoaded()) {
            (void)manifest.RemoveEntries(gone);
            fixed = Succeeded(manifest.Save());
        }
    }
    for (const QString& name : goneNames)
        Say(Finding::Missing, name, fixed);
}

void StoreRepair::CheckUnlisted(const QString& stored, const QString& display,
                                const std::vector<ManifestEntry>& entries)
{
    QSet<std::uint32_t> listed;
    for (const ManifestEntry& entry : entries)
        listed.insert(entry.id);
    QList<DirectoryEntry> onDisk;
    if (Failed(FileSystem::List(stored, &onDisk)))
        return;
    // Items being deleted when the work stopped: finished here, never put back.
    QSet<QString> beingDeleted;
    for (const DirectoryEntry& item : onDisk) {
        if (item.validName && !item.isFolder && IsDeletionMarkerName(item.name))
            beingDeleted.insert(item.name.mid(1).chopped(kDeletionSuffix.size()));
    }
    for (const DirectoryEntry& item : onDisk) {
        if (!item.validName)
            continue;
        const QString path = NativePath::Join(stored, item.name);
        const QString where = ChildOf(display, item.name);
        if (!item.isFolder && IsDeletionMarkerName(item.name)) {
            FinishDeletion(stored, display, item.name.mid(1).chopped(kDeletionSuffix.size()), listed);
            continue;
        }
        if (beingDeleted.contains(item.name))
            continue;
        if (IsFreshFileName(item.name) && !IsSoleCopy(stored, item)) {
            const bool fixed = repair_ && !item.isFolder && FileUtilities::DeleteFileForced(path);
            Say(Finding::InterruptedWrite, where, fixed);
            continue;
        }
        Orphan orphan {path, where, item.isFolder, QString(), 0, QString(), QString()};
        if (insideRecovered_ > 0) {
            orphan.listIn = stored;
            orphan.listInDisplay = display;
        }
        if (IsFreshFileName(item.name)) {
            // A whole replacement whose original has vanished since.
            (void)ClassifyFile(path, item.size, &orphan.name, &orphan.writeTime);
            if (repair_)
                orphans_.push_back(orphan);
            else
                Say(Finding::Unlisted, where, false);
            continue;
        }
        if (!AllDigits(item.name))
            continue;
        // "007" is not the stored name of entry 7.
        const std::uint32_t id = StoreManifest::IdOf(item.name);
        if (listed.contains(id) && QString::number(id) == item.name)
            continue;
        Kind kind = Kind::Recoverable;
        if (item.isFolder)
            kind = HoldsNothing(path) ? Kind::NoData : Kind::Recoverable;
        else
            kind = ClassifyFile(path, item.size, &orphan.name, &orphan.writeTime);
        if (kind == Kind::NoData) {
            const bool fixed = repair_
                               && (item.isFolder ? FileUtilities::DeleteTree(path, nullptr, false, false)
                                                 : FileUtilities::DeleteFileForced(path));
            Say(Finding::InterruptedWrite, where, fixed);
        } else if (kind == Kind::Unrecoverable) {
            QString moved;
            const bool fixed = repair_ && SetAside(stored, display, item.name, &moved);
            Say(Finding::Unrecoverable, where, fixed, moved);
        } else if (kind == Kind::Foreign) {
            Say(Finding::Foreign, where, false);
        } else if (repair_) {
            orphans_.push_back(orphan);
        } else {
            Say(Finding::Unlisted, where, false);
        }
    }
}

bool StoreRepair::IsSoleCopy(const QString& stored, const DirectoryEntry& item) const
{
    // ".7.nbr-new" only ever stands beside a stored file 7 that it is about
    // to replace; with 7 gone it may be all that is left of it.
    const QString name = item.name;
    if (item.isFolder || !name.startsWith(u'.') || name.startsWith(QLatin1String(".manifest")))
        return false;
    const QString original = NativePath::Join(stored, name.mid(1).chopped(kFreshSuffix.size()));
    if (FileSystem::Exists(original))
        return false;
    QString unused;
    std::uint64_t time = 0;
    return ClassifyFile(NativePath::Join(stored, name), item.size, &unused, &time) == Kind::Recoverable;
}

bool StoreRepair::IsDeletionMarkerName(const QString& name)
{
    return name.startsWith(u'.') && name.endsWith(kDeletionSuffix)
           && AllDigits(QStringView(name).mid(1).chopped(kDeletionSuffix.size()));
}

void StoreRepair::FinishDeletion(const QString& stored, const QString& display, const QString& target,
                                 const QSet<std::uint32_t>& listed)
{
    const QString marker = EncryptedStore::DeletionMarkerOf(NativePath::Join(stored, target));
    const QString targetPath = NativePath::Join(stored, target);
    const std::uint32_t id = StoreManifest::IdOf(target);
    if (listed.contains(id) && QString::number(id) == target) {
        // Stopped before its list changed: the item stays, only the marker goes.
        Say(Finding::InterruptedWrite, ChildOf(display, NativePath::LastComponent(marker)),
            repair_ && FileUtilities::DeleteFileForced(marker));
        return;
    }
    bool fixed = false;
    if (repair_) {
        bool isFolder = false;
        const Status kind = FileSystem::Kind(targetPath, &isFolder);
        const bool gone = IsMissing(kind)
                          || (Succeeded(kind) && (isFolder ? FileUtilities::DeleteTree(targetPath, nullptr, false, false)
                                                           : FileUtilities::DeleteFileForced(targetPath)));
        // The marker goes last: a repair that stops halfway is taken up again.
        fixed = gone && FileUtilities::DeleteFileForced(marker);
    }
    Say(Finding::InterruptedDeletion, ChildOf(display, target), fixed);
}

bool StoreRepair::HoldsNothing(const QString& folder)
{
    QList<DirectoryEntry> entries;
    if (Failed(FileSystem::List(folder, &entries)))
        return false;
    for (const DirectoryEntry& entry : entries) {
        if (!entry.validName || entry.isFolder
            || (!EncryptedStore::IsManifestFileName(entry.name) && !IsFreshFileName(entry.name)))
            return false;
    }
    return true;
}

StoreRepair::Kind StoreRepair::ClassifyFile(const QString& path, std::uint64_t size, QString* name,
                                            std::uint64_t* writeTime) const
{
    // A stored file is written header first, content after, and is never
    // shortened later: one that ends before its header says it does is the
    // start of a write that never finished, and holds nothing to decrypt.
    if (size < 2)
        return Kind::NoData;
    NativeFile file;
    std::uint8_t lengthBytes[2];
    std::size_t got = 0;
    if (Failed(file.OpenRead(path)) || Failed(file.Read(lengthBytes, sizeof lengthBytes, &got)) || got != 2)
        return Kind::Foreign;  // unreadable now is not the same as empty
    const std::uint16_t headerLength = qFromLittleEndian<std::uint16_t>(lengthBytes);
    // No header of ours starts this way; a file of zeros (its length reached
    // the stick, its content did not) is the usual one.
    if (headerLength < 2 || headerLength > EncryptedFileHeader::kMaxLength)
        return Kind::Unrecoverable;
    if (size < headerLength)
        return Kind::NoData;

    FileCryptPtr engine;
    EncryptedFileHeader header;
    if (Failed(CreateKeyedCrypt(store_.Keys(), &engine)) || Failed(file.Seek(0)))
        return Kind::Foreign;
    // A read that failed says nothing of the file; a header or key that does
    // not open under this store's master key holds nothing it can recover.
    if (const Status read = engine->ReadHeader(file, header); Failed(read))
        return IsWin32Status(read) ? Kind::Foreign : Kind::Unrecoverable;
    const Status key = engine->VerifyFile(path);
    if (Failed(key) && key != E_FILE_DAMAGED)
        return IsWin32Status(key) ? Kind::Foreign : Kind::Unrecoverable;
    const std::uint64_t block = engine->BlockSize();
    const std::uint64_t start = headerLength;
    if (header.size <= ~0ull - block - start && size < start + (header.size + block - 1) / block * block)
        return Kind::NoData;

    *name = NameIn(*engine, header);
    *writeTime = header.lastWrite.ticks;
    return Kind::Recoverable;
}

QString StoreRepair::RecoveredFolder()
{
    if (!recovered_.isEmpty())
        return recovered_;
    // A file, or a folder that is gone, may hold the name already.
    for (int n = 1; n <= 100; ++n) {
        const QString name = n == 1 ? kRecoveredFolder : kRecoveredFolder + QStringLiteral(" (%1)").arg(n);
        QString path;
        const Status s = store_.CreateStoreFolder(store_.Root(), name, &path);
        bool isFolder = false;
        if (s == S_OK || (s == E_STORE_ITEM_EXISTS && Succeeded(FileSystem::Kind(path, &isFolder)) && isFolder)) {
            recovered_ = path;
            recoveredName_ = name;
            return recovered_;
        }
        if (s != E_STORE_ITEM_EXISTS)
            return {};
    }
    return {};
}

bool StoreRepair::SetAside(const QString& stored, const QString& display, const QString& name, QString* moved)
{
    const QString folder = NativePath::Join(stored, kDamagedFolder);
    bool isFolder = false;
    if (Failed(FileSystem::Kind(folder, &isFolder))) {
        if (Failed(FileSystem::CreateFolder(folder, CreationPolicy::StoreSecurityAttributes())))
            return false;
    } else if (!isFolder) {
        return false;
    }
    const QString free =
        FreeName(name, false, [&folder](const QString& n) { return FileSystem::Exists(NativePath::Join(folder, n)); });
    if (Failed(FileSystem::Rename(NativePath::Join(stored, name), NativePath::Join(folder, free))))
        return false;
    *moved = ChildOf(ChildOf(display, kDamagedFolder), free);
    return true;
}

bool StoreRepair::Recover(const Orphan& orphan, QString* where, QString* stored)
{
    const bool inPlace = !orphan.listIn.isEmpty();
    const QString folder = inPlace ? orphan.listIn : RecoveredFolder();
    if (folder.isEmpty())
        return false;
    StoreManifest manifest(store_.Keys());
    manifest.Open(EncryptedStore::ManifestPathOf(folder), false);
    if (!manifest.IsLoaded())
        return false;
    QString wanted = UsableName(orphan.name);
    if (wanted.isEmpty())
        wanted = NativePath::LastComponent(orphan.path);
    const QString name = FreeName(wanted, orphan.isFolder,
                                  [&manifest](const QString& n) { return manifest.FindByName(n) != nullptr; });
    const ManifestEntry entry = manifest.AddEntry(name, orphan.isFolder, orphan.writeTime, folder);
    const QString target = EncryptedStore::StoredPathOf(folder, entry.id);
    if (Failed(FileSystem::Rename(orphan.path, target)))
        return false;
    if (Failed(manifest.Save())) {
        (void)FileSystem::Rename(target, orphan.path);
        return false;
    }
    *where = ChildOf(inPlace ? orphan.listInDisplay : NativePath::kSeparator + recoveredName_, name);
    *stored = target;
    return true;
}

}  // namespace nbr
