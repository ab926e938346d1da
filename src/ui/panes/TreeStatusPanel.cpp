#include "ui/panes/TreeStatusPanel.h"

#include "ui/controls/Artwork.h"

#include <QPainter>

namespace nbr {

namespace {

constexpr int kTextAfterIcon = 18;
constexpr int kTextWithoutIcon = 2;
constexpr int kSmallTextPixels = 11;

}  // namespace

TreeStatusPanel::TreeStatusPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TreeStatusPanel"));
    setFixedHeight(kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The strip is 16 pixels high: the text keeps a size that fits it.
    QFont small = font();
    small.setPixelSize(kSmallTextPixels);
    setFont(small);
}

void TreeStatusPanel::LoadIcon(int artwork)
{
    iconNumber_ = Artwork::Has(artwork) ? artwork : 0;
    update();
}

void TreeStatusPanel::SetActive(bool active)
{
    if (active_ == active)
        return;
    active_ = active;
    // The user sees at once which pane the commands go to.
    repaint();
}

void TreeStatusPanel::SetText(const QString& text)
{
    if (text_ == text)
        return;
    text_ = text;
    setAccessibleDescription(text);
    update();
}

QSize TreeStatusPanel::sizeHint() const
{
    return {kHeight * 8, kHeight};
}

void TreeStatusPanel::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const QRect all = rect();
    const QPalette& colours = palette();
    // A raised edge: light above and left, shadow below and right.
    painter.setPen(colours.color(QPalette::Light));
    painter.drawLine(all.topLeft(), all.topRight());
    painter.drawLine(all.topLeft(), all.bottomLeft());
    painter.setPen(colours.color(QPalette::Dark));
    painter.drawLine(all.bottomLeft(), all.bottomRight());
    painter.drawLine(all.topRight(), all.bottomRight());
    const QRect inside = all.adjusted(1, 1, -1, -1);
    painter.fillRect(inside, active_ ? colours.color(QPalette::Active, QPalette::Highlight)
                                     : colours.color(QPalette::Mid));
    if (iconNumber_ > 0)
        Artwork::Draw(painter, iconNumber_, QRectF(0, 0, kIconSize, kIconSize));
    const int left = inside.left() + (iconNumber_ > 0 ? kTextAfterIcon : kTextWithoutIcon);
    const QRect textRect(left, inside.top(), std::max(0, inside.right() - left), inside.height());
    painter.setPen(colours.color(QPalette::Active, QPalette::HighlightedText));
    painter.setFont(font());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     fontMetrics().elidedText(text_, Qt::ElideRight, textRect.width()));
}

}  // namespace nbr
