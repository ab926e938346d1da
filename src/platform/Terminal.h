#pragma once
// The terminal: whether a stream is one, and reading a secret line without
// echo. The caller owns the buffer, so that it can keep it in secure memory.

#include "platform/Status.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace nbr {

class Terminal {
public:
    // The process's standard streams, for callers above the platform layer.
    static constexpr int kInput = 0;
    static constexpr int kOutput = 1;
    static constexpr int kError = 2;

    // Gives each standard stream that the parent left closed a descriptor
    // that takes nothing in and gives nothing out, before anything else is
    // opened. Otherwise the next file opened (the key file, a stored file)
    // takes the lowest free number and every message, listing or prompt
    // meant for that stream is written into it. Call first in main().
    static void HoldStandardStreams();
    [[nodiscard]] static bool IsTerminal(int fd);
    // Reads one line from `fd` into `buffer` without its line end. Echo is
    // turned off while reading when `fd` is a terminal. A line longer than
    // `capacity` is read to its end and reported as E_INVALIDARG; end of input
    // before any byte gives S_FALSE.
    [[nodiscard]] static Status ReadSecretLine(int fd, std::uint8_t* buffer, std::size_t capacity,
                                               std::size_t* length);
    // The same with echo, for an answer: UTF-8 whatever the system (a
    // Windows console's characters are read as they were typed, not through
    // its code page).
    [[nodiscard]] static Status ReadAnswerLine(int fd, std::uint8_t* buffer, std::size_t capacity,
                                               std::size_t* length);
    // Waits until the person ends a line on `fd` (what it holds is dropped)
    // or until `stop` is raised (Ctrl+C). True for a line; false for a stop,
    // the end of input or a failure.
    [[nodiscard]] static bool WaitForEnter(int fd, const std::atomic<bool>& stop);
    // Columns of the terminal on `fd`, 80 when unknown.
    [[nodiscard]] static int Columns(int fd);
    // The C library's stream on `fd` passes bytes on as they are. Windows
    // opens the standard streams in text mode, which turns every "\n" into
    // "\r\n": right for lines of text, ruinous for a decrypted file.
    static void SetBinary(int fd);

    // While it lives, a Windows console takes what the program writes to
    // standard output and error as UTF-8, the encoding of all its output, and
    // acts on the control sequences of the progress line instead of showing
    // them; the console's code page and modes are given back at its end. A
    // terminal on Linux takes the bytes as they come: nothing to do there.
    class ConsoleOutput {
    public:
        ConsoleOutput();
        ~ConsoleOutput();
        ConsoleOutput(const ConsoleOutput&) = delete;
        ConsoleOutput& operator=(const ConsoleOutput&) = delete;

    private:
        unsigned codePage_ = 0;  // 0: no console was changed
        unsigned long modes_[2] = {};
        bool console_[2] = {};
    };

private:
    // Reads the next piece of a line, a byte or the UTF-8 of one typed
    // character, into `piece` (room for kPieceBytes): S_OK with `count`
    // bytes, S_FALSE at the end of input, or a failure.
    static constexpr std::size_t kPieceBytes = 8;
    using PieceReader = std::function<Status(std::uint8_t* piece, std::size_t* count)>;
    // The line rules of ReadSecretLine, the same on every system; each
    // system's source turns the echo off and reads the pieces.
    [[nodiscard]] static Status CollectLine(const PieceReader& read, std::uint8_t* buffer, std::size_t capacity,
                                            std::size_t* length);
};

}  // namespace nbr
