#include "app/MessageBoxLayout.h"

#include <algorithm>

namespace nbr {

MessageBoxGeometry MessageBoxLayout::Compute(const MessageBoxParts& parts)
{
    const bool hasIcon = !parts.icon.isEmpty();
    const bool hasBanner = !parts.banner.isEmpty();
    const bool hasCheck = !parts.check.isEmpty();
    const int checkHeight = std::max(parts.check.height(), kMinCheckHeight);

    int width = kMinWidth;
    width = std::max(width, parts.text.width() + 46 + (hasIcon ? parts.icon.width() + 20 : 0));
    if (hasBanner)
        width = std::max(width, parts.banner.width() + 40);
    width = std::max(width, parts.buttons * kButtonPitch + 34);
    if (hasCheck)
        width = std::max(width, parts.check.width() + 60);

    int height = parts.resizable ? 77 : 73;
    height += std::max(parts.text.height(), hasIcon ? parts.icon.height() : 0) + kMargin;
    if (hasBanner)
        height += parts.banner.height() + kMargin;
    if (parts.buttons > 0)
        height += kButtonHeight + kMargin;
    if (hasCheck)
        height += checkHeight + kMargin;

    MessageBoxGeometry g;
    g.window = QSize(width, height);
    const int border = parts.resizable ? kResizableBorder : kBorder;
    const int clientWidth = width - 2 * border;

    // The band of icon and text, each centred in its height.
    const int band = std::max(parts.text.height(), hasIcon ? parts.icon.height() : 0);
    int y = kMargin;
    if (hasIcon)
        g.icon = QRect(QPoint(kLeft, y + (band - parts.icon.height()) / 2), parts.icon);
    const int textX = hasIcon ? parts.icon.width() + 40 : kLeft;
    g.text = QRect(QPoint(textX, y + (band - parts.text.height()) / 2), parts.text);
    y += band + kMargin;
    if (hasBanner) {
        g.banner = QRect(QPoint((clientWidth - parts.banner.width()) / 2, y), parts.banner);
        y += parts.banner.height() + kMargin;
    }
    if (hasCheck) {
        g.check = QRect(kLeft, y, parts.check.width() + 40, checkHeight);
        y += checkHeight + kMargin;
    }
    const int row = parts.buttons * kButtonPitch - (kButtonPitch - kButtonWidth);
    int x = (clientWidth - row) / 2;
    for (int i = 0; i < parts.buttons; ++i, x += kButtonPitch)
        g.buttons << QRect(x, y, kButtonWidth, kButtonHeight);
    return g;
}

}  // namespace nbr
