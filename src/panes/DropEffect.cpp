#include "panes/DropEffect.h"

#include "panes/TreeController.h"

namespace nbr {

std::uint32_t DropEffect::Choose(Qt::KeyboardModifiers keys, std::uint32_t allowed)
{
    const bool control = keys.testFlag(Qt::ControlModifier);
    const bool shift = keys.testFlag(Qt::ShiftModifier);
    std::uint32_t wanted = drop::kNone;
    if (control && shift)
        wanted = drop::kLink;
    else if (control)
        wanted = drop::kCopy;
    else if (shift)
        wanted = drop::kMove;
    if (wanted != drop::kNone)
        return (allowed & wanted) ? wanted : drop::kNone;
    for (const std::uint32_t effect : {drop::kCopy, drop::kMove, drop::kLink}) {
        if (allowed & effect)
            return effect;
    }
    return drop::kNone;
}

std::uint32_t DropEffect::Reported(std::uint32_t effect, bool fromOurPane)
{
    if (effect == drop::kMove && !fromOurPane)
        return drop::kCopy;
    return effect;
}

std::uint32_t DropEffect::FromActions(Qt::DropActions actions)
{
    std::uint32_t effects = drop::kNone;
    if (actions.testFlag(Qt::CopyAction))
        effects |= drop::kCopy;
    if (actions.testFlag(Qt::MoveAction))
        effects |= drop::kMove;
    if (actions.testFlag(Qt::LinkAction))
        effects |= drop::kLink;
    return effects;
}

Qt::DropActions DropEffect::ToActions(std::uint32_t effects)
{
    Qt::DropActions actions;
    if (effects & drop::kCopy)
        actions |= Qt::CopyAction;
    if (effects & drop::kMove)
        actions |= Qt::MoveAction;
    if (effects & drop::kLink)
        actions |= Qt::LinkAction;
    return actions;
}

Qt::DropAction DropEffect::ToAction(std::uint32_t effect)
{
    switch (effect) {
    case drop::kCopy:
        return Qt::CopyAction;
    case drop::kMove:
        return Qt::MoveAction;
    case drop::kLink:
        return Qt::LinkAction;
    default:
        return Qt::IgnoreAction;
    }
}

}  // namespace nbr
