#pragma once
// A test seam at every call that changes files: the crash and full-disk tests
// walk every point of an operation by making the N-th change fail as on a
// full disk, or by killing the process right before it (or halfway through
// it, for a write). Unarmed it only counts.
//
// Both programs arm it from NIMBRA_FAULT: "kill:N", "tear:N", "full:N",
// "count:FILE" (the number of changes is written to FILE at exit), or
// "slow:MS" (every write of a thread other than the one that armed it waits
// MS milliseconds first, so that a test driving the window from outside
// meets a job while it runs).

#include <cstddef>
#include <cstdint>

namespace nbr {

class FaultInjection {
public:
    enum class Mode { Off, Kill, Tear, Full };

    static void Arm(Mode mode, std::uint64_t at);
    // Reads NIMBRA_FAULT; call once at start-up.
    static void ArmFromEnvironment();
    [[nodiscard]] static std::uint64_t Changes();

    // Called before each change, named by `what` ("create", "write", "sync",
    // "rename", "unlink", "rmdir", "mkdir", "attributes", "times"); false: fail
    // it with ENOSPC (errno is set). A kill point does not return.
    [[nodiscard]] static bool BeforeChange(const char* what);
    // Sees every change in order (tests); null to stop.
    using Observer = void (*)(const char* what);
    static void Observe(Observer observer);
    // For writes: how many of `size` bytes to write before dying at a tear
    // point (the caller writes them, then calls AfterTornWrite); `size` else.
    [[nodiscard]] static std::size_t BeforeWrite(std::size_t size, bool* allowed);
    [[noreturn]] static void AfterTornWrite();
};

}  // namespace nbr
