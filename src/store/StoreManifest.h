#pragma once
// The encrypted list of one stored folder's children: their numbers, display
// names, kinds and times. Opened for one operation, changed in memory, saved
// to ".manifest" and then ".manifest.bak", closed. A writable manifest holds
// the manifest lock from Open to Close (the destructor closes).
//
// Each file is written whole beside its final name and renamed over it, so a
// reader (or the next run after a crash) finds the old list or the new one,
// never a part. A list that is cut, grown, or names one number twice is
// damaged; its backup serves instead.

#include "platform/Status.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>
#include <unordered_set>
#include <vector>

namespace nbr {

class SecParams;

struct ManifestEntry {
    std::uint32_t id = 0;
    QString name;
    bool isFolder = false;
    std::uint64_t writeTime = 0;
};

class StoreManifest {
public:
    // `keys` gives the master key for every load and save.
    explicit StoreManifest(const SecParams& keys) : keys_(keys) {}
    ~StoreManifest();
    StoreManifest(const StoreManifest&) = delete;
    StoreManifest& operator=(const StoreManifest&) = delete;

    void Open(const QString& manifestPath, bool readOnly);
    void Close();
    [[nodiscard]] bool IsLoaded() const { return loaded_; }
    [[nodiscard]] Status LoadStatus() const { return loadStatus_; }
    // The main file could not be read and ".manifest.bak" served instead.
    [[nodiscard]] bool LoadedFromBackup() const { return fromBackup_; }
    // Fails, leaving both files as they were, when ".manifest" cannot be
    // replaced. Succeeds once ".manifest" holds the new list, even when its
    // backup could not be refreshed: the caller's view must match the stick.
    [[nodiscard]] Status Save();

    [[nodiscard]] const ManifestEntry* FindByStoredName(const QString& storedName) const;
    // Ignoring case, for all of Unicode.
    [[nodiscard]] const ManifestEntry* FindByName(const QString& displayName) const;
    ManifestEntry AddEntry(const QString& displayName, bool isFolder, std::uint64_t writeTime,
                           const QString& folderPath);
    bool RemoveEntry(const QString& storedName);
    // Takes out every entry whose number is in `ids`, in one pass over the
    // list; returns how many went.
    std::size_t RemoveEntries(const std::unordered_set<std::uint32_t>& ids);
    // Lists again an entry that RemoveEntry took out, with its own number.
    void RestoreEntry(const ManifestEntry& entry);
    void SortEntries();
    // Changed in memory since it was loaded or last saved.
    [[nodiscard]] bool HasUnsavedChanges() const { return changed_; }
    // Takes out the entries added since the last save and gives them back,
    // so that the caller can remove their stored items: after a failed save
    // nothing names them, and nothing may be left that the list does not.
    [[nodiscard]] std::vector<ManifestEntry> TakeBackUnsavedAdditions();
    [[nodiscard]] const std::vector<ManifestEntry>& Entries() const { return entries_; }
    [[nodiscard]] const QString& Path() const { return path_; }

    // Saves put each new list file, and then its folder, on the device
    // before going on; benchmarks turn that off to measure what it costs.
    static void SetDurableSaves(bool durable);

    [[nodiscard]] static QByteArray Serialize(const std::vector<ManifestEntry>& entries);
    [[nodiscard]] static bool Parse(const QByteArray& content, std::vector<ManifestEntry>* entries);
    // Every id is at least 1 and names one entry only: two entries sharing a
    // number would share one stored item, and deleting either loses both.
    [[nodiscard]] static bool HasSoundIds(const std::vector<ManifestEntry>& entries);
    // Reads one list file: its system error, E_FILE_DAMAGED and the other
    // statuses of decryption, or E_STORE_MANIFEST for content that does not
    // parse or has unsound ids. `entries` is changed only on success.
    [[nodiscard]] static Status ReadFile(const SecParams& keys, const QString& path,
                                         std::vector<ManifestEntry>* entries);
    // The name a list file is written under before it replaces `path`.
    [[nodiscard]] static QString FreshPathOf(const QString& path);
    // The decimal value of a stored name's leading digits, 0 when it has none.
    [[nodiscard]] static std::uint32_t IdOf(const QString& storedName);

private:
    [[nodiscard]] Status Load();
    void Forget();
    [[nodiscard]] std::uint32_t LargestId() const;

    const SecParams& keys_;
    QString path_;
    std::vector<ManifestEntry> entries_;
    bool readOnly_ = true;
    bool open_ = false;
    bool loaded_ = false;
    bool fromBackup_ = false;
    Status loadStatus_ = S_OK;
    bool changed_ = false;
    std::vector<std::uint32_t> unsavedIds_;
    // A folder import looks up every name it adds: by folded name, built on
    // first use, so that N additions do not cost N * N comparisons.
    mutable QHash<QString, std::size_t> byName_;
    mutable bool indexed_ = false;
    mutable std::uint32_t largest_ = 0;
    mutable bool largestKnown_ = false;
};

}  // namespace nbr
