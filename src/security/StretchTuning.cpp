#include "security/StretchTuning.h"

#include "security/KeyStretch.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace nbr {
namespace {

std::optional<Argon2id::Cost>& Fixed()
{
    static std::optional<Argon2id::Cost> fixed;
    return fixed;
}

Status Measure(const Argon2id::Cost& cost, double* seconds)
{
    // What is hashed does not change the time; nothing secret goes in.
    const std::array<std::uint8_t, 16> password {};
    const std::array<std::uint8_t, KeyStretch::kSaltLength> salt {};
    std::array<std::uint8_t, KeyStretch::kOutputLength> out {};
    QElapsedTimer timer;
    timer.start();
    const Status s = Argon2id::Hash(cost, password.data(), password.size(), salt.data(), salt.size(), out.data(),
                                    out.size());
    *seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    return s;
}

}  // namespace

void StretchTuning::FixCost(const Argon2id::Cost* cost)
{
    Fixed() = cost ? std::optional<Argon2id::Cost>(*cost) : std::nullopt;
}

Argon2id::Cost StretchTuning::Scale(const Argon2id::Cost& measured, double seconds, double target)
{
    Argon2id::Cost cost;
    cost.lanes = std::clamp<std::uint32_t>(measured.lanes, 1, kMaxLanes);
    constexpr double kMiB = 1024.0;
    const double done = static_cast<double>(measured.memoryKiB) / kMiB * measured.passes;  // MiB passes
    const double budget = seconds > 0 ? done * target / seconds : done;
    // Memory first, in steps of 8 MiB, then what is left as whole passes.
    const double floorMiB = KeyStretch::kMinMemoryKiB / kMiB;
    const double ceilingMiB = KeyStretch::kMaxMemoryKiB / kMiB;
    const double mib = std::clamp(std::floor(budget / KeyStretch::kMinPasses / 8.0) * 8.0, floorMiB, ceilingMiB);
    cost.memoryKiB = static_cast<std::uint32_t>(mib * kMiB);
    cost.passes = static_cast<std::uint32_t>(
        std::clamp(std::floor(budget / mib), double(KeyStretch::kMinPasses), double(KeyStretch::kMaxPasses)));
    return cost;
}

Status StretchTuning::Tune(Argon2id::Cost* cost)
{
    if (Fixed()) {
        *cost = *Fixed();
        return S_OK;
    }
    Argon2id::Cost probe;
    probe.memoryKiB = KeyStretch::kMinMemoryKiB;
    probe.passes = KeyStretch::kMinPasses;
    probe.lanes = std::clamp<std::uint32_t>(static_cast<std::uint32_t>(std::max(1, QThread::idealThreadCount())), 1,
                                            kMaxLanes);
    double seconds = 0;
    Status s = Measure(probe, &seconds);
    if (Failed(s))
        return s;
    Argon2id::Cost chosen = Scale(probe, seconds, kTargetSeconds);
    if (chosen != probe) {
        // Larger memory does not always scale in a straight line (caches,
        // the memory bus): one run at the chosen cost corrects the estimate
        // downwards when it came out too slow.
        if (Failed(s = Measure(chosen, &seconds)))
            return s;
        if (seconds > kTargetSeconds * 1.2)
            chosen = Scale(chosen, seconds, kTargetSeconds);
    }
    *cost = chosen;
    return S_OK;
}

}  // namespace nbr
