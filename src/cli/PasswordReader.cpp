#include "cli/PasswordReader.h"

#include "platform/SecretSource.h"

#include <cstdio>

namespace nbr::cli {

Status PasswordReader::Read(const QString& passwordFile, const QString& prompt, LockedByteBlock* password)
{
    SecretSource source;
    const Status opened = passwordFile.isEmpty() ? source.UseStandardInput() : source.Open(passwordFile);
    if (Failed(opened))
        return opened;
    if (source.IsTerminal()) {  // also a terminal named with --password-file
        std::fputs(prompt.toUtf8().constData(), stderr);
        std::fflush(stderr);
    }

    LockedByteBlock buffer(kMaxBytes);
    std::size_t length = 0;
    const Status s = source.ReadLine(buffer.data(), buffer.size(), &length);
    // A byte-order mark that an editor put first is no part of the password.
    std::size_t from = 0;
    if (length >= 3 && buffer[0] == 0xEF && buffer[1] == 0xBB && buffer[2] == 0xBF)
        from = 3;
    if (s == S_OK)
        password->Assign(buffer.data() + from, length - from);
    return s;
}

}  // namespace nbr::cli
