#include "store/StoreManifest.h"

#include "platform/CreationPolicy.h"
#include "platform/FileSystem.h"
#include "platform/NativeFile.h"
#include "platform/NativePath.h"
#include "security/CreateCrypt.h"
#include "security/SecParams.h"
#include "store/ManifestLock.h"
#include "store/StoreStatus.h"

#include <QSysInfo>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <unordered_set>
#include <cstring>

namespace nbr {
namespace {

const QString kBackupSuffix = QStringLiteral(".bak");
const QString kFreshSuffix = QStringLiteral(".nbr-new");
std::atomic<bool> g_durable {true};

bool IsMissing(Status status)
{
    return status == StatusFromWin32(win32::kFileNotFound) || status == StatusFromWin32(win32::kPathNotFound);
}

// Writes `content` beside `target` and renames it over `target`; on any
// failure the fresh file is removed and `target` is as it was. With `flush`
// the content is on the device before the rename; the rename itself reaches
// it with the next flush of the folder.
Status WriteWhole(ICrypt& engine, const QByteArray& content, const QString& target, bool flush)
{
    const QString fresh = target + kFreshSuffix;
    Status s = engine.EncryptBufferToFile(content.constData(), static_cast<std::size_t>(content.size()), fresh,
                                          CreationPolicy::StoreSecurityAttributes());
    // On the device before the rename: otherwise a crash could leave the new
    // name pointing at blocks that were never written.
    if (Succeeded(s) && flush)
        s = NativeFile::SyncPath(fresh);
    if (Succeeded(s))
        s = FileSystem::Rename(fresh, target);
    if (Failed(s))
        (void)NativeFile::Remove(fresh);
    return s;
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Reads the manifest bytes front to back.
class Cursor {
public:
    explicit Cursor(const QByteArray& data) : at_(data.constData()), end_(data.constData() + data.size()) {}
    [[nodiscard]] bool AtEnd() const { return at_ >= end_; }
    void SkipSpace()
    {
        while (at_ < end_ && IsSpace(*at_))
            ++at_;
    }
    [[nodiscard]] char Take() { return *at_++; }
    [[nodiscard]] bool Expect(char c)
    {
        SkipSpace();
        return at_ < end_ && *at_++ == c;
    }
    [[nodiscard]] bool Number(std::uint64_t limit, std::uint64_t* value)
    {
        *value = 0;
        const char* start = at_;
        while (at_ < end_ && *at_ >= '0' && *at_ <= '9') {
            const auto digit = static_cast<std::uint64_t>(*at_ - '0');
            if (*value > (limit - digit) / 10)
                return false;  // past the field's range
            *value = *value * 10 + digit;
            ++at_;
        }
        return at_ > start;
    }
    [[nodiscard]] bool Name(QString* name)
    {
        const char* start = at_;
        for (;;) {
            if (end_ - at_ < 2)
                return false;
            const bool zero = at_[0] == 0 && at_[1] == 0;
            at_ += 2;
            if (zero)
                break;
        }
        const qsizetype units = (at_ - 2 - start) / 2;
        name->resize(units);
        char16_t* out = reinterpret_cast<char16_t*>(name->data());
        for (qsizetype i = 0; i < units; ++i)
            out[i] = qFromLittleEndian<char16_t>(start + 2 * i);
        return true;
    }
    void SkipLine()
    {
        while (at_ < end_ && *at_++ != '\n') {
        }
    }

private:
    const char* at_;
    const char* end_;
};

}  // namespace

StoreManifest::~StoreManifest()
{
    Close();
}

void StoreManifest::Open(const QString& manifestPath, bool readOnly)
{
    Close();
    path_ = manifestPath;
    entries_.clear();
    Forget();
    readOnly_ = readOnly;
    if (!readOnly_)
        ManifestLock::Enter();
    open_ = true;
    loadStatus_ = Load();
    loaded_ = Succeeded(loadStatus_);
}

void StoreManifest::Close()
{
    if (open_ && !readOnly_)
        ManifestLock::Leave();
    open_ = false;
    loaded_ = false;
    entries_.clear();
    Forget();
}

void StoreManifest::Forget()
{
    changed_ = false;
    unsavedIds_.clear();
    byName_.clear();
    indexed_ = false;
    largestKnown_ = false;
}

Status StoreManifest::ReadFile(const SecParams& keys, const QString& path, std::vector<ManifestEntry>* entries)
{
    FileCryptPtr engine;
    Status s = CreateKeyedCrypt(keys, &engine);
    QByteArray content;
    if (Succeeded(s))
        s = engine->DecryptFileToBuffer(path, &content);
    if (Failed(s))
        return s;
    std::vector<ManifestEntry> parsed;
    if (!Parse(content, &parsed) || !HasSoundIds(parsed))
        return E_STORE_MANIFEST;
    *entries = std::move(parsed);
    return S_OK;
}

bool StoreManifest::HasSoundIds(const std::vector<ManifestEntry>& entries)
{
    std::vector<std::uint32_t> ids;
    ids.reserve(entries.size());
    for (const ManifestEntry& entry : entries)
        ids.push_back(entry.id);
    std::sort(ids.begin(), ids.end());
    return (ids.empty() || ids.front() != 0) && std::adjacent_find(ids.begin(), ids.end()) == ids.end();
}

QString StoreManifest::FreshPathOf(const QString& path)
{
    return path + kFreshSuffix;
}

Status StoreManifest::Load()
{
    fromBackup_ = false;
    const Status main = ReadFile(keys_, path_, &entries_);
    if (Succeeded(main))
        return main;
    // Whatever made the main file unreadable (cut, grown, foreign, garbled),
    // the backup holds the list as it was before the last change, or after it.
    const Status backup = ReadFile(keys_, path_ + kBackupSuffix, &entries_);
    if (Succeeded(backup)) {
        fromBackup_ = true;
        return S_OK;
    }
    if (IsMissing(backup)) {
        // A folder without a manifest yet is empty. A damaged one without a
        // backup is not: taking it for empty would let the next save forget
        // every item in the folder.
        return IsMissing(main) ? S_OK : E_STORE_MANIFEST;
    }
    return IsWin32Status(backup) ? backup : E_STORE_MANIFEST;
}

Status StoreManifest::Save()
{
    if (readOnly_)
        return E_STORE_READ_ONLY;
    const QByteArray content = Serialize(entries_);
    FileCryptPtr engine;
    Status s = CreateKeyedCrypt(keys_, &engine);
    // The files of new entries were written without a flush of their own:
    // they reach the device before the list that names them.
    if (Succeeded(s) && g_durable && !unsavedIds_.empty())
        s = NativeFile::SyncVolume(NativePath::ParentOf(path_));
    if (Succeeded(s))
        s = WriteWhole(*engine, content, path_, g_durable);
    // The list is on the stick: a backup that cannot follow (a full disk)
    // keeps the previous, complete list, which is no reason to undo the change.
    // The backup is not flushed on its own: a power loss can at worst take
    // it, never the list, and the next save writes it again.
    if (Succeeded(s))
        (void)WriteWhole(*engine, content, path_ + kBackupSuffix, false);
    // Either rename may be lost to a crash before this: each leaves a whole
    // list, and nothing a caller does after a save depends on which.
    if (Succeeded(s) && g_durable)
        (void)NativeFile::SyncPath(NativePath::ParentOf(path_));
    if (Succeeded(s)) {
        changed_ = false;
        unsavedIds_.clear();
    }
    return s;
}

void StoreManifest::SetDurableSaves(bool durable)
{
    g_durable = durable;
}

std::uint32_t StoreManifest::IdOf(const QString& storedName)
{
    std::uint64_t value = 0;
    for (const QChar c : storedName) {
        if (c < u'0' || c > u'9')
            break;
        value = value * 10 + static_cast<std::uint64_t>(c.unicode() - u'0');
        if (value > 0xFFFFFFFFull)
            return 0;  // no entry has such a number
    }
    return static_cast<std::uint32_t>(value);
}

const ManifestEntry* StoreManifest::FindByStoredName(const QString& storedName) const
{
    const std::uint32_t id = IdOf(storedName);
    for (const ManifestEntry& entry : entries_) {
        if (entry.id == id)
            return &entry;
    }
    return nullptr;
}

const ManifestEntry* StoreManifest::FindByName(const QString& displayName) const
{
    if (!indexed_) {
        byName_.clear();
        byName_.reserve(static_cast<qsizetype>(entries_.size()));
        // The first of two entries that differ only in case is the one found.
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            const QString key = entries_[i].name.toCaseFolded();
            if (!byName_.contains(key))
                byName_.insert(key, i);
        }
        indexed_ = true;
    }
    const auto found = byName_.constFind(displayName.toCaseFolded());
    if (found == byName_.cend())
        return nullptr;
    const ManifestEntry& entry = entries_[found.value()];
    return entry.name.compare(displayName, Qt::CaseInsensitive) == 0 ? &entry : nullptr;
}

std::uint32_t StoreManifest::LargestId() const
{
    if (!largestKnown_) {
        largest_ = 0;
        for (const ManifestEntry& entry : entries_)
            largest_ = std::max(largest_, entry.id);
        largestKnown_ = true;
    }
    return largest_;
}

ManifestEntry StoreManifest::AddEntry(const QString& displayName, bool isFolder, std::uint64_t writeTime,
                                      const QString& folderPath)
{
    const std::uint32_t largest = LargestId();
    // Past the largest number the search starts again at 1 and must then
    // step over the numbers in use; 0 is never a stored name.
    std::unordered_set<std::uint32_t> used;
    bool wrapped = false;
    std::uint32_t id = largest + 1;
    for (;; ++id) {
        if (id == 0) {
            wrapped = true;
            for (const ManifestEntry& entry : entries_)
                used.insert(entry.id);
            continue;
        }
        if (wrapped && used.count(id) != 0)
            continue;
        // Numbered leftovers of an interrupted operation are never overwritten.
        if (!FileSystem::Exists(NativePath::Join(folderPath, QString::number(id))))
            break;
    }
    entries_.push_back(ManifestEntry {id, displayName, isFolder, writeTime});
    if (indexed_ && !byName_.contains(displayName.toCaseFolded()))
        byName_.insert(displayName.toCaseFolded(), entries_.size() - 1);
    largest_ = std::max(largest_, id);
    changed_ = true;
    unsavedIds_.push_back(id);
    return entries_.back();
}

void StoreManifest::RestoreEntry(const ManifestEntry& entry)
{
    entries_.push_back(entry);
    indexed_ = false;
    largestKnown_ = false;
    changed_ = true;
}

std::vector<ManifestEntry> StoreManifest::TakeBackUnsavedAdditions()
{
    std::vector<ManifestEntry> taken;
    if (unsavedIds_.empty())
        return taken;
    const std::unordered_set<std::uint32_t> unsaved(unsavedIds_.begin(), unsavedIds_.end());
    const auto kept = std::stable_partition(entries_.begin(), entries_.end(),
                                            [&unsaved](const ManifestEntry& e) { return unsaved.count(e.id) == 0; });
    taken.assign(std::make_move_iterator(kept), std::make_move_iterator(entries_.end()));
    entries_.erase(kept, entries_.end());
    unsavedIds_.clear();
    indexed_ = false;
    largestKnown_ = false;
    return taken;
}

bool StoreManifest::RemoveEntry(const QString& storedName)
{
    const std::uint32_t id = IdOf(storedName);
    const auto found = std::find_if(entries_.begin(), entries_.end(), [id](const ManifestEntry& e) { return e.id == id; });
    if (found == entries_.end())
        return false;
    entries_.erase(found);
    unsavedIds_.erase(std::remove(unsavedIds_.begin(), unsavedIds_.end(), id), unsavedIds_.end());
    indexed_ = false;
    largestKnown_ = false;
    changed_ = true;
    return true;
}

std::size_t StoreManifest::RemoveEntries(const std::unordered_set<std::uint32_t>& ids)
{
    const auto kept = std::remove_if(entries_.begin(), entries_.end(),
                                     [&ids](const ManifestEntry& e) { return ids.count(e.id) != 0; });
    const auto removed = static_cast<std::size_t>(entries_.end() - kept);
    if (removed == 0)
        return 0;
    entries_.erase(kept, entries_.end());
    unsavedIds_.erase(std::remove_if(unsavedIds_.begin(), unsavedIds_.end(),
                                     [&ids](std::uint32_t id) { return ids.count(id) != 0; }),
                      unsavedIds_.end());
    indexed_ = false;
    largestKnown_ = false;
    changed_ = true;
    return removed;
}

void StoreManifest::SortEntries()
{
    indexed_ = false;
    changed_ = true;
    std::stable_sort(entries_.begin(), entries_.end(), [](const ManifestEntry& a, const ManifestEntry& b) {
        if (a.isFolder != b.isFolder)
            return a.isFolder;
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
}

QByteArray StoreManifest::Serialize(const std::vector<ManifestEntry>& entries)
{
    // A folder import writes lists of thousands of entries every second:
    // one allocation, digits and names copied in bulk.
    qsizetype size = 0;
    for (const ManifestEntry& entry : entries)
        size += 3 + 10 + 1 + 20 + 1 + 2 * (entry.name.size() + 1) + 1;
    QByteArray out(size, Qt::Uninitialized);
    char* at = out.data();
    const auto digits = [&at](std::uint64_t value) {
        char buffer[20];
        int n = 0;
        do {
            buffer[n++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        while (n > 0)
            *at++ = buffer[--n];
    };
    for (const ManifestEntry& entry : entries) {
        *at++ = entry.isFolder ? 'D' : 'F';
        *at++ = '/';
        digits(entry.id);
        *at++ = '/';
        digits(entry.writeTime);
        *at++ = '/';
        const char16_t* units = reinterpret_cast<const char16_t*>(entry.name.utf16());
        if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
            std::memcpy(at, units, static_cast<std::size_t>(entry.name.size()) * 2);
            at += entry.name.size() * 2;
        } else {
            for (qsizetype i = 0; i < entry.name.size(); ++i, at += 2)
                qToLittleEndian<char16_t>(units[i], at);
        }
        *at++ = 0;
        *at++ = 0;
        *at++ = '\n';
    }
    out.truncate(at - out.constData());
    return out;
}

bool StoreManifest::Parse(const QByteArray& content, std::vector<ManifestEntry>* entries)
{
    std::vector<ManifestEntry> parsed;
    parsed.reserve(static_cast<std::size_t>(content.size() / 32));
    Cursor cursor(content);
    for (;;) {
        cursor.SkipSpace();
        if (cursor.AtEnd())
            break;
        ManifestEntry entry;
        const char kind = cursor.Take();
        if (kind != 'D' && kind != 'F')
            return false;
        entry.isFolder = kind == 'D';
        std::uint64_t id = 0;
        if (!cursor.Expect('/') || !cursor.Number(0xFFFFFFFFull, &id) || !cursor.Expect('/')
            || !cursor.Number(~0ull, &entry.writeTime) || !cursor.Expect('/') || !cursor.Name(&entry.name))
            return false;
        entry.id = static_cast<std::uint32_t>(id);
        cursor.SkipLine();
        parsed.push_back(std::move(entry));
    }
    *entries = std::move(parsed);
    return true;
}

}  // namespace nbr
