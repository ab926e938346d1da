#include "controls/VelaRadioButton.h"

#include "controls/Theme.h"
#include "controls/VelaCheckBox.h"

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
