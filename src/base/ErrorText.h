#pragma once
// Turns a status code into the text the user reads: the program's own codes
// through their language-pack texts, system errors through the packs' texts
// for the error numbers the platform reports. The process's locale never
// decides: after a change of language the system texts follow the new one,
// and a language without a pack reads English.

#include "base/TextFormatter.h"
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
    // The text number of a system error number, 0 when the packs have none.
    [[nodiscard]] static int SystemMessageIdOf(std::uint32_t error);
    // "System (0x%08X): %s" for a Windows error number, in the current
    // language of `languages`; English without them. Empty when nothing
    // knows the number.
    [[nodiscard]] static QString SystemLine(std::uint32_t error, const LanguageManager* languages = nullptr);
};

// The error text of `code`, its own text formatted with `args`.
[[nodiscard]] QString FormatErrorText(const LanguageManager& languages, Status code,
                                      std::initializer_list<TextArg> args = {});

}  // namespace nbr
