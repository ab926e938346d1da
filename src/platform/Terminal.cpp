#include "platform/Terminal.h"

#include "platform/SystemError.h"

#include <cerrno>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace nbr {

static_assert(Terminal::kInput == STDIN_FILENO && Terminal::kOutput == STDOUT_FILENO
              && Terminal::kError == STDERR_FILENO);

bool Terminal::IsTerminal(int fd)
{
    return ::isatty(fd) == 1;
}

Status Terminal::ReadSecretLine(int fd, std::uint8_t* buffer, std::size_t capacity, std::size_t* length)
{
    *length = 0;
    termios saved {};
    const bool tty = ::tcgetattr(fd, &saved) == 0;
    if (tty) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(fd, TCSANOW, &quiet);  // keep what was typed ahead
    }

    Status status = S_OK;
    bool sawAny = false;
    bool overflow = false;
    for (;;) {
        std::uint8_t c = 0;
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            status = SystemError::Last();
            break;
        }
        if (n == 0) {
            if (!sawAny)
                status = S_FALSE;
            break;
        }
        sawAny = true;
        if (c == '\n')
            break;
        if (*length < capacity)
            buffer[(*length)++] = c;
        else
            overflow = true;
        c = 0;
    }
    if (*length > 0 && buffer[*length - 1] == '\r')
        buffer[--*length] = 0;
    if (tty)
        ::tcsetattr(fd, TCSANOW, &saved);
    if (overflow && Succeeded(status))
        status = E_INVALIDARG;
    return status;
}

int Terminal::Columns(int fd)
{
    winsize ws {};
    if (::ioctl(fd, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0)
        return ws.ws_col;
    return 80;
}

}  // namespace nbr
