#pragma once
// Native paths: the platform's separator, splitting, and the conversion
// between the program's UTF-16 paths and the bytes the system calls take.

#include <QByteArray>
#include <QString>

namespace nbr {

class NativePath {
public:
    static constexpr QChar kSeparator = QChar(u'/');

    // The text after the last separator; empty when there is none.
    [[nodiscard]] static QString LastComponent(const QString& path);
    // The text before the last separator ("" for "/x", empty for "x").
    [[nodiscard]] static QString ParentOf(const QString& path);
    [[nodiscard]] static bool HasSeparator(const QString& path);
    // Whether `name` can be one file's name here, reaching nothing but that
    // file: not empty, not "." or "..", no separator and no NUL; on Windows
    // also none of the characters the system reads otherwise (a backslash, a
    // drive's colon, wildcards), no trailing dot or space, and no device
    // name such as "CON" or "com1.txt".
    [[nodiscard]] static bool IsPlainName(const QString& name);
    // Joins with exactly one separator between the parts.
    [[nodiscard]] static QString Join(const QString& folder, const QString& name);
    // Bytes for the system calls (UTF-8 on Linux).
    [[nodiscard]] static QByteArray Encode(const QString& path);
    // Decodes a name read from the file system. `ok` is false when the bytes
    // are not valid UTF-8: such a name cannot be kept faithfully.
    [[nodiscard]] static QString Decode(const QByteArray& bytes, bool* ok = nullptr);
};

}  // namespace nbr
