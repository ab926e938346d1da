// The locked arena for key material: blocks apart and aligned, zeroed when
// given and wiped when freed, pages locked and left out of core dumps as the
// kernel itself reports them, and blocks still served (unlocked, still out
// of dumps) where the memory-lock limit refuses the lock.

#include "ProcessMemory.h"

#include "platform/LockedArena.h"

#include <QTest>

#include <algorithm>
#include <cstring>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace nbr;
using namespace nbr::test;

namespace {

bool AllZero(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::all_of(bytes, bytes + size, [](std::uint8_t b) { return b == 0; });
}

// Whether this process may lock `bytes` more than it has locked: root
// (CAP_IPC_LOCK), or a memory-lock limit with room.
bool MayLock(std::size_t bytes)
{
    rlimit limit {};
    return ::geteuid() == 0
           || (::getrlimit(RLIMIT_MEMLOCK, &limit) == 0
               && (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= 4 * bytes + (1u << 20)));
}

}  // namespace

class TestLockedArena : public QObject {
    Q_OBJECT

private slots:
    void blocksAreAlignedZeroedAndApart();
    void freeWipesTheWholeBlock();
    void neighbouringMappingsStayApart();
    void pagesAreLockedAndLeftOutOfDumps();
    void refusedLockStillServesWipedBlocks();
};

void TestLockedArena::blocksAreAlignedZeroedAndApart()
{
    const LockedArena::Usage before = LockedArena::CurrentUsage();
    QVERIFY(LockedArena::Allocate(0) == nullptr);
    LockedArena::Free(nullptr);

    // Small blocks share pages; one larger than a chunk gets pages of its own.
    const std::vector<std::size_t> sizes {1, 16, 17, 32, 240, 4096, LockedArena::kChunkBytes + 1, 5};
    std::vector<std::uint8_t*> blocks;
    for (const std::size_t size : sizes) {
        auto* block = static_cast<std::uint8_t*>(LockedArena::Allocate(size));
        QVERIFY(block != nullptr);
        QCOMPARE(reinterpret_cast<quintptr>(block) % LockedArena::kAlignment, quintptr {0});
        QVERIFY(AllZero(block, size));
        QVERIFY(LockedArena::Where(block, size).inArena);
        std::memset(block, 0xC0 + static_cast<int>(blocks.size()), size);
        blocks.push_back(block);
    }
    // No block overlaps another: each still holds its own filling.
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const auto fill = static_cast<std::uint8_t>(0xC0 + i);
        QVERIFY(std::all_of(blocks[i], blocks[i] + sizes[i], [&](std::uint8_t b) { return b == fill; }));
    }
    QCOMPARE(LockedArena::CurrentUsage().blocks, before.blocks + sizes.size());

    int onStack = 0;
    QVERIFY(!LockedArena::Where(&onStack, sizeof onStack).inArena);
    std::vector<char> onHeap(64);
    QVERIFY(!LockedArena::Where(onHeap.data(), onHeap.size()).inArena);

    // A freed block is handed out again, zeroed.
    LockedArena::Free(blocks[3]);
    auto* again = static_cast<std::uint8_t*>(LockedArena::Allocate(sizes[3]));
    QVERIFY(again != nullptr);
    QVERIFY(AllZero(again, sizes[3]));
    blocks[3] = again;

    for (std::uint8_t* block : blocks)
        LockedArena::Free(block);
    QCOMPARE(LockedArena::CurrentUsage().blocks, before.blocks);
    // Of the pages, at most the one spare chunk stays mapped.
    QVERIFY(LockedArena::CurrentUsage().mappedBytes <= before.mappedBytes + LockedArena::kChunkBytes);
}

void TestLockedArena::freeWipesTheWholeBlock()
{
    // The keeper holds the chunk mapped, so the freed bytes can be read.
    void* keeper = LockedArena::Allocate(16);
    auto* block = static_cast<std::uint8_t*>(LockedArena::Allocate(40));
    QVERIFY(keeper && block);
    QVERIFY(LockedArena::Where(keeper, 16).inArena);
    // The block's rounding to 16 bytes is its own too, and wiped as well.
    std::memset(block, 0xA5, 48);
    LockedArena::Free(block);
    QVERIFY(LockedArena::Where(block, 48).inArena);
    QVERIFY(AllZero(block, 48));
    LockedArena::Free(keeper);
}

void TestLockedArena::neighbouringMappingsStayApart()
{
    // Blocks with pages of their own, one freed between others so a later one
    // may fill its gap. Where the system lays two mappings side by side (it
    // usually does, but a sanitiser's or library's own mappings may come
    // between), one ends exactly where the next begins: each must still be
    // its own record.
    const std::size_t size = 2 * LockedArena::kChunkBytes;
    std::vector<void*> blocks;
    for (int i = 0; i < 8; ++i) {
        blocks.push_back(LockedArena::Allocate(size));
        QVERIFY(blocks.back());
    }
    LockedArena::Free(blocks[3]);
    blocks[3] = LockedArena::Allocate(size);
    QVERIFY(blocks[3]);
    const auto touches = [&](void* x, void* y) {
        return static_cast<std::uint8_t*>(x) + size == y || static_cast<std::uint8_t*>(y) + size == x;
    };
    bool sideBySide = false;
    for (std::size_t i = 0; i < blocks.size(); ++i)
        for (std::size_t j = i + 1; j < blocks.size(); ++j)
            sideBySide = sideBySide || touches(blocks[i], blocks[j]);
    for (void* block : blocks) {
        QVERIFY(LockedArena::Where(block, size).inArena);
        QVERIFY(!LockedArena::Where(static_cast<std::uint8_t*>(block) + 1, size).inArena);
    }
    for (void* block : blocks)
        LockedArena::Free(block);
    for (void* block : blocks)
        QVERIFY(!LockedArena::Where(block, 1).inArena);
    if (!sideBySide)
        QSKIP("the system laid none of the mappings side by side");
}

void TestLockedArena::pagesAreLockedAndLeftOutOfDumps()
{
    const std::size_t size = 3 * LockedArena::kChunkBytes;  // pages of its own, mapped now
    auto* block = static_cast<std::uint8_t*>(LockedArena::Allocate(size));
    QVERIFY(block != nullptr);
    const LockedArena::Placement placement = LockedArena::Where(block, size);
    QVERIFY(placement.excludedFromDumps);
    QCOMPARE(placement.locked, MayLock(size));

    // The kernel's word on the same pages.
    const MappingFacts facts = MappingOf(block + size - 1);
    QVERIFY(facts.found);
    QVERIFY(facts.dontDump);
    QCOMPARE(facts.locked, placement.locked);
    if (placement.locked)
        QVERIFY(facts.lockedKb * 1024 >= static_cast<qint64>(size));
    LockedArena::Free(block);
}

void TestLockedArena::refusedLockStillServesWipedBlocks()
{
    const pid_t child = ::fork();
    if (child == 0) {
        // No room to lock anything; root gives up the privilege that passes the limit.
        const rlimit none {0, 0};
        if (::setrlimit(RLIMIT_MEMLOCK, &none) != 0)
            ::_exit(10);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(77);
        const std::size_t size = 2 * LockedArena::kChunkBytes;  // pages of its own, mapped under the limit
        auto* block = static_cast<std::uint8_t*>(LockedArena::Allocate(size));
        if (!block || !AllZero(block, size))
            ::_exit(11);
        const LockedArena::Placement placement = LockedArena::Where(block, size);
        const MappingFacts facts = MappingOf(block);
        if (!placement.inArena || placement.locked || !placement.excludedFromDumps || facts.locked || !facts.dontDump)
            ::_exit(12);
        std::memset(block, 0x5A, size);
        LockedArena::Free(block);
        ::_exit(LockedArena::Where(block, size).inArena ? 13 : 0);
    }
    int status = -1;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        QSKIP("cannot give up root's right to lock memory here");
    QCOMPARE(WEXITSTATUS(status), 0);
}

QTEST_GUILESS_MAIN(TestLockedArena)
#include "tst_lockedarena.moc"
