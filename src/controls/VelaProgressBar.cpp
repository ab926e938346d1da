#include "controls/VelaProgressBar.h"

#include "controls/Artwork.h"

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

void VelaProgressBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF whole(rect());
    // The pictures' rounded ends keep their size: draw them in three parts.
    auto drawStretched = [&painter](int number, const QRectF& target) {
        const QSizeF own = QSizeF(Artwork::Size(number));
        if (own.isEmpty() || target.width() <= 0)
            return;
        const qreal end = std::min<qreal>(4, target.width() / 2);
        Artwork::Draw(painter, number, QRectF(target.left(), target.top(), end, target.height()),
                      QRectF(0, 0, end, own.height()));
        Artwork::Draw(painter, number, QRectF(target.left() + end, target.top(), target.width() - 2 * end, target.height()),
                      QRectF(end, 0, own.width() - 2 * end, own.height()));
        Artwork::Draw(painter, number, QRectF(target.right() - end, target.top(), end, target.height()),
                      QRectF(own.width() - end, 0, end, own.height()));
    };
    drawStretched(track_, whole);
    const double fraction = Fraction();
    if (fraction > 0.0)
        drawStretched(fill_, QRectF(whole.left(), whole.top(), std::max(8.0, whole.width() * fraction), whole.height()));
}

}  // namespace nbr
