#include "panes/DragHoverTimer.h"

#include <algorithm>
#include <chrono>

namespace nbr {

DragHoverTimer::DragHoverTimer(Clock clock) : clock_(std::move(clock))
{
    if (!clock_) {
        clock_ = [] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
        };
    }
}

void DragHoverTimer::Hover(CTreeListItem* item)
{
    if (item == item_)
        return;
    item_ = item;
    waiting_ = item != nullptr;
    start_ = clock_();
}

void DragHoverTimer::Stop()
{
    item_ = nullptr;
    waiting_ = false;
}

bool DragHoverTimer::TakeDue()
{
    if (!waiting_ || clock_() - start_ <= kOpenAfterMs)
        return false;
    waiting_ = false;
    return true;
}

int DragHoverTimer::RemainingMs() const
{
    if (!waiting_)
        return -1;
    // "More than" the wait: one millisecond past it.
    return static_cast<int>(std::max<std::int64_t>(0, start_ + kOpenAfterMs + 1 - clock_()));
}

}  // namespace nbr
