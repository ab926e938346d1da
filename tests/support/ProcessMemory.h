#pragma once
// This process's memory as the kernel maps it, for the tests of where key
// material lives: the facts of the pages that hold an address (locked, left
// out of core dumps), and a search of every readable mapping for a secret.

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

namespace nbr::test {

struct MappingFacts {
    bool found = false;
    bool locked = false;    // VmFlags "lo"
    bool dontDump = false;  // VmFlags "dd"
    qint64 lockedKb = 0;    // "Locked:"
    QString name;
};
// The mapping of /proc/self/smaps that holds `address`.
MappingFacts MappingOf(const void* address);

struct Occurrences {
    int dumpExcluded = 0;  // in pages left out of core dumps
    int elsewhere = 0;
    QStringList where;     // the mappings of those elsewhere
};
// Every copy of `size` bytes at `secret` in this process's readable memory
// (the copy at `secret` itself included). The pages are read through
// /proc/self/mem into locked memory, so that the search makes no copies of
// its own outside it.
Occurrences FindInOwnMemory(const void* secret, std::size_t size);

}  // namespace nbr::test
