#pragma once
// The numbered exit codes of nimbra-cli (documented in the README).

namespace nbr::cli {

enum ExitCode : int {
    kExitSuccess = 0,
    kExitFailure = 1,
    kExitUsage = 2,
    kExitWrongPassword = 3,
    kExitNotSetUp = 4,
    kExitCancelled = 5,
};

}  // namespace nbr::cli
