#include "platform/SecretSource.h"

#include "platform/Terminal.h"
#include "platform/WinPath.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

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

}  // namespace nbr
