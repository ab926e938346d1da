#include "ui/panes/TreeListDropTarget.h"

#include "panes/DropEffect.h"
#include "panes/PaneDropTarget.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QWidget>

#include <optional>

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
    QStringList notLocal;
    std::optional<TakenDrop> taken = rules_.Take(event->mimeData(), hitTest_(event->position().toPoint()),
                                                 event->modifiers(), DropEffect::FromActions(event->possibleActions()),
                                                 &notLocal);
    if (!taken) {
        event->ignore();
    } else if (taken->fromOurPane) {
        // Our own pane's drag reads back what the drop did (a move deletes
        // its sources only after it), and it is this program that waits.
        std::uint32_t told = 0;
        (void)rules_.Run(std::move(*taken), &told);
        if (told == 0) {
            event->ignore();
        } else {
            event->setDropAction(DropEffect::ToAction(told));
            event->accept();
        }
    } else {
        // Another program is answered now, and the transfer runs after the
        // drop: the program is not held until the last file is stored. It
        // is told a copy in any case (a move deletes its sources here).
        event->setDropAction(DropEffect::ToAction(DropEffect::Reported(taken->effect, false)));
        event->accept();
        QMetaObject::invokeMethod(
            this,
            [this, drop = std::move(*taken), notLocal]() mutable {
                (void)rules_.Run(std::move(drop), nullptr);
                if (!notLocal.isEmpty() && notLocal_)
                    notLocal_(notLocal);
            },
            Qt::QueuedConnection);
        return;
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
