#include "panes/HostFolderReader.h"

#include "panes/DateColumn.h"
#include "panes/FileIconTable.h"
#include "platform/FileSystem.h"
#include "platform/HostPlaces.h"
#include "platform/NativePath.h"
#include "store/WorkUnits.h"

#include <QCollator>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace nbr {
namespace {

std::atomic<int> g_wait {40};
constexpr int kPollMs = 50;
constexpr int kPlacesWaitMs = 100;

}  // namespace

// One read, shared by the reading thread and the pane: whichever lets go
// last frees it, so a read that never ends costs a thread and nothing else.
struct HostFolderReader::Job {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    Listing listing;
};

void HostFolderReader::SetWait(int milliseconds)
{
    g_wait = milliseconds;
}

HostFolderReader::HostFolderReader(StoreTest isStorePath, LateSink late)
    : isStorePath_(std::move(isStorePath)), late_(std::move(late))
{
}

HostFolderReader::~HostFolderReader() = default;

HostFolderReader::Listing HostFolderReader::ReadFolder(const QString& path, const QString& resolved,
                                                       const StoreTest& isStorePath)
{
    Listing listing;
    QList<DirectoryEntry> entries;
    listing.status = FileSystem::List(path, &entries);
    if (Failed(listing.status))
        return listing;

    // Folders first, then the names as the desktop's file browser orders
    // them: letter case aside, numbers by their value.
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    struct Keyed {
        QCollatorSortKey key;
        Child child;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(static_cast<std::size_t>(entries.size()));
    DateColumn dates;
    for (DirectoryEntry& entry : entries) {
        if (entry.name.startsWith(u'.'))
            continue;
        Child child;
        child.folder = entry.isFolder || entry.linkToFolder;
        child.path = NativePath::Join(path, entry.name);
        if (child.folder) {
            // Only a folder can lead into the store's volume, or, through a
            // link, back to where the tree came from; a file there would sit
            // in a folder that is not listed.
            child.resolved = entry.isLink ? HostPlaces::Resolved(child.path) : NativePath::Join(resolved, entry.name);
            if (child.resolved.isEmpty() || (isStorePath && isStorePath(child.resolved)))
                continue;
        }
        child.ownIconLookUp = !child.folder && FileIconTable::NeedsOwnLookUp(entry.name);
        child.size = entry.size;
        if (!child.folder && !entry.isSpecial)
            child.sizeText = WorkUnits::FormatSizeColumn(entry.size, u',', u'A');
        if (entry.writeTime.ticks != 0)
            child.dateText = dates.Of(entry.writeTime.ToDateTime());
        child.name = std::move(entry.name);
        keyed.push_back(Keyed {collator.sortKey(child.name), std::move(child)});
    }
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.child.folder != b.child.folder)
            return a.child.folder;
        return a.key.compare(b.key) < 0;
    });
    listing.children.reserve(keyed.size());
    for (Keyed& one : keyed)
        listing.children.push_back(std::move(one.child));
    return listing;
}

struct HostFolderReader::PlacesLookUp {
    std::mutex mutex;
    std::condition_variable ended;
    std::vector<QString> resolved;
    std::vector<bool> answered;
    qsizetype done = 0;
    qsizetype count = 0;
};

std::shared_ptr<HostFolderReader::PlacesLookUp> HostFolderReader::ResolvePlaces(const QStringList& paths,
                                                                               std::vector<QString>* resolved,
                                                                               std::vector<bool>* answered)
{
    auto job = std::make_shared<PlacesLookUp>();
    job->count = paths.size();
    job->resolved.resize(static_cast<std::size_t>(paths.size()));
    job->answered.assign(static_cast<std::size_t>(paths.size()), false);
    // One thread for all: a mount that hangs keeps those after it waiting.
    std::thread([job, paths] {
        for (qsizetype i = 0; i < paths.size(); ++i) {
            QString one = HostPlaces::Resolved(paths.at(i));
            const std::lock_guard<std::mutex> lock(job->mutex);
            job->resolved[static_cast<std::size_t>(i)] = std::move(one);
            job->answered[static_cast<std::size_t>(i)] = true;
            job->done = i + 1;
            job->ended.notify_all();
        }
    }).detach();
    // Places are looked up once per listing of the top level: they get the
    // longest wait a step of the window may take.
    const int wait = g_wait.load();
    if (wait <= 0) {
        // Every look-up late, however quick the thread was (the test seam).
        resolved->assign(static_cast<std::size_t>(paths.size()), QString());
        answered->assign(static_cast<std::size_t>(paths.size()), false);
        return job;
    }
    std::unique_lock<std::mutex> lock(job->mutex);
    (void)job->ended.wait_for(lock, std::chrono::milliseconds(std::max(wait, kPlacesWaitMs)),
                              [&] { return job->done == paths.size(); });
    *resolved = job->resolved;
    *answered = job->answered;
    return job->done == paths.size() ? nullptr : job;
}

bool HostFolderReader::PlacesEnded(PlacesLookUp& lookUp, std::vector<QString>* resolved)
{
    const std::lock_guard<std::mutex> lock(lookUp.mutex);
    if (lookUp.done < lookUp.count)
        return false;
    *resolved = lookUp.resolved;
    return true;
}

bool HostFolderReader::Read(TreeListModel& model, CTreeListItem* parent, const QString& path, const QString& resolved,
                            Listing* listing)
{
    pending_.erase(parent);
    auto job = std::make_shared<Job>();
    std::thread([job, path, resolved, isStorePath = isStorePath_] {
        Listing read = ReadFolder(path, resolved, isStorePath);
        const std::lock_guard<std::mutex> lock(job->mutex);
        job->listing = std::move(read);
        job->done = true;
        job->ended.notify_all();
    }).detach();
    if (const int wait = g_wait.load(); wait > 0) {
        std::unique_lock<std::mutex> lock(job->mutex);
        if (job->ended.wait_for(lock, std::chrono::milliseconds(wait), [&job] { return job->done; })) {
            *listing = std::move(job->listing);
            return true;
        }
    }
    pending_[parent] = Pending {&model, job};
    StartPolling();
    return false;
}

void HostFolderReader::Continue(TreeListModel& model, CTreeListItem* parent, Listing rest)
{
    auto job = std::make_shared<Job>();
    job->listing = std::move(rest);
    job->done = true;
    pending_[parent] = Pending {&model, job};
    StartPolling();
    // Not a poll's interval later: the event loop only needs one turn to
    // paint and take input between two pieces.
    QTimer::singleShot(0, poll_.get(), [this] { Poll(); });
}

void HostFolderReader::StartPolling()
{
    if (!poll_) {
        poll_ = std::make_unique<QTimer>();
        poll_->setInterval(kPollMs);
        QObject::connect(poll_.get(), &QTimer::timeout, [this] { Poll(); });
    }
    if (!poll_->isActive())
        poll_->start();
}

void HostFolderReader::Poll()
{
    // Taken out first: the sink changes the tree, and so may this list.
    std::vector<std::pair<CTreeListItem*, Pending>> ended;
    for (auto it = pending_.begin(); it != pending_.end();) {
        bool done = false;
        {
            const std::lock_guard<std::mutex> lock(it->second.job->mutex);
            done = it->second.job->done;
        }
        if (done) {
            ended.emplace_back(const_cast<CTreeListItem*>(it->first), std::move(it->second));
            it = pending_.erase(it);
        } else {
            ++it;
        }
    }
    if (pending_.empty() && poll_)
        poll_->stop();
    for (auto& [parent, read] : ended) {
        Listing listing;
        {
            const std::lock_guard<std::mutex> lock(read.job->mutex);
            listing = std::move(read.job->listing);
        }
        if (late_)
            late_(*read.model, parent, std::move(listing));
    }
}

void HostFolderReader::Forget(const CTreeListItem* item)
{
    if (item)
        pending_.erase(item);
}

bool HostFolderReader::Reading(const CTreeListItem* item) const
{
    return pending_.count(item) != 0;
}

}  // namespace nbr
