#include "platform/SecretSource.h"

#include "platform/Terminal.h"
#include "platform/WinPath.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>

// Files, pipes and the console. Windows has no FIFOs that wait for a writer
// and no endless devices reachable by path (a device path is refused), so
// only the line rules remain.
namespace nbr {

SecretSource::~SecretSource()
{
    if (own_ && fd_ >= 0)
        ::_close(fd_);
}

Status SecretSource::Open(const QString& path)
{
    HANDLE h = ::CreateFileW(WinPath::Of(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return WinPath::LastStatus();
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY);
    if (fd < 0) {
        ::CloseHandle(h);
        return StatusFromWin32(win32::kTooManyOpenFiles);
    }
    fd_ = fd;
    own_ = true;
    return Classify();
}

Status SecretSource::UseStandardInput()
{
    fd_ = 0;
    own_ = false;
    return Classify();
}

Status SecretSource::Classify()
{
    HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(fd_));
    terminal_ = Terminal::IsTerminal(fd_);
    const DWORD type = ::GetFileType(h);
    stream_ = type == FILE_TYPE_PIPE;
    if (terminal_ || type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE)
        return S_OK;
    return kNotALineSource;
}

Status SecretSource::ReadByte(std::uint8_t* byte, bool* /*sawWriter*/)
{
    DWORD n = 0;
    if (!::ReadFile(reinterpret_cast<HANDLE>(::_get_osfhandle(fd_)), byte, 1, &n, nullptr)) {
        if (::GetLastError() == ERROR_BROKEN_PIPE || ::GetLastError() == ERROR_HANDLE_EOF)
            return S_FALSE;
        return WinPath::LastStatus();
    }
    return n == 1 ? S_OK : S_FALSE;
}

Status SecretSource::ReadLine(std::uint8_t* buffer, std::size_t capacity, std::size_t* length)
{
    *length = 0;
    if (fd_ < 0)
        return E_UNEXPECTED;
    if (terminal_) {
        const Status s = Terminal::ReadSecretLine(fd_, buffer, capacity, length);
        if (s == S_OK || s == S_FALSE)
            return s;
        std::fill(buffer, buffer + capacity, std::uint8_t {0});
        *length = 0;
        return s == E_INVALIDARG ? kLineTooLong : s;
    }
    bool sawWriter = false;
    for (;;) {
        std::uint8_t c = 0;
        Status s = ReadByte(&c, &sawWriter);
        if (s == S_FALSE && *length > 0)
            break;
        if (s == S_OK && c == '\n')
            break;
        if (s == S_OK && *length == capacity)
            s = kLineTooLong;
        if (s != S_OK) {
            std::fill(buffer, buffer + *length, std::uint8_t {0});
            *length = 0;
            return s;
        }
        buffer[(*length)++] = c;
    }
    if (*length > 0 && buffer[*length - 1] == '\r')
        buffer[--*length] = 0;
    return S_OK;
}

}  // namespace nbr
