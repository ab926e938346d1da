#pragma once
// Whoever answers the program's questions: the dialog of the user interface,
// the terminal of nimbra-cli, or a script in the tests.

#include "base/MessageBoxRequest.h"

namespace nbr {

class IMessageBoxAnswerer {
public:
    virtual ~IMessageBoxAnswerer() = default;
    // Called on the asking thread; the answerer hands over to its own thread
    // when it must, and returns only when the user has answered.
    [[nodiscard]] virtual std::uint32_t Answer(const MessageBoxRequest& request) = 0;
};

}  // namespace nbr
