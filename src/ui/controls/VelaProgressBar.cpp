#include "ui/controls/VelaProgressBar.h"

#include "ui/controls/Artwork.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace nbr {

VelaProgressBar::VelaProgressBar(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_NoSystemBackground);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void VelaProgressBar::SetBitmaps(int track, int fill)
{
    track_ = track;
    fill_ = fill;
    update();
}

void VelaProgressBar::SetMaximum(float maximum)
{
    maximum_ = maximum;
    update();
}

void VelaProgressBar::SetPosition(float position)
{
    position_ = position;
    update();
}

double VelaProgressBar::Fraction() const
{
    if (!(maximum_ > 0.0f) || !std::isfinite(maximum_) || !std::isfinite(position_))
        return 0.0;
    return std::clamp(static_cast<double>(position_) / maximum_, 0.0, 1.0);
}

QSize VelaProgressBar::sizeHint() const
{
    return QSize(200, 12);
}

const QPixmap& VelaProgressBar::Stretched(int number, QSize size, QPixmap& cache, qint64& key) const
{
    const qreal ratio = devicePixelRatioF();
    // One key for the picture, its size and the screen's scale.
    const qint64 wanted = (qint64(number) << 40) ^ (qint64(size.width()) << 20) ^ (qint64(size.height()) << 8)
                          ^ qint64(ratio * 16);
    if (key == wanted && !cache.isNull())
        return cache;
    cache = QPixmap(size * ratio);
    cache.setDevicePixelRatio(ratio);
    cache.fill(Qt::transparent);
    key = wanted;
    const QSizeF own = QSizeF(Artwork::Size(number));
    if (own.isEmpty() || size.isEmpty())
        return cache;
    QPainter painter(&cache);
    painter.setRenderHint(QPainter::Antialiasing);
    // The pictures' rounded ends keep their size: drawn in three parts.
    const QRectF target(QPointF(0, 0), QSizeF(size));
    const qreal end = std::min<qreal>(4, target.width() / 2);
    Artwork::Draw(painter, number, QRectF(0, 0, end, target.height()), QRectF(0, 0, end, own.height()));
    Artwork::Draw(painter, number, QRectF(end, 0, target.width() - 2 * end, target.height()),
                  QRectF(end, 0, own.width() - 2 * end, own.height()));
    Artwork::Draw(painter, number, QRectF(target.width() - end, 0, end, target.height()),
                  QRectF(own.width() - end, 0, end, own.height()));
    return cache;
}

void VelaProgressBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, Stretched(track_, size(), trackCache_, trackKey_));
    const double fraction = Fraction();
    if (fraction > 0.0) {
        const int filled = std::max(8, static_cast<int>(std::lround(width() * fraction)));
        painter.drawPixmap(0, 0, Stretched(fill_, QSize(std::min(filled, width()), height()), fillCache_, fillKey_));
    }
}

}  // namespace nbr
