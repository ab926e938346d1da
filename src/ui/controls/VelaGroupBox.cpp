#include "ui/controls/VelaGroupBox.h"

#include "ui/controls/Theme.h"

#include <QEvent>
#include <QPainter>

namespace nbr {

VelaGroupBox::VelaGroupBox(QWidget* parent, int frameStyle) : QGroupBox(parent), frameStyle_(frameStyle)
{
    setFont(Theme::Instance().Font(Theme::kFontBold));
    UpdateMargins();
}

void VelaGroupBox::SetTitle(const QString& text)
{
    setTitle(text);
    setAccessibleName(QString(text).remove(QLatin1Char('&')));
    UpdateMargins();
    update();
}

void VelaGroupBox::SetFrameStyle(int frameStyle)
{
    frameStyle_ = frameStyle;
    update();
}

QRect VelaGroupBox::FrameRect() const
{
    const int top = title().isEmpty() ? 0 : fontMetrics().height() + 4;
    return rect().adjusted(0, top, 0, 0);
}

void VelaGroupBox::UpdateMargins()
{
    const QRect frame = FrameRect();
    // Clear of the frame's 10-pixel top band and 4-pixel sides.
    setContentsMargins(10, frame.top() + 14, 10, 10);
}

void VelaGroupBox::paintEvent(QPaintEvent*)
{
    const Theme& theme = Theme::Instance();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    theme.DrawGroupBox(painter, QRectF(FrameRect()), frameStyle_);
    if (!title().isEmpty()) {
        painter.setFont(font());
        painter.setPen(theme.ColorOr(isEnabled() ? Theme::kColorLabelText : Theme::kColorLabelDisabled, Qt::black));
        painter.drawText(QRect(2, 0, width() - 4, fontMetrics().height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, title());
    }
}

void VelaGroupBox::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        UpdateMargins();
    QGroupBox::changeEvent(event);
}

}  // namespace nbr
