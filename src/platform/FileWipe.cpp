#include "platform/FileWipe.h"

#include "platform/FaultInjection.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace nbr {
namespace {

constexpr std::size_t kZeroPiece = 1 << 20;

int OpenForWriting(int folder, const char* name)
{
    return ::openat(folder, name, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
}

// The file is deleted next anyway: its read-only mode need not come back.
void MakeWritable(int folder, const char* name)
{
    const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        (void)::fchmod(fd, (st.st_mode & 07777) | S_IWUSR);
    ::close(fd);
}

}  // namespace

bool FileWipe::ZeroAt(int folder, const char* name)
{
    if (!FaultInjection::BeforeChange("write"))
        return false;
    int fd = OpenForWriting(folder, name);
    if (fd < 0 && errno == EACCES) {
        MakeWritable(folder, name);
        fd = OpenForWriting(folder, name);
    }
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    const auto size = ok ? static_cast<std::uint64_t>(st.st_size) : 0;
    const std::vector<char> zeros(static_cast<std::size_t>(std::min<std::uint64_t>(size, kZeroPiece)), 0);
    std::uint64_t written = 0;
    while (ok && written < size) {
        const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(size - written, kZeroPiece));
        const ssize_t n = ::pwrite(fd, zeros.data(), piece, static_cast<off_t>(written));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            written += static_cast<std::uint64_t>(n);
    }
    ok = ok && FaultInjection::BeforeChange("sync") && ::fdatasync(fd) == 0;
    const int err = errno;
    const bool closed = ::close(fd) == 0;
    if (!ok)
        errno = err;  // the failure's own reason, not the close's
    return ok && closed;
}

}  // namespace nbr
