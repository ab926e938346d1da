#include "platform/SecretSource.h"

#include "platform/NativePath.h"
#include "platform/SystemError.h"
#include "platform/Terminal.h"

#include <QElapsedTimer>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nbr {
namespace {

// How often a FIFO without a writer is looked at again: a writer that
// opens it without writing yet raises no event.
constexpr int kWriterPollMs = 50;

}  // namespace

SecretSource::~SecretSource()
{
    if (own_ && fd_ >= 0)
        ::close(fd_);
}

Status SecretSource::Open(const QString& path)
{
    // Without O_NONBLOCK, opening a FIFO waits for a writer, for ever.
    fd_ = ::open(NativePath::Encode(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd_ < 0)
        return SystemError::Last(path);
    own_ = true;
    return Classify();
}

Status SecretSource::Classify()
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return SystemError::Last();
    terminal_ = Terminal::IsTerminal(fd_);
    stream_ = S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode);
    fifo_ = own_ && S_ISFIFO(st.st_mode);
    if (!S_ISREG(st.st_mode) && !stream_ && !terminal_)
        return kNotALineSource;
    if (own_ && !fifo_) {
        // Only the FIFO needs the open without blocking; the rest reads as usual.
        const int flags = ::fcntl(fd_, F_GETFL);
        if (flags >= 0)
            (void)::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
    }
    return S_OK;
}

Status SecretSource::ReadByte(std::uint8_t* byte, bool* sawWriter)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (stream_) {
            // Standard input is shared with other processes and stays
            // blocking: wait until a read cannot block.
            pollfd p {fd_, POLLIN, 0};
            const int timeout = fifo_ && !*sawWriter ? kWriterPollMs : -1;
            const int ready = ::poll(&p, 1, timeout);
            if (ready < 0 && errno != EINTR)
                return SystemError::Last();
            if (ready <= 0 && !fifo_)
                continue;
        }
        const ssize_t n = ::read(fd_, byte, 1);
        if (n == 1) {
            *sawWriter = true;
            return S_OK;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            *sawWriter = true;  // a writer holds the FIFO open: wait for its line
            continue;
        }
        if (n < 0)
            return SystemError::Last();
        // No writer on a FIFO that never had one: wait a while for it.
        if (fifo_ && !*sawWriter) {
            if (waited.elapsed() >= writerWaitMs_)
                return kNoWriter;
            continue;
        }
        return S_FALSE;
    }
}

}  // namespace nbr
