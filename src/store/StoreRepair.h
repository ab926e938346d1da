#pragma once
// Walks a store and reports what does not add up: lists that cannot be read,
// listed items that are gone or damaged, names the host cannot take, and
// items on the stick that no list names. With repair on it mends what it can
// without losing data: a list is rewritten from its intact backup, entries
// of missing items are dropped, unlisted stored items are put back under
// their own names in a folder "Recovered" at the top of the store, lists
// that cannot be read at all are set aside so that their items count as
// unlisted, and only what provably holds no data is deleted (the remains of
// interrupted writes), or what a deletion had already unlisted when it stopped.
// A numbered file that cannot be this store's data (all zeros, a header that
// does not parse, a key that does not open) is moved into ".damaged" beside
// the lists, out of the user's view but never deleted.

#include "platform/FileSystem.h"
#include "platform/Status.h"
#include "store/StoreManifest.h"

#include <QSet>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace nbr {

class EncryptedStore;

class StoreRepair {
public:
    enum class Finding {
        ListDamaged,       // ".manifest" unreadable, its backup intact; repair rewrites it
        ListLost,          // neither list file can be read; repair sets both aside (".damaged")
                           // and puts the folder's items back as unlisted ones
        Missing,           // listed, not on the stick; repair drops the entry
        WrongKind,         // listed as a file but is a folder, or the other way round
        BadKey,            // a listed file whose key does not open under the master key
        FileDamaged,       // a listed file whose length does not match its header
        UnsafeName,        // a display name that cannot be used on the host
        Unlisted,          // a stored item no list names; repair puts it back (`detail`: where)
        InterruptedWrite,  // remains of an interrupted write, no data; repair deletes them
        Foreign,           // a numbered file that cannot be read now; always left in place
        InterruptedDeletion,  // an item unlisted by a deletion that stopped; repair deletes the rest
        Unrecoverable,     // a numbered unlisted file with no data of this store's in it; repair
                           // moves it into ".damaged" (`detail`: its path below the store)
        Incomplete,        // a file whose last blocks are zeros: its end never reached the stick;
                           // nothing can mend it, so it is never reported as repaired
    };
    struct Report {
        Finding finding;
        QString where;   // display path; unlisted items by their stored names
        QString detail;  // Unlisted and repaired: the display path it was put back at
        bool repaired = false;
    };
    using Sink = std::function<void(const Report&)>;

    static inline const QString kRecoveredFolder = QStringLiteral("Recovered");
    static inline const QString kDamagedFolder = QStringLiteral(".damaged");

    StoreRepair(EncryptedStore& store, bool repair, Sink sink);

    // Checks the whole store from its root.
    void Run();
    // The store holds lists or stored files, and not one of them opens under
    // the master key: the key file is most likely another store's, and a
    // repair would set every item aside as damaged.
    [[nodiscard]] bool NothingOpens() const;
    [[nodiscard]] int Folders() const { return folders_; }
    [[nodiscard]] int Files() const { return files_; }

    // A free name for `name` among the names of a folder: "a.txt", else
    // "a (2).txt", "a (3).txt" and so on; `taken` answers ignoring case.
    [[nodiscard]] static QString FreeName(const QString& name, bool isFolder,
                                          const std::function<bool(const QString&)>& taken);
    // Names a save or a replacement writes before renaming them into place.
    [[nodiscard]] static bool IsFreshFileName(const QString& name);
    // A name from a file's header made fit to list: what would lead out of a
    // folder on the way out ("/", NUL, "." and "..") is replaced; empty when
    // nothing is left of it.
    [[nodiscard]] static QString UsableName(const QString& name);
    // The file's last cipher block past its header is all zeros: the length
    // reached the stick, the end of the content did not (a written block is
    // zero by chance once in 2^128).
    [[nodiscard]] static bool EndsUnwritten(const QString& path);

private:
    struct Orphan {
        QString path;
        QString where;
        bool isFolder = false;
        QString name;  // from a file's header; folders go by their numbers
        std::uint64_t writeTime = 0;
        // Found inside a folder this run put back: listed where it lies, so
        // that a recovered folder keeps its shape.
        QString listIn;
        QString listInDisplay;
    };
    enum class Kind { Recoverable, NoData, Unrecoverable, Foreign };

    void Folder(const QString& stored, const QString& display);
    // Whether a list or a stored file in `stored` or below opens; `seen`
    // counts those looked at. A file that cannot be read now answers yes:
    // it says nothing of the key.
    [[nodiscard]] bool AnythingOpens(const QString& stored, int depth, int* seen) const;
    void CheckFile(const QString& stored, const QString& display);
    void CheckListed(const QString& stored, const QString& display, const std::vector<ManifestEntry>& entries);
    void CheckUnlisted(const QString& stored, const QString& display, const std::vector<ManifestEntry>& entries);
    [[nodiscard]] bool ReadList(const QString& stored, const QString& display, std::vector<ManifestEntry>* entries);
    // What an unlisted numbered file is; `name` and `writeTime` come from
    // the header of one that can be put back.
    [[nodiscard]] Kind ClassifyFile(const QString& path, std::uint64_t size, QString* name,
                                    std::uint64_t* writeTime) const;
    [[nodiscard]] static bool HoldsNothing(const QString& folder);
    [[nodiscard]] static bool IsDeletionMarkerName(const QString& name);
    // Completes the deletion that left a marker for `target` in `stored`.
    void FinishDeletion(const QString& stored, const QString& display, const QString& target,
                        const QSet<std::uint32_t>& listed);
    // A replacement leftover that is a whole stored file of its own, with
    // the file it was to replace missing.
    [[nodiscard]] bool IsSoleCopy(const QString& stored, const DirectoryEntry& item) const;
    // Moves an orphan into the recovered folder under a free name and lists
    // it there; `where` gets its display path, `stored` its new stored path.
    [[nodiscard]] bool Recover(const Orphan& orphan, QString* where, QString* stored);
    // Moves a file that holds no recoverable data into ".damaged" in its
    // folder; `moved` gets its new path below the store.
    [[nodiscard]] bool SetAside(const QString& stored, const QString& display, const QString& name, QString* moved);
    [[nodiscard]] QString RecoveredFolder();
    void Say(Finding finding, const QString& where, bool repaired, const QString& detail = {});

    EncryptedStore& store_;
    bool repair_;
    Sink sink_;
    std::vector<Orphan> orphans_;
    QString recovered_;      // stored path of the recovered folder, once known
    QString recoveredName_;
    int insideRecovered_ = 0;  // walking a folder that this run put back
    int folders_ = 0;
    int files_ = 0;
};

}  // namespace nbr
