#pragma once
// Files and folders by path: creation, removal, listing and existence, with
// status codes. Listing reports names that are not valid UTF-8 as such, so
// callers can refuse them instead of mangling them.

#include "platform/FileTime.h"
#include "platform/Status.h"

#include <QList>
#include <QString>

#include <cstdint>

namespace nbr {

class CreationPolicy;

struct DirectoryEntry {
    QString name;
    bool isFolder = false;
    std::uint64_t size = 0;
    bool validName = true;  // false: the bytes on disk are not UTF-8
    FileTime writeTime;
};

class FileSystem {
public:
    [[nodiscard]] static Status RemoveFile(const QString& path);
    [[nodiscard]] static Status RemoveFolder(const QString& path);
    [[nodiscard]] static Status CreateFolder(const QString& path, const CreationPolicy* policy);
    // The entries of a folder other than "." and "..", in no particular order.
    [[nodiscard]] static Status List(const QString& path, QList<DirectoryEntry>* entries);
    [[nodiscard]] static bool Exists(const QString& path);
    // What a listing would say of one path (its name is the last component).
    [[nodiscard]] static Status Info(const QString& path, DirectoryEntry* info);
    // Moves `from` over `to` in one step, replacing a file already there.
    [[nodiscard]] static Status Rename(const QString& from, const QString& to);
    // S_OK with `isFolder`, or the status of the failed query.
    [[nodiscard]] static Status Kind(const QString& path, bool* isFolder);
};

}  // namespace nbr
