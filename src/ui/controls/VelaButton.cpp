#include "ui/controls/VelaButton.h"

#include "ui/controls/Theme.h"

#include <QPainter>

namespace nbr {

VelaButton::VelaButton(QWidget* parent, int kind) : QPushButton(parent), kind_(kind)
{
    setAttribute(Qt::WA_Hover);
    setFont(Theme::Instance().Font(Theme::kFontNormal));
}

VelaButton::VelaButton(const QString& text, QWidget* parent, int kind) : VelaButton(parent, kind)
{
    setText(text);
}

void VelaButton::SetKind(int kind)
{
    kind_ = kind;
    updateGeometry();
    update();
}

int VelaButton::State() const
{
    if (!isEnabled())
        return Theme::kDisabled;
    int state = Theme::kNormal;
    if (hot_)
        state |= Theme::kHot;
    if (isDown() || isChecked())
        state |= Theme::kPressed;
    if (hasFocus() || isDefault())
        state |= Theme::kFocused;
    return state;
}

QSize VelaButton::sizeHint() const
{
    const QSize own = Theme::PushButtonSize(kind_);
    const int textWidth = fontMetrics().horizontalAdvance(QString(text()).remove(QLatin1Char('&'))) + 24;
    return QSize(std::max(own.width(), textWidth), own.height());
}

void VelaButton::paintEvent(QPaintEvent*)
{
    const Theme& theme = Theme::Instance();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int state = State();
    theme.DrawPushButton(painter, QRectF(rect()), kind_, state);
    QColor ink = kind_ == 2 ? theme.ColorOr(Theme::kColorFrameText, Qt::white)
                            : theme.ColorOr(Theme::kColorLabelText, Qt::black);
    if (state == Theme::kDisabled)
        ink = kind_ == 2 ? QColor(235, 238, 248) : theme.ColorOr(Theme::kColorLabelDisabled, Qt::gray).darker(130);
    painter.setPen(ink);
    painter.setFont(font());
    const QRect text = rect().translated(0, (state & Theme::kPressed) ? 1 : 0);
    painter.drawText(text, Qt::AlignCenter | Qt::TextShowMnemonic, this->text());
}

void VelaButton::enterEvent(QEnterEvent* event)
{
    hot_ = true;
    update();
    QPushButton::enterEvent(event);
}

void VelaButton::leaveEvent(QEvent* event)
{
    hot_ = false;
    update();
    QPushButton::leaveEvent(event);
}

}  // namespace nbr
