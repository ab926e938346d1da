#pragma once
// Names from the store reach the terminal: a crafted list could hold escape
// sequences that rewrite the screen, or line breaks that fake output. What
// the terminal would act on is shown as an escape instead.

#include <QString>

namespace nbr::cli {

class TerminalText {
public:
    // Whether the terminal could act on `c` (controls, bidirectional
    // overrides, line separators, halves of a character).
    [[nodiscard]] static bool IsUnsafe(char16_t c);
    // `name` as it is when nothing in it is unsafe and it holds no "$'";
    // else in the shell's $'...' quoting, which reads back as the same name
    // when pasted.
    [[nodiscard]] static QString Quote(const QString& name);
    // A message with names in it: line breaks stay, everything else unsafe
    // is written as an escape.
    [[nodiscard]] static QString Visible(const QString& text);
};

}  // namespace nbr::cli
