#include "cli/PasswordReader.h"

#include "platform/NativePath.h"
#include "platform/SystemError.h"
#include "platform/Terminal.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace nbr::cli {

Status PasswordReader::Read(const QString& passwordFile, const QString& prompt, CryptoPP::SecByteBlock* password)
{
    int fd = STDIN_FILENO;
    bool ownFd = false;
    if (!passwordFile.isEmpty()) {
        fd = ::open(NativePath::Encode(passwordFile).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return SystemError::Last(passwordFile);
        ownFd = true;
    } else if (Terminal::IsTerminal(STDIN_FILENO)) {
        std::fputs(prompt.toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
    }

    CryptoPP::SecByteBlock buffer(kMaxBytes);
    std::size_t length = 0;
    const Status s = Terminal::ReadSecretLine(fd, buffer.data(), buffer.size(), &length);
    if (ownFd)
        ::close(fd);
    if (s == S_OK)
        password->Assign(buffer.data(), length);
    return s;
}

}  // namespace nbr::cli
