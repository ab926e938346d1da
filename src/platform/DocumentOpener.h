#pragma once
// Hands a file or an address to the program the desktop gives it, as a
// double click in a file manager does: the program lives on by itself, and
// nobody waits for it.

#include <QString>

namespace nbr {

class DocumentOpener {
public:
    enum class Result { Opened, NoProgram, Failed };
    [[nodiscard]] static Result Open(const QString& target);
    // Opens `target` in the desktop program `programId` (a desktop entry).
    [[nodiscard]] static Result OpenWith(const QString& programId, const QString& target);
};

}  // namespace nbr
