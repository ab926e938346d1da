#include "ui/controls/VelaPicture.h"

#include "ui/controls/Artwork.h"

#include <QPainter>

namespace nbr {

VelaPicture::VelaPicture(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_NoSystemBackground);
}

VelaPicture::VelaPicture(int bitmap, QWidget* parent) : VelaPicture(parent)
{
    SetBitmap(bitmap);
}

void VelaPicture::SetBitmap(int bitmap)
{
    bitmap_ = bitmap;
    updateGeometry();
    update();
}

void VelaPicture::SetStretch(bool stretch)
{
    stretch_ = stretch;
    update();
}

QSize VelaPicture::sizeHint() const
{
    const QSize size = Artwork::Size(bitmap_);
    return size.isEmpty() ? QSize(0, 0) : size;
}

void VelaPicture::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QSize own = Artwork::Size(bitmap_);
    const QRectF target = stretch_ ? QRectF(rect()) : QRectF(QPointF(0, 0), QSizeF(own));
    Artwork::Draw(painter, bitmap_, target);
}

}  // namespace nbr
