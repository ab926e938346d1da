#pragma once
// Where a password is read from when nobody types it at a prompt: a file, a
// pipe or FIFO, a socket or a terminal. One line of bounded length is read,
// and a source that would never end a line (a device such as /dev/zero) or
// never be written to (a FIFO nobody opens) ends in an error instead of a
// program that spins or hangs.

#include "platform/Status.h"

#include <QString>

#include <cstddef>
#include <cstdint>

namespace nbr {

class SecretSource {
public:
    // Not a regular file, FIFO, socket or terminal.
    static constexpr Status kNotALineSource = MakeStatus(0x8004C0E1u);
    // No line end within the capacity the caller gave.
    static constexpr Status kLineTooLong = MakeStatus(0x8004C0E2u);
    // A FIFO that no writer opened in time (its text says 30 seconds).
    static constexpr Status kNoWriter = MakeStatus(0x8004C0E3u);
    static constexpr int kDefaultWriterWaitMs = 30000;

    SecretSource() = default;
    ~SecretSource();
    SecretSource(const SecretSource&) = delete;
    SecretSource& operator=(const SecretSource&) = delete;

    // Opens a named source without waiting for a FIFO's writer.
    [[nodiscard]] Status Open(const QString& path);
    // Standard input, which stays open afterwards.
    [[nodiscard]] Status UseStandardInput();
    [[nodiscard]] bool IsTerminal() const { return terminal_; }
    // How long a FIFO without a writer is waited for.
    void SetWriterWait(int milliseconds) { writerWaitMs_ = milliseconds; }

    // Reads one line into `buffer` without its line end (nor a "\r" before
    // it). At most `capacity` bytes are taken; a longer line is kLineTooLong
    // and the rest stays unread. End of input before any byte gives S_FALSE.
    // On a failure `length` is 0 and what was read is cleared.
    // Never reads past the line end, so that the next line stays for the
    // next read. A terminal does not echo what is typed.
    [[nodiscard]] Status ReadLine(std::uint8_t* buffer, std::size_t capacity, std::size_t* length);

private:
    [[nodiscard]] Status Classify();
    // One byte: S_OK, S_FALSE at the end, or a failure.
    [[nodiscard]] Status ReadByte(std::uint8_t* byte, bool* sawWriter);

    int fd_ = -1;
    bool own_ = false;
    bool terminal_ = false;
    bool fifo_ = false;       // opened here without blocking: a writer may be missing
    bool stream_ = false;     // pipe, FIFO or socket: wait for data before reading
    int writerWaitMs_ = kDefaultWriterWaitMs;
};

}  // namespace nbr
