#pragma once
// The clean-shutdown flag in the key file: 0 while Nimbra runs, 1 once its
// close has written back the opened files. A run that finds 0 knows that the
// previous one ended without that, and cleans up after it.

#include "platform/Status.h"

namespace nbr {

class PropertyStore;

class CleanShutdown {
public:
    // Reads the flag (a missing one counts as a clean end) into `wasClean`
    // and marks this run as running. A failure of either ends the program.
    [[nodiscard]] static Status Begin(PropertyStore& properties, bool* wasClean);
    // The close handling is over: the next start finds a clean end.
    [[nodiscard]] static Status MarkClean(PropertyStore& properties);
};

}  // namespace nbr
