#include "panes/StoreColumnGatherer.h"

#include "panes/DateColumn.h"
#include "panes/TreeListModel.h"
#include "platform/FileSystem.h"
#include "store/EncryptedStore.h"
#include "store/WorkUnits.h"

#include <QCoreApplication>
#include <QHash>
#include <QThreadPool>

#include <algorithm>

namespace nbr {

struct StoreColumnGatherer::Listing {
    TreeListModel* model = nullptr;
    std::uint64_t generation = 0;
    std::unordered_map<std::uint32_t, CTreeListItem*> rows;
    std::unordered_map<const CTreeListItem*, std::uint32_t> ids;
};

struct StoreColumnGatherer::State {
    StoreColumnGatherer* owner = nullptr;
    std::uint64_t generations = 0;
    std::unordered_map<const CTreeListItem*, Listing> listings;  // by parent
};

namespace {

struct Wanted {
    std::uint32_t id;
    bool isFolder;
};

StoreColumnGatherer::Found Describe(const Wanted& item, const DirectoryEntry* info, DateColumn& dates)
{
    StoreColumnGatherer::Found found;
    found.id = item.id;
    if (!info)
        return found;  // missing on the stick: both columns stay empty
    if (!item.isFolder) {
        found.bytes = info->size;
        found.size = WorkUnits::FormatSizeColumn(info->size, u',', u'A');
    }
    found.date = dates.Of(info->writeTime.ToDateTime());
    return found;
}

}  // namespace

StoreColumnGatherer::StoreColumnGatherer(SizeSink sizeSink) : sizeSink_(sizeSink), state_(std::make_shared<State>())
{
    state_->owner = this;
}

StoreColumnGatherer::~StoreColumnGatherer() = default;

void StoreColumnGatherer::Gather(TreeListModel& model, CTreeListItem* parent, const QString& storedFolder,
                                 const std::vector<std::pair<std::uint32_t, CTreeListItem*>>& rows)
{
    if (rows.empty() || !QCoreApplication::instance())
        return;
    Listing& listing = state_->listings[parent];
    listing = Listing {};
    listing.model = &model;
    listing.generation = ++state_->generations;
    listing.rows.reserve(rows.size());
    listing.ids.reserve(rows.size());
    std::vector<Wanted> wanted;
    wanted.reserve(rows.size());
    for (const auto& [id, item] : rows) {
        listing.rows.emplace(id, item);
        listing.ids.emplace(item, id);
        // Files are listed as leaves, folders never.
        wanted.push_back(Wanted {id, (item->State() & tls::kLeaf) == 0});
    }

    const std::weak_ptr<State> weak = state_;
    const std::uint64_t generation = listing.generation;
    QThreadPool::globalInstance()->start([weak, parent, generation, storedFolder, wanted = std::move(wanted)] {
        const auto post = [&](std::vector<Found> found, bool last) {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [weak, parent, generation, found = std::move(found), last] {
                    if (const std::shared_ptr<State> state = weak.lock())
                        state->owner->Apply(parent, generation, found, last);
                },
                Qt::QueuedConnection);
        };
        DateColumn dates;
        // The rows a pane shows first, by a look-up each: on a large folder
        // they are ready long before the folder read is.
        const std::size_t first = std::min(kFirstRows, wanted.size());
        std::vector<Found> found;
        found.reserve(first);
        for (std::size_t i = 0; i < first; ++i) {
            DirectoryEntry info;
            const bool there = Succeeded(FileSystem::Info(EncryptedStore::StoredPathOf(storedFolder, wanted[i].id), &info));
            found.push_back(Describe(wanted[i], there ? &info : nullptr, dates));
        }
        post(std::move(found), first == wanted.size());
        if (first == wanted.size())
            return;
        // The rest from one read of the folder.
        const QHash<QString, DirectoryEntry> onStick = EncryptedStore::ItemsOnStick(storedFolder);
        found.clear();
        for (std::size_t i = first; i < wanted.size(); ++i) {
            const auto at = onStick.constFind(QString::number(wanted[i].id));
            found.push_back(Describe(wanted[i], at == onStick.cend() ? nullptr : &*at, dates));
            if (found.size() == kBatchRows || i + 1 == wanted.size()) {
                post(std::move(found), i + 1 == wanted.size());
                found.clear();
            }
        }
    });
}

void StoreColumnGatherer::Apply(CTreeListItem* parent, std::uint64_t generation, const std::vector<Found>& found,
                                bool last)
{
    const auto at = state_->listings.find(parent);
    if (at == state_->listings.end() || at->second.generation != generation)
        return;  // refreshed, collapsed away or deleted since
    Listing& listing = at->second;
    std::vector<std::pair<CTreeListItem*, QString>> sizes;
    std::vector<std::pair<CTreeListItem*, QString>> dates;
    sizes.reserve(found.size());
    dates.reserve(found.size());
    for (const Found& one : found) {
        const auto row = listing.rows.find(one.id);
        if (row == listing.rows.end())
            continue;  // deleted since
        if (sizeSink_ && !one.size.isEmpty())
            sizeSink_(row->second, one.bytes);
        sizes.emplace_back(row->second, one.size);
        dates.emplace_back(row->second, one.date);
    }
    // Every row gone (a pane emptied, perhaps on its way out): the model is
    // not touched at all.
    if (!sizes.empty()) {
        listing.model->SetItemTexts(1, sizes);
        listing.model->SetItemTexts(2, dates);
    }
    if (last)
        state_->listings.erase(at);
}

void StoreColumnGatherer::Forget(const CTreeListItem* item)
{
    if (!item || state_->listings.empty())
        return;
    state_->listings.erase(item);
    const auto at = state_->listings.find(item->Parent());
    if (at == state_->listings.end())
        return;
    const auto id = at->second.ids.find(item);
    if (id == at->second.ids.end())
        return;
    at->second.rows.erase(id->second);
    at->second.ids.erase(id);
}

bool StoreColumnGatherer::Idle() const
{
    return state_->listings.empty();
}

}  // namespace nbr
