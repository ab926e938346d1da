#pragma once
// Where everything of a message box goes, from the measured sizes of its
// parts: the window's size, and the icon, text, banner, check box and buttons
// inside its client area. No window is needed, so the rules are checked alone.

#include <QList>
#include <QRect>
#include <QSize>

namespace nbr {

struct MessageBoxParts {
    QSize text;    // the measured text
    QSize icon;    // empty: no icon
    QSize banner;  // empty: no banner
    QSize check;   // the measured check-box text; empty: no check box
    int buttons = 0;
    bool resizable = false;
};

struct MessageBoxGeometry {
    QSize window;  // the whole window with its frame
    QRect icon, text, banner, check;  // in client coordinates; null when absent
    QList<QRect> buttons;             // left to right
};

class MessageBoxLayout {
public:
    static constexpr int kMinWidth = 425;
    static constexpr int kMargin = 15;        // between the rows, and above the first
    static constexpr int kLeft = 20;          // the icon, or the text without one
    static constexpr int kButtonWidth = 108;
    static constexpr int kButtonHeight = 24;
    static constexpr int kButtonPitch = 114;
    static constexpr int kMinCheckHeight = 20;
    // The frame: the border on every side and the header above the client.
    static constexpr int kBorder = 4;
    static constexpr int kResizableBorder = 6;
    static constexpr int kHeader = 50;

    [[nodiscard]] static MessageBoxGeometry Compute(const MessageBoxParts& parts);
};

}  // namespace nbr
