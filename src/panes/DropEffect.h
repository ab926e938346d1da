#pragma once
// The effect a drop offers, from the keys held and what the drag's source
// allows: a plain drag copies, Shift moves, Ctrl copies, Ctrl and Shift
// link. Neither pane's drag allows linking, so Ctrl and Shift from a pane
// offers nothing. Effects are the drop:: bits of TreeController.h; Qt's
// drop actions carry the same three values.

#include <QtCore/qnamespace.h>

#include <cstdint>

namespace nbr {

class DropEffect {
public:
    // The effect the target offers; drop::kNone when the keys ask for one
    // that the source does not allow, or the source allows none.
    [[nodiscard]] static std::uint32_t Choose(Qt::KeyboardModifiers keys, std::uint32_t allowed);
    // What the target tells the source it did. A pane's drop does a move
    // itself, deleting the originals only after the transfer succeeded, so a
    // program of the desktop that dragged hears "copied": told "moved", it
    // would delete the originals itself, also after a failed transfer. Our
    // own panes hear the effect as it was (their source only refreshes).
    [[nodiscard]] static std::uint32_t Reported(std::uint32_t effect, bool fromOurPane);

    [[nodiscard]] static std::uint32_t FromActions(Qt::DropActions actions);
    [[nodiscard]] static Qt::DropActions ToActions(std::uint32_t effects);
    // The one action of an effect chosen by Choose.
    [[nodiscard]] static Qt::DropAction ToAction(std::uint32_t effect);
};

}  // namespace nbr
