#pragma once
// Reads host folders for the host pane off the GUI thread. A folder is read
// on a thread of its own (a network or removable mount may take seconds, or
// never answer); the pane waits a moment for it, so that an ordinary folder
// opens at once, and otherwise goes on: the children come in when the read
// ends, unless the folder was closed, refreshed or deleted meanwhile. The
// thread does everything that may touch the disk or take time per name
// (the listing, links resolved, the sort keys and order, the column texts).

#include "platform/Status.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class QTimer;

namespace nbr {

class CTreeListItem;
class TreeListModel;

class HostFolderReader {
public:
    struct Child {
        QString name;
        QString path;      // as the tree reached it
        QString resolved;  // folders: where they really are
        bool folder = false;
        bool ownIconLookUp = false;  // FileIconTable::NeedsOwnLookUp, for files
        std::uint64_t size = 0;
        QString sizeText;
        QString dateText;
    };
    struct Listing {
        Status status = S_OK;
        std::vector<Child> children;  // folders first, then by the desktop's order
        std::size_t first = 0;        // a later piece of a long listing: where it goes on
    };
    // `IsStorePath` decides which folders are never listed (the store's
    // volume); it runs on the reading thread, so it must be a pure test.
    using StoreTest = std::function<bool(const QString& resolved)>;
    // A read that ended after Read had returned, on the GUI thread.
    using LateSink = std::function<void(TreeListModel& model, CTreeListItem* parent, Listing listing)>;

    HostFolderReader(StoreTest isStorePath, LateSink late);
    ~HostFolderReader();
    HostFolderReader(const HostFolderReader&) = delete;
    HostFolderReader& operator=(const HostFolderReader&) = delete;

    // True with `listing` when the read of `path` (resolved: `resolved`)
    // ended within the wait; false when it goes on (LateSink gets it).
    [[nodiscard]] bool Read(TreeListModel& model, CTreeListItem* parent, const QString& path, const QString& resolved,
                            Listing* listing);
    // The rest of a listing too long to insert in one step of the GUI
    // thread: handed to LateSink at the next turn of the event loop, unless
    // `parent` is read again or freed first.
    void Continue(TreeListModel& model, CTreeListItem* parent, Listing rest);
    // `item` is about to be freed: its read's result is dropped.
    void Forget(const CTreeListItem* item);
    // Whether a read for `item` is still under way.
    [[nodiscard]] bool Reading(const CTreeListItem* item) const;
    // No read is under way (tests).
    [[nodiscard]] bool Idle() const { return pending_.empty(); }

    // The longest the GUI thread waits for a read, in milliseconds; 0 makes
    // every read late (a test seam).
    static void SetWait(int milliseconds);

    // Where each of `paths` really is (empty: it does not exist), looked up
    // on a thread of their own; false in `answered` for each one whose
    // look-up had not ended within the wait (a mount that does not answer).
    // Returns the look-up when some place had not answered (null when all
    // had), to be asked again with PlacesEnded.
    struct PlacesLookUp;
    static std::shared_ptr<PlacesLookUp> ResolvePlaces(const QStringList& paths, std::vector<QString>* resolved,
                                                       std::vector<bool>* answered);
    // Every place's answer once the look-up has ended; false, without
    // waiting, while it goes on.
    [[nodiscard]] static bool PlacesEnded(PlacesLookUp& lookUp, std::vector<QString>* resolved);

    // The read itself, on any thread.
    [[nodiscard]] static Listing ReadFolder(const QString& path, const QString& resolved, const StoreTest& isStorePath);

private:
    struct Job;
    struct Pending {
        TreeListModel* model = nullptr;
        std::shared_ptr<Job> job;
    };
    void Poll();
    void StartPolling();

    StoreTest isStorePath_;
    LateSink late_;
    std::unordered_map<const CTreeListItem*, Pending> pending_;
    std::unique_ptr<QTimer> poll_;
};

}  // namespace nbr
