#include "ui/controls/Artwork.h"

#include <QPainter>

// Pixmaps and icons are drawn with Draw(), whichever way the artwork is
// stored: as drawings (Artwork.cpp) or as renderings (Artwork_png.cpp).
namespace nbr {

QPixmap Artwork::Pixmap(int number, QSize size, qreal ratio, const QRectF& source)
{
    if (!Has(number) || size.isEmpty())
        return {};
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    Draw(painter, number, QRectF(QPointF(0, 0), QSizeF(size)), source);
    return pixmap;
}

QIcon Artwork::Icon(int number)
{
    QIcon icon;
    for (const int side : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(Pixmap(number, QSize(side, side), 1.0));
    return icon;
}

}  // namespace nbr
