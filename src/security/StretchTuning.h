#pragma once
// The cost of a hardened key file, chosen on the computer that sets it up:
// about a second of Argon2id here, lanes matched to the cores, memory first
// (what makes guessing dear on any hardware), then passes, never below
// 64 MiB and 3 passes and never above the ceiling that every computer must
// still be able to open.

#include "platform/Status.h"
#include "security/Argon2id.h"

namespace nbr {

class StretchTuning {
public:
    static constexpr double kTargetSeconds = 1.0;
    // More lanes than this gain nothing on the computers that open sticks.
    static constexpr std::uint32_t kMaxLanes = 8;

    // Measures this computer (about one and a half seconds) and gives the cost.
    [[nodiscard]] static Status Tune(Argon2id::Cost* cost);
    // The cost that `seconds` for one run at `measured` scales to for
    // `target` seconds, within the floor and the ceiling.
    [[nodiscard]] static Argon2id::Cost Scale(const Argon2id::Cost& measured, double seconds, double target);
    // Test seam: Tune gives `cost` without measuring; nullptr measures again.
    static void FixCost(const Argon2id::Cost* cost);
};

}  // namespace nbr
