#pragma once
// The program's message box as workers see it: one process-wide answerer and
// the rules of the button mask (order, labels, default and escape buttons).

#include "base/MessageBoxRequest.h"

#include <vector>

namespace nbr {

class IMessageBoxAnswerer;

struct MessageBoxButton {
    std::uint32_t id;
    int labelId;  // text number of its label
};

class MessageBox {
public:
    // The answerer of this process (not owned); none makes every box answer 0.
    static void Install(IMessageBoxAnswerer* answerer);
    [[nodiscard]] static IMessageBoxAnswerer* Installed();

    // The buttons of a mask in the order they are shown.
    [[nodiscard]] static std::vector<MessageBoxButton> Buttons(std::uint32_t mask);
    // Enter presses it: the first button, or OK whenever OK is there.
    [[nodiscard]] static std::uint32_t DefaultButton(std::uint32_t mask);
    // Escape presses it: the last button.
    [[nodiscard]] static std::uint32_t EscapeButton(std::uint32_t mask);
    // The pressed button of an answer, and whether its check box was ticked.
    // (0xD100 is or-ed into the button's 0xD0xx, so only 0x100 tells.)
    [[nodiscard]] static constexpr std::uint32_t ButtonOf(std::uint32_t answer) { return answer & ~0x100u; }
    [[nodiscard]] static constexpr bool IsTicked(std::uint32_t answer) { return (answer & 0x100u) != 0; }
    // The answer of a box closed with `button`.
    [[nodiscard]] static constexpr std::uint32_t Compose(std::uint32_t button, bool ticked)
    {
        return ticked ? button | mb::kCheckTicked : button;
    }
};

// Asks the installed answerer; 0 when there is none.
[[nodiscard]] std::uint32_t ShowMessageBox(const void* owner, const QString& title, const QString& text,
                                           std::uint32_t buttons, int icon, int banner = 0,
                                           const QString& checkText = {});

}  // namespace nbr
