#include "platform/Terminal.h"

#include "platform/SystemError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace nbr {

static_assert(Terminal::kInput == STDIN_FILENO && Terminal::kOutput == STDOUT_FILENO
              && Terminal::kError == STDERR_FILENO);

namespace {

Status ReadByte(int fd, std::uint8_t* piece, std::size_t* count)
{
    ssize_t n;
    do {
        n = ::read(fd, piece, 1);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return SystemError::Last();
    *count = static_cast<std::size_t>(n);
    return n == 0 ? S_FALSE : S_OK;
}

}  // namespace

void Terminal::HoldStandardStreams()
{
    for (int fd = kInput; fd <= kError; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // Opened the other way round from the stream's use, so that a read
        // or write there fails as on the closed stream (and is reported as
        // such) instead of vanishing into the null device. The lowest free
        // number is `fd` itself, the lower ones being open by now.
        const int held = ::open("/dev/null", fd == kInput ? O_WRONLY : O_RDONLY);
        if (held >= 0 && held != fd)
            ::close(held);
    }
}

bool Terminal::IsTerminal(int fd)
{
    return ::isatty(fd) == 1;
}

Status Terminal::ReadSecretLine(int fd, std::uint8_t* buffer, std::size_t capacity, std::size_t* length)
{
    termios saved {};
    const bool tty = ::tcgetattr(fd, &saved) == 0;
    if (tty) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(fd, TCSANOW, &quiet);  // keep what was typed ahead
    }
    const Status status = ReadAnswerLine(fd, buffer, capacity, length);
    if (tty)
        ::tcsetattr(fd, TCSANOW, &saved);
    return status;
}

Status Terminal::ReadAnswerLine(int fd, std::uint8_t* buffer, std::size_t capacity, std::size_t* length)
{
    return CollectLine([fd](std::uint8_t* piece, std::size_t* count) { return ReadByte(fd, piece, count); }, buffer,
                       capacity, length);
}

bool Terminal::WaitForEnter(int fd, const std::atomic<bool>& stop)
{
    // A plain blocking read would outlast Ctrl+C: the interrupt's handler
    // lets an interrupted read start again, and only a second Ctrl+C, which
    // ends the program where it stands, would get out of it. The wait goes
    // in short turns that look at the flag (the signal may reach another
    // thread and leave this one asleep).
    for (;;) {
        if (stop.load())
            return false;
        pollfd watched {fd, POLLIN, 0};
        const int ready = ::poll(&watched, 1, 200);
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready <= 0)
            continue;
        char piece[256];
        const ssize_t n = ::read(fd, piece, sizeof piece);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        if (std::memchr(piece, '\n', static_cast<std::size_t>(n)))
            return !stop.load();
    }
}

int Terminal::Columns(int fd)
{
    winsize ws {};
    if (::ioctl(fd, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0)
        return ws.ws_col;
    return 80;
}

void Terminal::SetBinary(int /*fd*/)
{
    // The streams carry bytes as they are here.
}

Terminal::ConsoleOutput::ConsoleOutput() = default;

Terminal::ConsoleOutput::~ConsoleOutput() = default;

}  // namespace nbr
