#pragma once
// FILETIME: a 64-bit count of 100-nanosecond intervals since 1601-01-01 UTC,
// the form in which the stored formats keep file times.

#include <QDateTime>

#include <cstdint>
#include <ctime>

namespace nbr {

struct FileTime {
    std::uint64_t ticks = 0;  // 0 means "unknown"

    // Seconds between 1601-01-01 and 1970-01-01, in ticks.
    static constexpr std::uint64_t kUnixEpoch = 116444736000000000ull;
    static constexpr std::uint64_t kTicksPerSecond = 10000000ull;

    [[nodiscard]] static FileTime FromUnix(std::int64_t seconds, std::uint32_t nanoseconds);
    [[nodiscard]] static FileTime FromTimespec(const timespec& ts);
    [[nodiscard]] timespec ToTimespec() const;
    [[nodiscard]] QDateTime ToDateTime() const;  // UTC; invalid for 0

    bool operator==(const FileTime&) const = default;
};

}  // namespace nbr
