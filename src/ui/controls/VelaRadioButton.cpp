#include "ui/controls/VelaRadioButton.h"

#include "ui/controls/Theme.h"
#include "ui/controls/VelaCheckBox.h"

namespace nbr {

VelaRadioButton::VelaRadioButton(const QString& text, QWidget* parent) : QRadioButton(text, parent)
{
    setAttribute(Qt::WA_Hover);
    setFont(Theme::Instance().Font(Theme::kFontNormal));
}

QSize VelaRadioButton::sizeHint() const
{
    return StripButtonSizeHint(this);
}

void VelaRadioButton::paintEvent(QPaintEvent*)
{
    PaintStripButton(this, true);
}

bool VelaRadioButton::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

}  // namespace nbr
