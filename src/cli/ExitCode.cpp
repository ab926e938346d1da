#include "cli/ExitCode.h"

#include "security/SecurityStatus.h"
#include "store/StoreStatus.h"

namespace nbr::cli {

ExitCode ExitCodeOf(Status status)
{
    if (Succeeded(status))
        return kExitSuccess;
    if (status == E_WRONG_PASSWORD || status == E_WRONG_RECOVERY_KEY)
        return kExitWrongPassword;
    if (status == E_NOT_SET_UP)
        return kExitNotSetUp;
    if (status == E_ABORTED || status == E_STORE_ITEM_EXISTS)
        return kExitCancelled;
    return kExitFailure;
}

}  // namespace nbr::cli
