#pragma once
// The numbered exit codes of nimbra-cli (documented in the README), and the
// one place that decides which an outcome ends with.

#include "platform/Status.h"

namespace nbr::cli {

enum ExitCode : int {
    kExitSuccess = 0,
    kExitFailure = 1,
    kExitUsage = 2,
    kExitWrongPassword = 3,
    kExitNotSetUp = 4,
    kExitCancelled = 5,
};

// The exit code of a command that ended with `status`: a wrong password, a
// store that is not set up, and a cancel or a declined question (E_ABORTED,
// and E_STORE_ITEM_EXISTS when the user chose to leave an item alone) have
// codes of their own; every other failure is 1.
[[nodiscard]] ExitCode ExitCodeOf(Status status);

}  // namespace nbr::cli
