#pragma once
// Where a window goes on a screen: as large as it wants, but no larger than
// the screen's free area (and no smaller than it must be), moved in from the
// edges so that all of it shows; when even its smallest size is too large,
// its top left (the header, which moves it) stays on the screen. A large
// scale factor on a small screen makes windows larger than the screen.

#include <QRect>

namespace nbr {

class ScreenFit {
public:
    [[nodiscard]] static QRect Fit(const QRect& wanted, const QRect& available, const QSize& minimum = {});
};

}  // namespace nbr
