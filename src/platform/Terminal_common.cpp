#include "platform/Terminal.h"

namespace nbr {
namespace {

// What was typed is not left behind on the stack.
void Forget(std::uint8_t* bytes, std::size_t size)
{
    volatile std::uint8_t* at = bytes;
    while (size-- > 0)
        *at++ = 0;
}

}  // namespace

Status Terminal::CollectLine(const PieceReader& read, std::uint8_t* buffer, std::size_t capacity, std::size_t* length)
{
    *length = 0;
    Status status = S_OK;
    bool sawAny = false;
    bool overflow = false;
    bool ended = false;
    while (!ended) {
        std::uint8_t piece[kPieceBytes] = {};
        std::size_t count = 0;
        status = read(piece, &count);
        if (status != S_OK) {
            // A last line without its line end is a line.
            if (status == S_FALSE && sawAny)
                status = S_OK;
            break;
        }
        sawAny = true;
        for (std::size_t i = 0; i < count && !ended; ++i) {
            if (piece[i] == '\n')
                ended = true;
            else if (*length < capacity)
                buffer[(*length)++] = piece[i];
            else
                overflow = true;
        }
        Forget(piece, sizeof piece);
    }
    if (*length > 0 && buffer[*length - 1] == '\r')
        buffer[--*length] = 0;
    if (overflow && Succeeded(status))
        status = E_INVALIDARG;
    return status;
}

}  // namespace nbr
