#pragma once
// The name of a new folder as the user types it: the characters no file
// system of the stick's kind takes in a name are dropped as they come, the
// name is at most 255 characters, and blanks around it do not count.

#include <QString>

namespace nbr {

class FolderNameRule {
public:
    static constexpr int kMaxLength = 255;
    static constexpr char kForbidden[] = "/\\:*?\"<>|";

    // `text` without the forbidden characters.
    [[nodiscard]] static QString Strip(const QString& text);
    // The name to create: at most kMaxLength characters, never ending inside
    // a character that takes two, blanks trimmed. Empty: create nothing.
    [[nodiscard]] static QString Final(const QString& text);
};

}  // namespace nbr
