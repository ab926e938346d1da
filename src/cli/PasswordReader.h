#pragma once
// Where nimbra-cli takes a password from: never the command line. A file
// named with --password-file (its first line), else the terminal without
// echo, else the first line of standard input. A line is at most kMaxBytes
// long; a source that gives no line (a device, a FIFO nobody writes to) is
// an error, never a wait without end.

#include "platform/Status.h"
#include "security/LockedMemory.h"

#include <QString>

namespace nbr::cli {

class PasswordReader {
public:
    static constexpr std::size_t kMaxBytes = 4096;

    // `prompt` is shown only when the source is a terminal. The password's
    // UTF-8 bytes end up in `password` (locked memory, as is the line read);
    // S_FALSE when no line was there to read; the failures of SecretSource
    // for sources that give no line.
    [[nodiscard]] static Status Read(const QString& passwordFile, const QString& prompt,
                                     LockedByteBlock* password);
};

}  // namespace nbr::cli
