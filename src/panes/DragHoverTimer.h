#pragma once
// The wait that opens a folder a drag rests on: just over a second over the
// same item, started again whenever the cursor reaches another one, so a
// person can reach a folder deep in a pane without letting go. The clock is
// passed in: tests move time by hand.

#include <cstdint>
#include <functional>

namespace nbr {

class CTreeListItem;

class DragHoverTimer {
public:
    // Milliseconds of a clock that never goes back.
    using Clock = std::function<std::int64_t()>;
    static constexpr int kOpenAfterMs = 1000;

    // Without a clock, the system's steady clock.
    explicit DragHoverTimer(Clock clock = {});

    // The item under the cursor. Another item than before starts the wait
    // again; no item (empty space) stops it.
    void Hover(CTreeListItem* item);
    // The drag left or ended: the next hover starts afresh, even over the
    // item hovered last.
    void Stop();
    // True once more than kOpenAfterMs have passed over the item; the wait
    // then stops until another item is hovered, so a folder opens once.
    [[nodiscard]] bool TakeDue();
    // How long until TakeDue answers true (0 when it would now); -1 when no
    // wait runs.
    [[nodiscard]] int RemainingMs() const;

private:
    Clock clock_;
    CTreeListItem* item_ = nullptr;
    std::int64_t start_ = 0;
    bool waiting_ = false;
};

}  // namespace nbr
