#include "platform/ProcessHardening.h"

#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>

namespace nbr {

void ProcessHardening::DisableCoreDumps()
{
    const rlimit none {0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

bool ProcessHardening::LockMemory(const void* address, std::size_t size)
{
    return size == 0 || ::mlock(address, size) == 0;
}

void ProcessHardening::UnlockMemory(const void* address, std::size_t size)
{
    if (size != 0)
        ::munlock(address, size);
}

}  // namespace nbr
