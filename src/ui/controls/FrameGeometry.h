#pragma once
// The geometry of Nimbra's self-drawn frames, kept free of any window so the
// rules can be checked on their own: which part of a frame a point hits,
// where the caption buttons sit, and the rounded outline of the window.
//
// Every coordinate is window-relative in device-independent pixels with the
// top-left corner of the window at (0, 0).

#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>

namespace nbr::frame {

enum class HitArea {
    Nowhere,
    Client,
    Caption,
    Border,  // frame that does not size the window
    Left,
    Right,
    Top,
    TopLeft,
    TopRight,
    Bottom,
    BottomLeft,
    BottomRight,
    CloseButton,
    MaximizeButton,
    MinimizeButton,
};

enum class ButtonKind { Close, Maximize, Minimize };

inline constexpr int kHeaderHeight = 50;
inline constexpr int kFrameBorder = 6;           // main frame and resizable dialogs
inline constexpr int kFixedDialogBorder = 4;     // dialogs that cannot be sized
inline constexpr int kCornerSize = 9;            // the rounded outline's corner ellipse
inline constexpr QSize kCaptionButtonSize {28, 15};
inline constexpr QSize kHeaderArtSize {432, 50};
// Where the first menu-bar title (or a dialog's caption) starts.
inline constexpr QPoint kMenuOrigin {165, 32};

// Dialog style bits, shared with CCustomDialog.
enum DialogStyle : unsigned {
    kResizable = 1,
    kMaximizeBox = 2,
    kMinimizeBox = 4,
};

[[nodiscard]] constexpr int DialogBorder(unsigned style)
{
    return (style & kResizable) ? kFrameBorder : kFixedDialogBorder;
}

// The client rectangle: the window shrunk by the border on each side and the
// header below the top border.
[[nodiscard]] QRect ClientRect(QSize window, int border);

// The main frame: resize edges and corners, three caption buttons, caption.
[[nodiscard]] HitArea FrameHitTest(QSize window, QPoint p);
// A dialog: a resizable one answers like the main frame (without the buttons
// its style lacks); a fixed one never sizes.
[[nodiscard]] HitArea DialogHitTest(QSize window, QPoint p, unsigned style);

// The rectangle of a caption button, drawn and hit alike; empty when the
// dialog's style has no such button. `style` is ignored for the main frame.
[[nodiscard]] QRect FrameButtonRect(QSize window, ButtonKind button);
[[nodiscard]] QRect DialogButtonRect(QSize window, unsigned style, ButtonKind button);

// The window outline: a rectangle whose corners follow a `corner` x `corner`
// ellipse, as whole-pixel rows.
[[nodiscard]] QRegion RoundedRegion(QSize window, int corner = kCornerSize);

// Edges of a sizing hit as Qt's edge flags; none for other areas.
[[nodiscard]] Qt::Edges EdgesOf(HitArea area);
[[nodiscard]] Qt::CursorShape CursorOf(HitArea area);
// The geometry after dragging `edges` by `delta`, kept at least `minimum`
// large with the opposite edges fixed: the fallback when the window system
// cannot size the window itself.
[[nodiscard]] QRect ResizedGeometry(const QRect& start, Qt::Edges edges, QPoint delta, QSize minimum);

}  // namespace nbr::frame
