#include "ui/panes/TreeListDropTarget.h"

#include "panes/DropEffect.h"
#include "panes/PaneDropTarget.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QWidget>

namespace nbr {

TreeListDropTarget::TreeListDropTarget(QWidget* control, PaneDropTarget& rules, HitTest hitTest, NotLocal notLocal)
    : QObject(control), control_(control), rules_(rules), hitTest_(std::move(hitTest)), notLocal_(std::move(notLocal))
{
    hover_.setSingleShot(true);
    connect(&hover_, &QTimer::timeout, this, [this] {
        if (!rules_.CheckHover())
            ArmHover();
    });
}

void TreeListDropTarget::Attach()
{
    control_->setAcceptDrops(true);
}

void TreeListDropTarget::Detach()
{
    control_->setAcceptDrops(false);
    hover_.stop();
    rules_.Leave();
}

void TreeListDropTarget::DragEnter(QDragEnterEvent* event)
{
    (void)rules_.Enter(event->mimeData(), event->modifiers(), DropEffect::FromActions(event->possibleActions()));
    if (!rules_.IsAccepting()) {
        event->ignore();
        return;
    }
    DragMove(event);
    // Taken even when the keys ask for an effect the source refuses, so
    // that the moves keep coming: other keys may still make a drop possible.
    event->accept();
}

void TreeListDropTarget::DragMove(QDragMoveEvent* event)
{
    const std::uint32_t effect = rules_.Over(hitTest_(event->position().toPoint()), event->modifiers(),
                                             DropEffect::FromActions(event->possibleActions()));
    ArmHover();
    if (effect == 0) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    // The action a source of the desktop reads back is the last one offered
    // here, not the drop's: offer what DropEffect::Reported tells it.
    event->setDropAction(DropEffect::ToAction(DropEffect::Reported(effect, rules_.FromOurPane())));
    event->accept();
}

void TreeListDropTarget::DragLeave(QDragLeaveEvent* event)
{
    hover_.stop();
    rules_.Leave();
    event->accept();
}

void TreeListDropTarget::Drop(QDropEvent* event)
{
    hover_.stop();
    std::uint32_t told = 0;
    QStringList notLocal;
    (void)rules_.Drop(event->mimeData(), hitTest_(event->position().toPoint()), event->modifiers(),
                      DropEffect::FromActions(event->possibleActions()), &told, &notLocal);
    if (told == 0) {
        event->ignore();
    } else {
        event->setDropAction(DropEffect::ToAction(told));
        event->accept();
    }
    if (!notLocal.isEmpty() && notLocal_)
        notLocal_(notLocal);
}

void TreeListDropTarget::ArmHover()
{
    const int remaining = rules_.HoverRemainingMs();
    if (remaining < 0)
        hover_.stop();
    else
        hover_.start(remaining);
}

}  // namespace nbr
