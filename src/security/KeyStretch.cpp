#include "security/KeyStretch.h"

#include "security/KeyFileLayout.h"
#include "security/SecurityStatus.h"

#include <QtEndian>

#include <algorithm>

namespace nbr {
namespace {
using L = KeyFileLayout;
}

bool KeyStretch::WithinBounds(const Argon2id::Cost& cost)
{
    // Argon2 itself wants at least 8 KiB per lane; tests and old records
    // may sit below the setup's floor, never above the ceiling.
    return cost.lanes >= 1 && cost.lanes <= kMaxLanes && cost.passes >= 1 && cost.passes <= kMaxPasses
           && cost.memoryKiB >= 8 * cost.lanes && cost.memoryKiB <= kMaxMemoryKiB;
}

Status KeyStretch::FromRecord(const std::uint8_t* record, KeyStretch* out)
{
    if (qFromLittleEndian<std::uint32_t>(record + L::kStretchAlgorithm) != kAlgorithmArgon2id
        || qFromLittleEndian<std::uint32_t>(record + L::kStretchAlgorithmVersion) != Argon2id::kVersion
        || qFromLittleEndian<std::uint32_t>(record + L::kStretchOutput) != kOutputLength)
        return E_INVALIDARG;
    KeyStretch stretch;
    stretch.cost.memoryKiB = qFromLittleEndian<std::uint32_t>(record + L::kStretchMemory);
    stretch.cost.passes = qFromLittleEndian<std::uint32_t>(record + L::kStretchPasses);
    stretch.cost.lanes = qFromLittleEndian<std::uint32_t>(record + L::kStretchLanes);
    if (!WithinBounds(stretch.cost))
        return E_STRETCH_COST;
    std::copy_n(record + L::kStretchSalt, kSaltLength, stretch.salt.begin());
    *out = stretch;
    return S_OK;
}

void KeyStretch::ToRecord(std::uint8_t* record) const
{
    qToLittleEndian<std::uint32_t>(kAlgorithmArgon2id, record + L::kStretchAlgorithm);
    qToLittleEndian<std::uint32_t>(Argon2id::kVersion, record + L::kStretchAlgorithmVersion);
    qToLittleEndian<std::uint32_t>(cost.memoryKiB, record + L::kStretchMemory);
    qToLittleEndian<std::uint32_t>(cost.passes, record + L::kStretchPasses);
    qToLittleEndian<std::uint32_t>(cost.lanes, record + L::kStretchLanes);
    std::copy(salt.begin(), salt.end(), record + L::kStretchSalt);
    qToLittleEndian<std::uint32_t>(kOutputLength, record + L::kStretchOutput);
}

void KeyStretch::ClearRecord(std::uint8_t* record)
{
    std::fill(record + L::kStretchAlgorithm, record + L::kStretchEnd, std::uint8_t {0});
}

Status KeyStretch::Apply(const std::uint8_t* password, std::size_t count, LockedByteBlock* out) const
{
    if (!WithinBounds(cost))
        return E_STRETCH_COST;
    LockedByteBlock stretched(kOutputLength);
    const Status s = Argon2id::Hash(cost, password, count, salt.data(), salt.size(), stretched.data(), stretched.size());
    if (Failed(s))
        return s;
    out->swap(stretched);
    return S_OK;
}

}  // namespace nbr
