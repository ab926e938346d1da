#include "ui/windows/CSetupPage.h"

#include "ui/controls/Artwork.h"

#include <QPainter>

namespace nbr {

CSetupPage::CSetupPage(QWidget* parent, int background) : QWidget(parent), background_(background)
{
    resize(kSize);
    hide();
}

void CSetupPage::paintEvent(QPaintEvent*)
{
    // White pages, whatever the theme draws around them; the artwork is
    // decoration, not a control.
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (background_ != 0)
        Artwork::Draw(painter, background_, rect());
}

}  // namespace nbr
