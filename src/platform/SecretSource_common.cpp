#include "platform/SecretSource.h"

#include "platform/Terminal.h"

#include <algorithm>

// The line rules, the same on every system; how a byte is read (and what
// a source may be) is each system's own: SecretSource.cpp, SecretSource_win.cpp.
namespace nbr {

Status SecretSource::UseStandardInput()
{
    fd_ = Terminal::kInput;
    own_ = false;
    return Classify();
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
            break;  // a last line without its line end
        if (s == S_OK && c == '\n')
            break;
        if (s == S_OK && *length == capacity)
            s = kLineTooLong;
        if (s != S_OK) {
            // No part of a secret is handed out with a failure.
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
