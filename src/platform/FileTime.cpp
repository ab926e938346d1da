#include "platform/FileTime.h"

namespace nbr {

FileTime FileTime::FromUnix(std::int64_t seconds, std::uint32_t nanoseconds)
{
    // Times before 1601 have no FILETIME; they read as unknown.
    const std::int64_t minSeconds = -static_cast<std::int64_t>(kUnixEpoch / kTicksPerSecond);
    if (seconds < minSeconds)
        return {};
    const auto sinceEpoch = static_cast<std::uint64_t>(seconds - minSeconds);
    return {sinceEpoch * kTicksPerSecond + nanoseconds / 100};
}

FileTime FileTime::FromTimespec(const timespec& ts)
{
    return FromUnix(ts.tv_sec, static_cast<std::uint32_t>(ts.tv_nsec));
}

timespec FileTime::ToTimespec() const
{
    timespec ts {};
    const auto wholeSeconds = static_cast<std::int64_t>(ticks / kTicksPerSecond);
    ts.tv_sec = static_cast<time_t>(wholeSeconds - static_cast<std::int64_t>(kUnixEpoch / kTicksPerSecond));
    ts.tv_nsec = static_cast<long>((ticks % kTicksPerSecond) * 100);
    return ts;
}

QDateTime FileTime::ToDateTime() const
{
    if (ticks == 0)
        return {};
    const timespec ts = ToTimespec();
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000,
                                          Qt::UTC);
}

}  // namespace nbr
