#include "ui/controls/VelaLabel.h"

#include "ui/controls/Theme.h"

#include <QEvent>
#include <QPainter>

namespace nbr {

VelaLabel::VelaLabel(QWidget* parent)
    : VelaTransparentWnd(parent), enabledColor_(Theme::kColorLabelText), disabledColor_(Theme::kColorLabelDisabled)
{
    SetFontIndex(0, false);
}

VelaLabel::VelaLabel(const QString& text, QWidget* parent) : VelaLabel(parent)
{
    SetText(text);
}

void VelaLabel::SetText(const QString& text)
{
    setText(text);
    setAccessibleName(QString(text).remove(QLatin1Char('&')));
}

void VelaLabel::SetFontIndex(int index, bool redraw)
{
    fontIndex_ = (index >= 0 && index < Theme::kFontCount) ? index : 0;
    setFont(Theme::Instance().Font(fontIndex_));
    if (redraw)
        update();
}

void VelaLabel::AddStyleFlags(unsigned flags)
{
    styleFlags_ |= flags;
    if (flags & kStyleCacheBackground)
        SetBackgroundCache(true);
}

void VelaLabel::SetColorIndexes(int enabled, int disabled)
{
    enabledColor_ = enabled;
    disabledColor_ = disabled;
    update();
}

QColor VelaLabel::TextColor() const
{
    return Theme::Instance().ColorOr(isEnabled() ? enabledColor_ : disabledColor_, Qt::black);
}

void VelaLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintBackground(painter);
    painter.setFont(font());
    painter.setPen(TextColor());
    Qt::Alignment align = alignment();
    if (!(align & Qt::AlignVertical_Mask))
        align |= Qt::AlignTop;
    int flags = static_cast<int>(align);
    // Only a label that names a field has a letter marked; elsewhere a '&'
    // (in a file name, say) is drawn as it stands.
    if (buddy())
        flags |= Qt::TextShowMnemonic;
    if (wordWrap())
        flags |= Qt::TextWordWrap;
    painter.drawText(contentsRect(), flags, text());
}

void VelaLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        update();
    VelaTransparentWnd::changeEvent(event);
}

}  // namespace nbr
