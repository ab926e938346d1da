#pragma once
// Readable texts for status codes, as nimbra-cli prints them.

#include "platform/Status.h"

#include <QString>

namespace nbr::cli {

class CliText {
public:
    [[nodiscard]] static QString StatusText(Status status);
};

}  // namespace nbr::cli
