#include "platform/Terminal.h"

#include <windows.h>

#include <io.h>

// The console. A secret is read from the console input with echo off; a
// redirected stream is read as bytes.
namespace nbr {
namespace {

HANDLE Os(int fd)
{
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

}  // namespace

bool Terminal::IsTerminal(int fd)
{
    DWORD mode = 0;
    return ::GetConsoleMode(Os(fd), &mode) != 0;
}

Status Terminal::ReadSecretLine(int fd, std::uint8_t* buffer, std::size_t capacity, std::size_t* length)
{
    *length = 0;
    HANDLE h = Os(fd);
    DWORD saved = 0;
    const bool console = ::GetConsoleMode(h, &saved) != 0;
    if (console)
        ::SetConsoleMode(h, (saved | ENABLE_LINE_INPUT) & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    Status status = S_OK;
    bool sawAny = false;
    bool overflow = false;
    for (;;) {
        std::uint8_t c = 0;
        DWORD n = 0;
        BOOL read = FALSE;
        if (console) {
            // The console's wide characters, as UTF-8 bytes.
            wchar_t w[2] = {};
            read = ::ReadConsoleW(h, w, 1, &n, nullptr);
            if (read && n == 1) {
                char bytes[8] = {};
                const int count = ::WideCharToMultiByte(CP_UTF8, 0, w, 1, bytes, sizeof bytes, nullptr, nullptr);
                for (int i = 0; i < count; ++i) {
                    if (*length < capacity)
                        buffer[(*length)++] = static_cast<std::uint8_t>(bytes[i]);
                    else
                        overflow = true;
                }
                ::SecureZeroMemory(bytes, sizeof bytes);
                sawAny = true;
                const bool end = w[0] == L'\n';
                ::SecureZeroMemory(w, sizeof w);
                if (end) {
                    --*length;
                    break;
                }
                continue;
            }
        } else {
            read = ::ReadFile(h, &c, 1, &n, nullptr);
        }
        if (!read) {
            if (::GetLastError() == ERROR_BROKEN_PIPE) {
                if (!sawAny)
                    status = S_FALSE;
                break;
            }
            status = StatusFromWin32(::GetLastError());
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
    }
    if (*length > 0 && buffer[*length - 1] == '\r')
        buffer[--*length] = 0;
    if (console) {
        ::SetConsoleMode(h, saved);
        DWORD written = 0;
        ::WriteConsoleW(::GetStdHandle(STD_ERROR_HANDLE), L"\r\n", 2, &written, nullptr);
    }
    if (overflow && Succeeded(status))
        status = E_INVALIDARG;
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

}  // namespace nbr
