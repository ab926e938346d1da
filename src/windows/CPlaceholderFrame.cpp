#include "windows/CPlaceholderFrame.h"

#include "windows/CNimbraApp.h"

#include <QCloseEvent>

namespace nbr {

CPlaceholderFrame::CPlaceholderFrame(CNimbraApp& app) : app_(app)
{
    auto* area = new QWidget(this);
    area->setAccessibleName(QStringLiteral("Nimbra"));
    setCentralWidget(area);
    resize(650, 549);
}

void CPlaceholderFrame::closeEvent(QCloseEvent* event)
{
    if (app_.OnMainWindowClosing())
        event->accept();
    else
        event->ignore();
}

}  // namespace nbr
