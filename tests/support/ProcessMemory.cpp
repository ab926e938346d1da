#include "ProcessMemory.h"

#include "platform/LockedArena.h"

#include <QFile>
#include <QList>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>
#include <memory>
#include <fcntl.h>
#include <unistd.h>

namespace nbr::test {
namespace {

struct Mapping {
    quintptr start = 0;
    quintptr end = 0;
    QString permissions;
    QString name;
    qint64 rssKb = 0;
    MappingFacts facts;
};

QList<Mapping> Mappings()
{
    static const QRegularExpression header(QStringLiteral(R"(^([0-9a-f]+)-([0-9a-f]+) (\S+) \S+ \S+ \S+\s*(.*)$)"));
    QList<Mapping> mappings;
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    if (!smaps.open(QIODevice::ReadOnly))
        return mappings;
    // Read whole first: the reading itself must not change the mappings read.
    const QStringList lines = QString::fromLatin1(smaps.readAll()).split(u'\n');
    for (const QString& line : lines) {
        const QRegularExpressionMatch m = header.match(line);
        if (m.hasMatch()) {
            Mapping mapping;
            mapping.start = m.captured(1).toULongLong(nullptr, 16);
            mapping.end = m.captured(2).toULongLong(nullptr, 16);
            mapping.permissions = m.captured(3);
            mapping.name = m.captured(4);
            mapping.facts.found = true;
            mapping.facts.name = mapping.name;
            mappings.append(mapping);
        } else if (!mappings.isEmpty() && line.startsWith(QLatin1String("Rss:"))) {
            mappings.last().rssKb = line.section(u' ', 1, 1, QString::SectionSkipEmpty).toLongLong();
        } else if (!mappings.isEmpty() && line.startsWith(QLatin1String("Locked:"))) {
            mappings.last().facts.lockedKb = line.section(u' ', 1, 1, QString::SectionSkipEmpty).toLongLong();
        } else if (!mappings.isEmpty() && line.startsWith(QLatin1String("VmFlags:"))) {
            const QStringList flags = line.mid(8).split(u' ', Qt::SkipEmptyParts);
            mappings.last().facts.locked = flags.contains(QLatin1String("lo"));
            mappings.last().facts.dontDump = flags.contains(QLatin1String("dd"));
        }
    }
    return mappings;
}

}  // namespace

MappingFacts MappingOf(const void* address)
{
    const auto at = reinterpret_cast<quintptr>(address);
    for (const Mapping& mapping : Mappings()) {
        if (at >= mapping.start && at < mapping.end)
            return mapping.facts;
    }
    return {};
}

Occurrences FindInOwnMemory(const void* secret, std::size_t size)
{
    Occurrences found;
    if (size == 0)
        return found;
    const int fd = ::open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return found;
    constexpr std::size_t kChunk = 1 << 20;
    const std::size_t overlap = size - 1;
    const std::size_t capacity = overlap + kChunk;
    const std::unique_ptr<std::uint8_t, void (*)(void*)> held(
        static_cast<std::uint8_t*>(LockedArena::Allocate(capacity)), &LockedArena::Free);
    std::uint8_t* const buffer = held.get();
    if (!buffer) {
        ::close(fd);
        return found;
    }
    for (const Mapping& mapping : Mappings()) {
        // Not readable, the kernel's own pages, nothing resident, or a
        // sanitizer's shadow (terabytes that hold no data of ours).
        if (!mapping.permissions.startsWith(u'r') || mapping.name.startsWith(QLatin1String("[v"))
            || mapping.rssKb == 0 || mapping.end - mapping.start > (quintptr {8} << 30))
            continue;
        std::size_t carried = 0;
        int hits = 0;
        for (quintptr at = mapping.start; at < mapping.end; at += kChunk) {
            const std::size_t want = std::min<quintptr>(kChunk, mapping.end - at);
            const ssize_t got = ::pread(fd, buffer + carried, want, static_cast<off_t>(at));
            if (got <= 0) {
                carried = 0;
                continue;
            }
            const std::size_t length = carried + static_cast<std::size_t>(got);
            const std::uint8_t* const base = buffer;
            for (std::size_t from = 0; from + size <= length;) {
                const void* match = ::memmem(base + from, length - from, secret, size);
                if (!match)
                    break;
                const auto i = static_cast<std::size_t>(static_cast<const std::uint8_t*>(match) - base);
                // A match lying wholly in the carried bytes was counted before.
                if (i + size > carried)
                    ++hits;
                from = i + 1;
            }
            carried = std::min(overlap, length);
            std::memmove(buffer, buffer + length - carried, carried);
        }
        // Else the buffer's own pages, read in turn, would show what it holds.
        std::memset(buffer, 0, capacity);
        if (hits == 0)
            continue;
        if (mapping.facts.dontDump) {
            found.dumpExcluded += hits;
        } else {
            found.elsewhere += hits;
            found.where << (mapping.name.isEmpty() ? QStringLiteral("[anon]") : mapping.name);
        }
    }
    ::close(fd);
    return found;
}

}  // namespace nbr::test
