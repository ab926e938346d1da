#include "platform/Terminal.h"

#include <windows.h>

#include <cstdio>
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

void Terminal::HoldStandardStreams()
{
    // Files here are system handles, never the C runtime's lowest free
    // descriptor: nothing opened later can become a standard stream.
}

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
    const Status status = ReadAnswerLine(fd, buffer, capacity, length);
    if (console) {
        ::SetConsoleMode(h, saved);
        DWORD written = 0;
        ::WriteConsoleW(::GetStdHandle(STD_ERROR_HANDLE), L"\r\n", 2, &written, nullptr);
    }
    return status;
}

Status Terminal::ReadAnswerLine(int fd, std::uint8_t* buffer, std::size_t capacity, std::size_t* length)
{
    HANDLE h = Os(fd);
    DWORD mode = 0;
    const bool console = ::GetConsoleMode(h, &mode) != 0;
    return CollectLine(
        [h, console](std::uint8_t* piece, std::size_t* count) {
            return console ? ReadTyped(h, piece, kPieceBytes, count) : ReadByte(h, piece, count);
        },
        buffer, capacity, length);
}

bool Terminal::WaitForEnter(int fd, const std::atomic<bool>& stop)
{
    // One line read as an answer is; a line too long for the piece still
    // ends the wait. Unlike a read on a terminal elsewhere, a console read
    // does not outlast Ctrl+C: it comes back with nothing read, as at the end
    // of input, while the handler raises the flag on its own thread.
    std::uint8_t line[64];
    std::size_t length = 0;
    const Status s = ReadAnswerLine(fd, line, sizeof line, &length);
    return (s == S_OK || s == E_INVALIDARG) && !stop.load();
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

Terminal::ConsoleOutput::ConsoleOutput()
{
    const int streams[2] = {kOutput, kError};
    for (int i = 0; i < 2; ++i) {
        DWORD mode = 0;
        HANDLE h = Os(streams[i]);
        console_[i] = ::GetConsoleMode(h, &mode) != 0;
        if (!console_[i])
            continue;
        modes_[i] = mode;
        // Consoles before Windows 10 refuse the sequences: they keep their mode.
        ::SetConsoleMode(h, mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
        // A console decodes each write on its own, so a character of several
        // bytes must reach it whole: the stream is buffered (the C library
        // writes an unbuffered one byte by byte) and in binary mode (in text
        // mode it takes each byte for a character of the ANSI code page).
        // The console itself starts a new line at "\n".
        std::FILE* stream = streams[i] == kOutput ? stdout : stderr;
        std::fflush(stream);
        ::_setmode(streams[i], _O_BINARY);
        std::setvbuf(stream, nullptr, _IOFBF, 1 << 16);
    }
    if (console_[0] || console_[1]) {
        codePage_ = ::GetConsoleOutputCP();
        if (codePage_ == CP_UTF8 || !::SetConsoleOutputCP(CP_UTF8))
            codePage_ = 0;
    }
}

Terminal::ConsoleOutput::~ConsoleOutput()
{
    std::fflush(stdout);
    std::fflush(stderr);
    const int streams[2] = {kOutput, kError};
    for (int i = 0; i < 2; ++i) {
        if (!console_[i])
            continue;
        ::_setmode(streams[i], _O_TEXT);
        ::SetConsoleMode(Os(streams[i]), modes_[i]);
    }
    if (codePage_ != 0)
        ::SetConsoleOutputCP(codePage_);
}

}  // namespace nbr
