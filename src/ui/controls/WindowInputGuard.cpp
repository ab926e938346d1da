#include "ui/controls/WindowInputGuard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace nbr {

namespace {

bool IsUserInput(int type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
        return true;
    default:
        return false;
    }
}

// The widget an object belongs to: itself, or the nearest widget among its
// parents (an action or a shortcut belongs to the widget that holds it).
QWidget* WidgetOf(QObject* object)
{
    while (object && !object->isWidgetType())
        object = object->parent();
    return static_cast<QWidget*>(object);
}

}  // namespace

WindowInputGuard::WindowInputGuard(QWidget* window) : window_(window)
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

WindowInputGuard::~WindowInputGuard()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool WindowInputGuard::Drops(QObject* receiver, int eventType) const
{
    if (!window_ || !IsUserInput(eventType))
        return false;
    QWidget* widget = WidgetOf(receiver);
    if (!widget || widget->window() != window_)
        return false;
    // The window itself: moving and sizing by its frame stay; its keys do not
    // (they would reach the menus and the panes).
    if (widget == window_ && receiver == window_)
        return eventType != QEvent::MouseButtonPress && eventType != QEvent::MouseButtonRelease
               && eventType != QEvent::MouseButtonDblClick && eventType != QEvent::MouseMove;
    for (QWidget* each = widget; each && each != window_; each = each->parentWidget()) {
        if (each->property(kLive).toBool())
            return false;
    }
    return true;
}

bool WindowInputGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (Drops(watched, event->type())) {
        event->accept();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace nbr
