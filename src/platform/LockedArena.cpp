#include "platform/LockedArena.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace nbr {
namespace {

constexpr std::size_t kUnit = LockedArena::kAlignment;

// Pages mapped together; blocks are runs of 16-byte units inside them.
struct Chunk {
    std::uint8_t* base = nullptr;
    std::size_t bytes = 0;
    bool locked = false;
    bool excludedFromDumps = false;
    std::vector<std::uint64_t> used;     // one bit per unit
    std::vector<std::uint32_t> lengths;  // at a block's first unit: its length in units
    std::size_t usedUnits = 0;

    [[nodiscard]] std::size_t Units() const { return bytes / kUnit; }
    [[nodiscard]] bool Holds(const void* address, std::size_t size) const
    {
        const auto at = reinterpret_cast<std::uintptr_t>(address);
        const auto start = reinterpret_cast<std::uintptr_t>(base);
        // Strictly inside: the next mapping may begin where this one ends.
        return at >= start && at - start < bytes && size <= bytes - (at - start);
    }
    [[nodiscard]] bool IsUsed(std::size_t unit) const { return (used[unit / 64] >> (unit % 64)) & 1u; }
    void Mark(std::size_t first, std::size_t count, bool value)
    {
        for (std::size_t u = first; u < first + count; ++u) {
            if (value)
                used[u / 64] |= std::uint64_t {1} << (u % 64);
            else
                used[u / 64] &= ~(std::uint64_t {1} << (u % 64));
        }
    }
    // The first run of `count` free units, or Units() when there is none.
    [[nodiscard]] std::size_t FindFree(std::size_t count) const
    {
        const std::size_t units = Units();
        std::size_t run = 0;
        for (std::size_t u = 0; u < units; ++u) {
            if (u % 64 == 0 && used[u / 64] == ~std::uint64_t {0}) {
                run = 0;
                u += 63;
                continue;
            }
            if (IsUsed(u)) {
                run = 0;
            } else if (++run == count) {
                return u + 1 - count;
            }
        }
        return units;
    }
};

void Wipe(void* address, std::size_t size)
{
#ifdef _WIN32
    ::SecureZeroMemory(address, size);
#else
    ::explicit_bzero(address, size);
#endif
}

class Arena {
public:
    void* Allocate(std::size_t size)
    {
        if (size == 0 || size > (std::size_t {1} << 31))
            return nullptr;
        const std::size_t units = (size + kUnit - 1) / kUnit;
        std::lock_guard lock(mutex_);
        for (const std::unique_ptr<Chunk>& chunk : chunks_) {
            if (chunk->Units() - chunk->usedUnits < units)
                continue;
            const std::size_t first = chunk->FindFree(units);
            if (first != chunk->Units())
                return Take(*chunk, first, units);
        }
        std::unique_ptr<Chunk> chunk;
        try {
            chunk = Map(units * kUnit);
            if (!chunk)
                return nullptr;
            chunks_.push_back(std::move(chunk));
        } catch (const std::bad_alloc&) {
            if (chunk)
                Unmap(*chunk);
            return nullptr;
        }
        return Take(*chunks_.back(), 0, units);
    }

    void Free(void* block)
    {
        if (!block)
            return;
        std::lock_guard lock(mutex_);
        for (auto it = chunks_.begin(); it != chunks_.end(); ++it) {
            Chunk& chunk = **it;
            if (!chunk.Holds(block, 0))
                continue;
            const std::size_t offset = static_cast<std::size_t>(static_cast<std::uint8_t*>(block) - chunk.base);
            const std::size_t first = offset / kUnit;
            if (offset % kUnit != 0 || first >= chunk.Units() || chunk.lengths[first] == 0)
                std::abort();  // not a block of ours: the heap would be damaged next
            const std::size_t units = chunk.lengths[first];
            Wipe(block, units * kUnit);
            chunk.Mark(first, units, false);
            chunk.lengths[first] = 0;
            chunk.usedUnits -= units;
            if (chunk.usedUnits == 0 && !KeepEmpty(chunk)) {
                Unmap(chunk);
                chunks_.erase(it);
            }
            return;
        }
        std::abort();
    }

    LockedArena::Placement Where(const void* address, std::size_t size)
    {
        std::lock_guard lock(mutex_);
        for (const std::unique_ptr<Chunk>& chunk : chunks_) {
            if (chunk->Holds(address, size))
                return {true, chunk->locked, chunk->excludedFromDumps};
        }
        return {};
    }

    LockedArena::Usage CurrentUsage()
    {
        std::lock_guard lock(mutex_);
        LockedArena::Usage usage;
        for (const std::unique_ptr<Chunk>& chunk : chunks_) {
            usage.mappedBytes += chunk->bytes;
            usage.lockedBytes += chunk->locked ? chunk->bytes : 0;
            for (const std::uint32_t length : chunk->lengths)
                usage.blocks += length != 0 ? 1 : 0;
        }
        return usage;
    }

private:
    static void* Take(Chunk& chunk, std::size_t first, std::size_t units)
    {
        chunk.Mark(first, units, true);
        chunk.lengths[first] = static_cast<std::uint32_t>(units);
        chunk.usedUnits += units;
        return chunk.base + first * kUnit;
    }

    std::unique_ptr<Chunk> Map(std::size_t atLeast)
    {
#ifdef _WIN32
        SYSTEM_INFO system {};
        ::GetSystemInfo(&system);
        const std::size_t pageSize = system.dwPageSize > 0 ? system.dwPageSize : 4096;
#else
        const long page = ::sysconf(_SC_PAGESIZE);
        const std::size_t pageSize = page > 0 ? static_cast<std::size_t>(page) : 4096;
#endif
        std::size_t bytes = std::max(atLeast, LockedArena::kChunkBytes);
        bytes = (bytes + pageSize - 1) / pageSize * pageSize;
        auto chunk = std::make_unique<Chunk>();
        chunk->bytes = bytes;
        chunk->used.assign((chunk->Units() + 63) / 64, 0);
        chunk->lengths.assign(chunk->Units(), 0);
#ifdef _WIN32
        // A locked page stays out of the page file (within the working-set
        // quota, else it serves unlocked). Windows has no way for a program
        // to keep pages out of a crash dump that error reporting writes:
        // the arena says so.
        void* base = ::VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (base == nullptr)
            return nullptr;
        chunk->base = static_cast<std::uint8_t*>(base);
        chunk->excludedFromDumps = false;
        chunk->locked = ::VirtualLock(base, bytes) != 0;
        return chunk;
#else
        void* base = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (base == MAP_FAILED)
            return nullptr;
        chunk->base = static_cast<std::uint8_t*>(base);
        // Left out of core files (and of gdb's gcore), whatever the limits on them say.
        chunk->excludedFromDumps = ::madvise(base, bytes, MADV_DONTDUMP) == 0;
        // Best effort: a refused lock (RLIMIT_MEMLOCK) leaves the pages in use
        // unlocked. The system call itself: the sanitizers' mlock locks
        // nothing and reports success.
        chunk->locked = ::syscall(SYS_mlock, base, bytes) == 0;
        return chunk;
#endif
    }

    static void Unmap(Chunk& chunk)
    {
#ifdef _WIN32
        if (chunk.locked)
            ::VirtualUnlock(chunk.base, chunk.bytes);
        ::VirtualFree(chunk.base, 0, MEM_RELEASE);
#else
        if (chunk.locked)
            ::syscall(SYS_munlock, chunk.base, chunk.bytes);
        ::munmap(chunk.base, chunk.bytes);
#endif
    }

    // One empty chunk of the usual size stays mapped (and locked), so that
    // a key made and dropped per file does not map and unmap pages each time.
    [[nodiscard]] bool KeepEmpty(const Chunk& chunk) const
    {
        if (chunk.bytes != LockedArena::kChunkBytes)
            return false;
        for (const std::unique_ptr<Chunk>& other : chunks_) {
            if (other.get() != &chunk && other->usedUnits == 0 && other->bytes == LockedArena::kChunkBytes)
                return false;
        }
        return true;
    }

    std::mutex mutex_;
    std::vector<std::unique_ptr<Chunk>> chunks_;
};

// Never destroyed: blocks held by other objects of static duration may be
// freed after every destructor of this file has run.
Arena& TheArena()
{
    static Arena* const arena = new Arena;
    return *arena;
}

}  // namespace

void* LockedArena::Allocate(std::size_t size)
{
    return TheArena().Allocate(size);
}

void LockedArena::Free(void* block)
{
    TheArena().Free(block);
}

LockedArena::Placement LockedArena::Where(const void* address, std::size_t size)
{
    return TheArena().Where(address, size);
}

LockedArena::Usage LockedArena::CurrentUsage()
{
    return TheArena().CurrentUsage();
}

}  // namespace nbr
