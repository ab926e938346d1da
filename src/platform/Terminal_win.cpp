#include "platform/Terminal.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

// The console. A secret is read from the console input with echo off; a
// redirected stream is read as bytes.
namespace nbr {
namespace {

HANDLE Os(int fd)
{
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

// The end of input (a closed pipe) or the failure that stopped a read.
Status Stopped()
{
    const DWORD error = ::GetLastError();
    return error == ERROR_BROKEN_PIPE ? S_FALSE : StatusFromWin32(error);
}

// One typed character: the console's wide character as UTF-8 bytes.
Status ReadTyped(HANDLE h, std::uint8_t* piece, std::size_t room, std::size_t* count)
{
    wchar_t w[2] = {};
    DWORD n = 0;
    if (!::ReadConsoleW(h, w, 1, &n, nullptr))
        return Stopped();
    if (n == 0)
        return S_FALSE;
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, w, 1, reinterpret_cast<char*>(piece), static_cast<int>(room),
                                            nullptr, nullptr);
    ::SecureZeroMemory(w, sizeof w);
    *count = bytes > 0 ? static_cast<std::size_t>(bytes) : 0;
    return S_OK;
}

// A redirected stream, byte by byte.
Status ReadByte(HANDLE h, std::uint8_t* piece, std::size_t* count)
{
    DWORD n = 0;
    if (!::ReadFile(h, piece, 1, &n, nullptr))
        return Stopped();
    *count = n;
    return n == 0 ? S_FALSE : S_OK;
}

}  // namespace

bool Terminal::IsTerminal(int fd)
{
    DWORD mode = 0;
    return ::GetConsoleMode(Os(fd), &mode) != 0;
}

Status Terminal::ReadSecretLine(int fd, std::uint8_t* buffer, std::size_t capacity, std::size_t* length)
{
    HANDLE h = Os(fd);
    DWORD saved = 0;
    const bool console = ::GetConsoleMode(h, &saved) != 0;
    if (console)
        ::SetConsoleMode(h, (saved | ENABLE_LINE_INPUT) & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    const Status status = CollectLine(
        [h, console](std::uint8_t* piece, std::size_t* count) {
            return console ? ReadTyped(h, piece, kPieceBytes, count) : ReadByte(h, piece, count);
        },
        buffer, capacity, length);
    if (console) {
        ::SetConsoleMode(h, saved);
        DWORD written = 0;
        ::WriteConsoleW(::GetStdHandle(STD_ERROR_HANDLE), L"\r\n", 2, &written, nullptr);
    }
    return status;
}

int Terminal::Columns(int fd)
{
    CONSOLE_SCREEN_BUFFER_INFO info {};
    if (!::GetConsoleScreenBufferInfo(Os(fd), &info))
        return 80;
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    return columns > 0 ? columns : 80;
}

void Terminal::SetBinary(int fd)
{
    ::_setmode(fd, _O_BINARY);
}

}  // namespace nbr
