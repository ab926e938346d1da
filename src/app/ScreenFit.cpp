#include "app/ScreenFit.h"

#include <algorithm>

namespace nbr {

namespace {

// The start of a span of `length` inside [from, from + room): as wanted
// when it fits, else moved in, else at `from`.
int Place(int wanted, int length, int from, int room)
{
    const int last = from + room - length;
    return std::max(from, std::min(wanted, last));
}

}  // namespace

QRect ScreenFit::Fit(const QRect& wanted, const QRect& available, const QSize& minimum)
{
    if (!available.isValid())
        return wanted;
    const int width = std::max(std::min(wanted.width(), available.width()), minimum.width());
    const int height = std::max(std::min(wanted.height(), available.height()), minimum.height());
    return QRect(Place(wanted.x(), width, available.x(), available.width()),
                 Place(wanted.y(), height, available.y(), available.height()), width, height);
}

}  // namespace nbr
