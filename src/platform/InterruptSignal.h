#pragma once
// Ctrl+C as a request to cancel: the first interrupt only raises a flag that
// long work polls, so it can stop cleanly; a second one ends the program.
// On Linux a termination request and a hang-up of the terminal count as
// interrupts too.

#include <atomic>

namespace nbr {

class InterruptSignal {
public:
    static void Install();
    [[nodiscard]] static const std::atomic<bool>& Flag();
    [[nodiscard]] static bool Raised() { return Flag().load(); }
};

}  // namespace nbr
