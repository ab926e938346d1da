#include "ui/controls/VelaCheckBox.h"

#include "ui/controls/Theme.h"

#include <QPainter>

namespace nbr {

int StripCellFor(bool enabled, bool checked, bool down, bool hot)
{
    if (!enabled)
        return Theme::kStripDisabled;
    if (down)
        return checked ? Theme::kCheckedPressed : Theme::kUncheckedPressed;
    if (hot)
        return checked ? Theme::kCheckedHot : Theme::kUncheckedHot;
    return checked ? Theme::kChecked : Theme::kUnchecked;
}

namespace {

constexpr int kCell = Theme::kStripCell;
constexpr int kGap = 4;

}  // namespace

QSize StripButtonSizeHint(const QAbstractButton* button)
{
    const QString shown = QString(button->text()).remove(QLatin1Char('&'));
    return QSize(kCell + kGap + button->fontMetrics().horizontalAdvance(shown) + 2,
                 std::max(kCell, button->fontMetrics().height()));
}

void PaintStripButton(QAbstractButton* button, bool radio)
{
    const Theme& theme = Theme::Instance();
    QPainter painter(button);
    painter.setRenderHint(QPainter::Antialiasing);
    const int top = (button->height() - kCell) / 2;
    const int cell = StripCellFor(button->isEnabled(), button->isChecked(), button->isDown(), button->underMouse());
    theme.DrawStripCell(painter, QRectF(0, top, kCell, kCell), radio, cell);
    painter.setFont(button->font());
    painter.setPen(theme.ColorOr(button->isEnabled() ? Theme::kColorLabelText : Theme::kColorLabelDisabled, Qt::black));
    const QRect text(kCell + kGap, 0, button->width() - kCell - kGap, button->height());
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, button->text());
    if (button->hasFocus()) {
        QPen pen(theme.ColorOr(Theme::kColorSelection, Qt::blue), 1, Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const QRect used = painter.boundingRect(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                                                button->text());
        painter.drawRect(QRectF(used).adjusted(-1.5, -0.5, 1.5, 0.5));
    }
}

VelaCheckBox::VelaCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent)
{
    setAttribute(Qt::WA_Hover);
    setFont(Theme::Instance().Font(Theme::kFontNormal));
}

QSize VelaCheckBox::sizeHint() const
{
    return StripButtonSizeHint(this);
}

void VelaCheckBox::paintEvent(QPaintEvent*)
{
    PaintStripButton(this, false);
}

bool VelaCheckBox::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

}  // namespace nbr
