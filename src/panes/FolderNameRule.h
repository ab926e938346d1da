#pragma once
// The name of a new folder as the user types it: the characters no file
// system of the stick's kind takes in a name are dropped as they come, and
// blanks around it do not count. A longer name than the store takes is
// refused with the limit, never cut.

#include "store/EncryptedStore.h"

#include <QString>

namespace nbr {

class FolderNameRule {
public:
    static constexpr int kMaxLength = EncryptedStore::kMaxNameLength;
    static constexpr char kForbidden[] = "/\\:*?\"<>|";

    // `text` without the forbidden characters.
    [[nodiscard]] static QString Strip(const QString& text);
    // The name to create: `text` stripped, blanks trimmed. Empty: create
    // nothing; longer than kMaxLength: refuse it (TooLong).
    [[nodiscard]] static QString Final(const QString& text);
    [[nodiscard]] static bool TooLong(const QString& name) { return name.size() > kMaxLength; }
};

}  // namespace nbr
