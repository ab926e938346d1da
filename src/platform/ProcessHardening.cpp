#include "platform/ProcessHardening.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#endif

namespace nbr {

#ifdef _WIN32
// Windows writes no core files of its own; error reporting gets no dialog
// and no crash report, which would carry the process's memory.
void ProcessHardening::DisableCoreDumps()
{
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
}

bool ProcessHardening::LockMemory(const void* address, std::size_t size)
{
    return size == 0 || ::VirtualLock(const_cast<void*>(address), size) != 0;
}

void ProcessHardening::UnlockMemory(const void* address, std::size_t size)
{
    if (size != 0)
        ::VirtualUnlock(const_cast<void*>(address), size);
}
#else
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

#endif

#if defined(__x86_64__)
namespace {

// VZEROALL clears all of ZMM0-15; ZMM16-31, which the C library's copies
// use on these processors, need clearing one by one.
__attribute__((target("avx512f"))) void ClearAvx512()
{
    asm volatile("vzeroall\n\t"
                 "vpxord %%zmm16, %%zmm16, %%zmm16\n\tvpxord %%zmm17, %%zmm17, %%zmm17\n\t"
                 "vpxord %%zmm18, %%zmm18, %%zmm18\n\tvpxord %%zmm19, %%zmm19, %%zmm19\n\t"
                 "vpxord %%zmm20, %%zmm20, %%zmm20\n\tvpxord %%zmm21, %%zmm21, %%zmm21\n\t"
                 "vpxord %%zmm22, %%zmm22, %%zmm22\n\tvpxord %%zmm23, %%zmm23, %%zmm23\n\t"
                 "vpxord %%zmm24, %%zmm24, %%zmm24\n\tvpxord %%zmm25, %%zmm25, %%zmm25\n\t"
                 "vpxord %%zmm26, %%zmm26, %%zmm26\n\tvpxord %%zmm27, %%zmm27, %%zmm27\n\t"
                 "vpxord %%zmm28, %%zmm28, %%zmm28\n\tvpxord %%zmm29, %%zmm29, %%zmm29\n\t"
                 "vpxord %%zmm30, %%zmm30, %%zmm30\n\tvpxord %%zmm31, %%zmm31, %%zmm31"
                 :
                 :
                 : "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8", "xmm9", "xmm10",
                   "xmm11", "xmm12", "xmm13", "xmm14", "xmm15", "xmm16", "xmm17", "xmm18", "xmm19", "xmm20",
                   "xmm21", "xmm22", "xmm23", "xmm24", "xmm25", "xmm26", "xmm27", "xmm28", "xmm29", "xmm30",
                   "xmm31");
}

__attribute__((target("avx"))) void ClearAvx()
{
    asm volatile("vzeroall"
                 :
                 :
                 : "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8", "xmm9", "xmm10",
                   "xmm11", "xmm12", "xmm13", "xmm14", "xmm15");
}

void ClearSse()
{
    asm volatile("pxor %%xmm0, %%xmm0\n\tpxor %%xmm1, %%xmm1\n\tpxor %%xmm2, %%xmm2\n\tpxor %%xmm3, %%xmm3\n\t"
                 "pxor %%xmm4, %%xmm4\n\tpxor %%xmm5, %%xmm5\n\tpxor %%xmm6, %%xmm6\n\tpxor %%xmm7, %%xmm7\n\t"
                 "pxor %%xmm8, %%xmm8\n\tpxor %%xmm9, %%xmm9\n\tpxor %%xmm10, %%xmm10\n\t"
                 "pxor %%xmm11, %%xmm11\n\tpxor %%xmm12, %%xmm12\n\tpxor %%xmm13, %%xmm13\n\t"
                 "pxor %%xmm14, %%xmm14\n\tpxor %%xmm15, %%xmm15"
                 :
                 :
                 : "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8", "xmm9", "xmm10",
                   "xmm11", "xmm12", "xmm13", "xmm14", "xmm15");
}

}  // namespace

void ProcessHardening::ClearVectorRegisters()
{
    // The processor's features (and the system's saving of their state) are
    // asked once.
    static const int widest = __builtin_cpu_supports("avx512f") ? 2 : __builtin_cpu_supports("avx") ? 1 : 0;
    if (widest == 2)
        ClearAvx512();
    else if (widest == 1)
        ClearAvx();
    else
        ClearSse();
}
#else
void ProcessHardening::ClearVectorRegisters() {}
#endif

}  // namespace nbr
