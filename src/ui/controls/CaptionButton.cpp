#include "ui/controls/CaptionButton.h"

#include "ui/controls/Artwork.h"

#include <QPainter>

namespace nbr {

CaptionButton::CaptionButton(QWidget* parent) : QAbstractButton(parent)
{
    // The keyboard closes and sizes windows through their own keys; the
    // buttons stay out of the tab order.
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
}

void CaptionButton::SetImages(const std::array<int, 3>& images)
{
    images_ = images;
    update();
}

int CaptionButton::ShownState() const
{
    if (isDown())
        return 2;
    return hot_ ? 1 : 0;
}

void CaptionButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Artwork::Draw(painter, images_[ShownState()], QRectF(rect()));
}

void CaptionButton::enterEvent(QEnterEvent* event)
{
    hot_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CaptionButton::leaveEvent(QEvent* event)
{
    hot_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

}  // namespace nbr
