#pragma once
// Fills the size and date columns of a listed stored folder off the GUI
// thread. The store pane shows a folder's names as soon as its list is
// decrypted; what the stick says of each item (a folder read, a look-up per
// item on some file systems, a round trip to a user-space driver on others)
// comes in afterwards, the first rows first, in batches that each change the
// model once. A listing that is refreshed, collapsed away or deleted before
// its results arrive drops them: results name their listing's generation,
// and an item that goes is forgotten before it is freed.

#include <QString>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace nbr {

class CTreeListItem;
class LanguageManager;
class TreeListModel;

class StoreColumnGatherer {
public:
    // What the worker found of one item: the texts of the two columns and
    // the stored file's size (empty texts for an item missing on the stick).
    struct Found {
        std::uint32_t id = 0;
        QString size;
        QString date;
        std::uint64_t bytes = 0;
    };
    // Called on the GUI thread for each found file, before its texts are set.
    using SizeSink = void (*)(CTreeListItem* item, std::uint64_t bytes);

    explicit StoreColumnGatherer(SizeSink sizeSink);
    ~StoreColumnGatherer();
    StoreColumnGatherer(const StoreColumnGatherer&) = delete;
    StoreColumnGatherer& operator=(const StoreColumnGatherer&) = delete;

    // The rows just appended under `parent` (the model's root item for the
    // top level) for the items of `storedFolder`, by number, in row order.
    void Gather(TreeListModel& model, CTreeListItem* parent, const QString& storedFolder,
                const std::vector<std::pair<std::uint32_t, CTreeListItem*>>& rows);
    // `item` is about to be freed: no result touches it (or its rows) again.
    void Forget(const CTreeListItem* item);
    // No listing waits for its results (tests).
    [[nodiscard]] bool Idle() const;

    // How many rows the first batch holds: about what a pane shows at once.
    static constexpr std::size_t kFirstRows = 64;
    static constexpr std::size_t kBatchRows = 2000;

private:
    struct Listing;
    struct State;
    void Apply(CTreeListItem* parent, std::uint64_t generation, const std::vector<Found>& found, bool last);

    SizeSink sizeSink_;
    std::shared_ptr<State> state_;
};

}  // namespace nbr
