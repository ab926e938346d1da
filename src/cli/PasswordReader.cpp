#include "cli/PasswordReader.h"

#include "platform/SecretSource.h"

#include <cstdio>

namespace nbr::cli {

Status PasswordReader::Read(const QString& passwordFile, const QString& prompt, CryptoPP::SecByteBlock* password)
{
    SecretSource source;
    const Status opened = passwordFile.isEmpty() ? source.UseStandardInput() : source.Open(passwordFile);
    if (Failed(opened))
        return opened;
    if (source.IsTerminal()) {  // also a terminal named with --password-file
        std::fputs(prompt.toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
    }

    CryptoPP::SecByteBlock buffer(kMaxBytes);
    std::size_t length = 0;
    const Status s = source.ReadLine(buffer.data(), buffer.size(), &length);
    if (s == S_OK)
        password->Assign(buffer.data(), length);
    return s;
}

}  // namespace nbr::cli
