#include "ui/controls/FrameGeometry.h"

#include <algorithm>
#include <cmath>

namespace nbr::frame {

namespace {

// The three caption buttons sit side by side, 30 pixels apart, the close
// button `closeInset` pixels left of the window's right edge.
QRect ButtonAt(QSize window, int top, int closeInset, ButtonKind button)
{
    const int index = button == ButtonKind::Close ? 0 : button == ButtonKind::Maximize ? 1 : 2;
    const int left = window.width() - closeInset - 30 * index;
    return QRect(QPoint(left, top), kCaptionButtonSize);
}

HitArea ButtonHit(QSize window, QPoint p, int top, int closeInset, bool maximize, bool minimize)
{
    if (ButtonAt(window, top, closeInset, ButtonKind::Close).contains(p))
        return HitArea::CloseButton;
    if (maximize && ButtonAt(window, top, closeInset, ButtonKind::Maximize).contains(p))
        return HitArea::MaximizeButton;
    if (minimize && ButtonAt(window, top, closeInset, ButtonKind::Minimize).contains(p))
        return HitArea::MinimizeButton;
    return HitArea::Caption;
}

// The sizing frame shared by the main window and resizable dialogs.
HitArea SizingHitTest(QSize window, QPoint p, bool maximize, bool minimize)
{
    const int w = window.width();
    const int h = window.height();
    const int b = kFrameBorder;
    if (p.x() < 0 || p.y() < 0 || p.x() >= w || p.y() >= h)
        return HitArea::Nowhere;
    if (p.y() < b)
        return p.x() < b ? HitArea::TopLeft : p.x() >= w - b ? HitArea::TopRight : HitArea::Top;
    if (p.y() >= h - b)
        return p.x() < b ? HitArea::BottomLeft : p.x() >= w - b ? HitArea::BottomRight : HitArea::Bottom;
    if (p.y() >= b + kHeaderHeight)
        return p.x() < b ? HitArea::Left : p.x() >= w - b ? HitArea::Right : HitArea::Client;
    return ButtonHit(window, p, b, b + kCaptionButtonSize.width(), maximize, minimize);
}

}  // namespace

QRect ClientRect(QSize window, int border)
{
    return QRect(border, border + kHeaderHeight, std::max(0, window.width() - 2 * border),
                 std::max(0, window.height() - 2 * border - kHeaderHeight));
}

HitArea FrameHitTest(QSize window, QPoint p)
{
    return SizingHitTest(window, p, true, true);
}

HitArea DialogHitTest(QSize window, QPoint p, unsigned style)
{
    const bool maximize = (style & kMaximizeBox) != 0;
    const bool minimize = (style & kMinimizeBox) != 0;
    if (style & kResizable)
        return SizingHitTest(window, p, maximize, minimize);
    const int w = window.width();
    const int h = window.height();
    const int b = kFixedDialogBorder;
    if (p.x() < 0 || p.y() < 0 || p.x() >= w || p.y() >= h)
        return HitArea::Nowhere;
    if (p.y() < b || p.y() >= h - b)
        return HitArea::Border;
    if (p.y() >= b + kHeaderHeight)
        return (p.x() < b || p.x() >= w - b) ? HitArea::Border : HitArea::Client;
    if (p.y() >= b + kCaptionButtonSize.height())
        return HitArea::Caption;
    return ButtonHit(window, p, b, b + kCaptionButtonSize.width(), maximize, minimize);
}

QRect FrameButtonRect(QSize window, ButtonKind button)
{
    return ButtonAt(window, kFrameBorder, kFrameBorder + kCaptionButtonSize.width(), button);
}

QRect DialogButtonRect(QSize window, unsigned style, ButtonKind button)
{
    if ((button == ButtonKind::Maximize && !(style & kMaximizeBox))
        || (button == ButtonKind::Minimize && !(style & kMinimizeBox)))
        return {};
    const int b = DialogBorder(style);
    return ButtonAt(window, b, b + kCaptionButtonSize.width(), button);
}

QRegion RoundedRegion(QSize window, int corner)
{
    const int w = window.width();
    const int h = window.height();
    if (w <= 0 || h <= 0)
        return {};
    QRegion region(0, 0, w, h);
    const double r = corner / 2.0;
    const int rows = std::min({corner / 2 + 1, h / 2, w / 2});
    for (int y = 0; y < rows; ++y) {
        // How far the ellipse keeps row y (through its pixel centre) away
        // from the side.
        const double dy = r - (y + 0.5);
        if (dy <= 0)
            break;
        const int inset = static_cast<int>(std::lround(r - std::sqrt(std::max(0.0, r * r - dy * dy))));
        if (inset <= 0)
            continue;
        for (const int row : {y, h - 1 - y}) {
            region -= QRegion(0, row, inset, 1);
            region -= QRegion(w - inset, row, inset, 1);
        }
    }
    return region;
}

Qt::Edges EdgesOf(HitArea area)
{
    switch (area) {
    case HitArea::Left: return Qt::LeftEdge;
    case HitArea::Right: return Qt::RightEdge;
    case HitArea::Top: return Qt::TopEdge;
    case HitArea::Bottom: return Qt::BottomEdge;
    case HitArea::TopLeft: return Qt::TopEdge | Qt::LeftEdge;
    case HitArea::TopRight: return Qt::TopEdge | Qt::RightEdge;
    case HitArea::BottomLeft: return Qt::BottomEdge | Qt::LeftEdge;
    case HitArea::BottomRight: return Qt::BottomEdge | Qt::RightEdge;
    default: return {};
    }
}

Qt::CursorShape CursorOf(HitArea area)
{
    switch (area) {
    case HitArea::Left:
    case HitArea::Right: return Qt::SizeHorCursor;
    case HitArea::Top:
    case HitArea::Bottom: return Qt::SizeVerCursor;
    case HitArea::TopLeft:
    case HitArea::BottomRight: return Qt::SizeFDiagCursor;
    case HitArea::TopRight:
    case HitArea::BottomLeft: return Qt::SizeBDiagCursor;
    default: return Qt::ArrowCursor;
    }
}

QRect ResizedGeometry(const QRect& start, Qt::Edges edges, QPoint delta, QSize minimum)
{
    int left = start.left();
    int top = start.top();
    int right = start.left() + start.width();
    int bottom = start.top() + start.height();
    if (edges & Qt::LeftEdge)
        left = std::min(left + delta.x(), right - minimum.width());
    if (edges & Qt::RightEdge)
        right = std::max(right + delta.x(), left + minimum.width());
    if (edges & Qt::TopEdge)
        top = std::min(top + delta.y(), bottom - minimum.height());
    if (edges & Qt::BottomEdge)
        bottom = std::max(bottom + delta.y(), top + minimum.height());
    return QRect(left, top, right - left, bottom - top);
}

}  // namespace nbr::frame
