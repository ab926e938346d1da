#pragma once
// Keeps key material out of places it could leak to: no core dumps of a
// process that holds keys, and key pages kept out of swap where the system
// allows it.

#include <cstddef>

namespace nbr {

class ProcessHardening {
public:
    // No core file, and no ptrace or /proc reading by other processes of the user.
    static void DisableCoreDumps();
    // Best effort: false when the system refuses (a memory-lock limit).
    static bool LockMemory(const void* address, std::size_t size);
    static void UnlockMemory(const void* address, std::size_t size);
    // Zeroes the processor's vector registers. Copies of a key and AES
    // instructions leave its bytes there, and the next save of the registers
    // in user memory (the lazy symbol binder's, a signal frame) puts them on
    // a stack, outside the locked arena, where nothing wipes them.
    static void ClearVectorRegisters();
};

}  // namespace nbr
