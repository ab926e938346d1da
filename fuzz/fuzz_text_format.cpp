// The placeholders of a pack's text: a translator's (or an attacker's) text
// is formatted with the program's arguments.

#include "TextFormatCheck.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    nbr::fuzz::CheckFormatText(QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    return 0;
}
