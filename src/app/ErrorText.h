#pragma once
// Turns a status code into the text the user reads: the program's own codes
// through their language-pack texts, system errors through the operating
// system's own message.

#include "app/TextFormatter.h"
#include "platform/Status.h"

#include <QString>

namespace nbr {

class LanguageManager;

class ErrorText {
public:
    // The text number of one of the program's own codes, 0 when it has none.
    [[nodiscard]] static int MessageIdOf(Status code);
    // The program's own codes are those of facility 4.
    [[nodiscard]] static bool IsOwnCode(Status code);
    // "System (0x%08X): %s" for a Windows error number.
    [[nodiscard]] static QString SystemLine(std::uint32_t error);
};

// The error text of `code`, its own text formatted with `args`.
[[nodiscard]] QString FormatErrorText(const LanguageManager& languages, Status code,
                                      std::initializer_list<TextArg> args = {});

}  // namespace nbr
