#include "ui/controls/VelaScrollWnd.h"

#include "ui/controls/VelaScrollBar.h"

#include <QAbstractScrollArea>
#include <QVBoxLayout>

namespace nbr {

VelaScrollWnd::VelaScrollWnd(QAbstractScrollArea* inner, QWidget* parent)
    : QWidget(parent), inner_(inner), vertical_(new VelaScrollBar(Qt::Vertical)),
      horizontal_(new VelaScrollBar(Qt::Horizontal))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(inner_);
    // The area takes the bars over and keeps them in step with its content.
    inner_->setVerticalScrollBar(vertical_);
    inner_->setHorizontalScrollBar(horizontal_);
    setFocusProxy(inner_);
}

}  // namespace nbr
