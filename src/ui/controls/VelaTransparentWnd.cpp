#include "ui/controls/VelaTransparentWnd.h"

#include <QPainter>

namespace nbr {

VelaTransparentWnd::VelaTransparentWnd(QWidget* parent) : QLabel(parent)
{
    setAutoFillBackground(false);
    setAttribute(Qt::WA_NoSystemBackground);
}

void VelaTransparentWnd::SetBackgroundCache(bool on)
{
    cacheOn_ = on;
    InvalidateBackground();
}

void VelaTransparentWnd::InvalidateBackground()
{
    background_ = QPixmap();
    update();
}

bool VelaTransparentWnd::PaintBackground(QPainter& painter)
{
    if (!cacheOn_ || !parentWidget())
        return false;
    if (background_.isNull() || background_.deviceIndependentSize().toSize() != size()) {
        const qreal ratio = devicePixelRatioF();
        background_ = QPixmap(size() * ratio);
        background_.setDevicePixelRatio(ratio);
        background_.fill(Qt::transparent);
        // Only the parent's own drawing: its children (this one among them)
        // are not part of the background.
        parentWidget()->render(&background_, QPoint(), QRegion(geometry()), QWidget::DrawWindowBackground);
    }
    painter.drawPixmap(0, 0, background_);
    return true;
}

void VelaTransparentWnd::resizeEvent(QResizeEvent* event)
{
    background_ = QPixmap();
    QLabel::resizeEvent(event);
}

void VelaTransparentWnd::moveEvent(QMoveEvent* event)
{
    background_ = QPixmap();
    QLabel::moveEvent(event);
}

}  // namespace nbr
