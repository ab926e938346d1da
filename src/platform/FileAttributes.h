#pragma once
// The Windows attribute bits, kept with their values in the formats and the
// code. Read-only is the owner's write permission; hidden and archive exist
// only where the file system keeps them (the FAT attribute byte on vfat) and
// are silently absent elsewhere.

#include "platform/Status.h"

#include <QString>

#include <cstdint>

namespace nbr {

class ConfinedPath;

class FileAttributes {
public:
    static constexpr std::uint32_t kReadOnly = 0x1;
    static constexpr std::uint32_t kHidden = 0x2;
    static constexpr std::uint32_t kSystem = 0x4;
    static constexpr std::uint32_t kDirectory = 0x10;
    static constexpr std::uint32_t kArchive = 0x20;
    static constexpr std::uint32_t kNormal = 0x80;

    [[nodiscard]] static Status Get(const QString& path, std::uint32_t* attributes);
    // Sets what the file system can hold; kNormal clears read-only, hidden and
    // archive. The directory and system bits are never changed.
    [[nodiscard]] static Status Set(const QString& path, std::uint32_t attributes);
    // The same for a file already open (`fd` from NativeFile::Handle()): no
    // second lookup of its path, which matters for thousands of small files.
    [[nodiscard]] static Status GetOpen(int fd, std::uint32_t* attributes);
    [[nodiscard]] static Status SetOpen(int fd, std::uint32_t attributes);
    // Adds the hidden bit to what the path has (where the file system keeps it).
    static void AddHidden(const QString& path);
    // True when the path lies on a FAT volume, where hidden and archive exist.
    [[nodiscard]] static bool KeepsDosBits(const QString& path);

private:
    // The system's calls once the walk to `path` succeeded; Set has turned
    // kNormal into its meaning already.
    [[nodiscard]] static Status GetAt(const ConfinedPath& at, const QString& path, std::uint32_t* attributes);
    [[nodiscard]] static Status SetAt(const ConfinedPath& at, const QString& path, std::uint32_t attributes);
};

}  // namespace nbr
