#include "ui/controls/WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace nbr {

WaitCursor::WaitCursor()
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

WaitCursor::~WaitCursor()
{
    QGuiApplication::restoreOverrideCursor();
}

}  // namespace nbr
