#pragma once
// Memory for secrets: master and file keys, key schedules, passwords. The
// arena maps pages of its own, locks them in memory (out of swap) where the
// system allows and marks them to be left out of core dumps; each block is
// wiped when it is freed. When locking is refused (the memory-lock limit,
// RLIMIT_MEMLOCK), the pages serve unlocked: still out of core dumps, still
// wiped. Thread-safe. security/LockedMemory.h puts Crypto++'s secure blocks
// and objects on it.

#include <cstddef>

namespace nbr {

class LockedArena {
public:
    // Every block starts on this boundary (what Crypto++'s aligned blocks and SSE loads need).
    static constexpr std::size_t kAlignment = 16;
    // Pages are mapped this many at a time; a larger block gets pages of its own.
    static constexpr std::size_t kChunkBytes = 16384;

    // A zeroed block of at least `size` bytes; nullptr for size 0 or when
    // the system gives no memory.
    [[nodiscard]] static void* Allocate(std::size_t size);
    // Wipes the whole block and gives it back; nullptr does nothing. Any
    // other pointer that Allocate did not give ends the process.
    static void Free(void* block);

    // Where `size` bytes at `address` lie: inside the arena's pages, and
    // whether those pages are locked and left out of core dumps.
    struct Placement {
        bool inArena = false;
        bool locked = false;
        bool excludedFromDumps = false;
    };
    [[nodiscard]] static Placement Where(const void* address, std::size_t size);

    struct Usage {
        std::size_t mappedBytes = 0;
        std::size_t lockedBytes = 0;
        std::size_t blocks = 0;  // in use
    };
    [[nodiscard]] static Usage CurrentUsage();
};

}  // namespace nbr
