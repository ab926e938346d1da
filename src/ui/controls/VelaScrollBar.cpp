#include "ui/controls/VelaScrollBar.h"

#include "ui/controls/Theme.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

namespace nbr {

VelaScrollBar::VelaScrollBar(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent)
{
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
}

QSize VelaScrollBar::sizeHint() const
{
    const QSize base = QScrollBar::sizeHint();
    return orientation() == Qt::Vertical ? QSize(kThickness, base.height()) : QSize(base.width(), kThickness);
}

void VelaScrollBar::paintEvent(QPaintEvent*)
{
    const Theme& theme = Theme::Instance();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QStyleOptionSlider option;
    initStyleOption(&option);
    const bool vertical = orientation() == Qt::Vertical;
    const QPoint mouse = mapFromGlobal(QCursor::pos());
    const bool hovered = underMouse();

    auto rectOf = [&](QStyle::SubControl sc) {
        return style()->subControlRect(QStyle::CC_ScrollBar, &option, sc, this);
    };
    theme.DrawScrollPart(painter, QRectF(rect()), vertical ? Theme::kTrackVertical : Theme::kTrackHorizontal);

    auto arrowState = [&](QStyle::SubControl sc, const QRect& r) {
        if (option.activeSubControls & sc && isSliderDown() == false && (option.state & QStyle::State_Sunken))
            return 2;
        return (hovered && r.contains(mouse)) ? 1 : 0;
    };
    const QRect sub = rectOf(QStyle::SC_ScrollBarSubLine);
    const QRect add = rectOf(QStyle::SC_ScrollBarAddLine);
    if (!sub.isEmpty())
        theme.DrawScrollPart(painter, QRectF(sub), (vertical ? Theme::kArrowUp : Theme::kArrowLeft)
                                                       + arrowState(QStyle::SC_ScrollBarSubLine, sub));
    if (!add.isEmpty())
        theme.DrawScrollPart(painter, QRectF(add), (vertical ? Theme::kArrowDown : Theme::kArrowRight)
                                                       + arrowState(QStyle::SC_ScrollBarAddLine, add));
    if (maximum() > minimum()) {
        const QRect thumb = rectOf(QStyle::SC_ScrollBarSlider);
        if (!thumb.isEmpty()) {
            painter.setOpacity(isSliderDown() ? 1.0 : (hovered && thumb.contains(mouse)) ? 0.92 : 0.8);
            theme.DrawScrollPart(painter, QRectF(thumb), vertical ? Theme::kThumbVertical : Theme::kThumbHorizontal);
        }
    }
}

}  // namespace nbr
