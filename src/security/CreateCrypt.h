#pragma once
// Creation of cipher engines, and a smart pointer that releases them.

#include "security/ICrypt.h"

#include <memory>

namespace nbr {

// A new engine for `algorithm`, handed out holding one reference.
[[nodiscard]] Status CreateCrypt(std::int32_t algorithm, ICrypt** engine);

struct CryptReleaser {
    void operator()(ICrypt* engine) const
    {
        if (engine)
            engine->Release();
    }
};
using CryptPtr = std::unique_ptr<ICrypt, CryptReleaser>;

// CreateCrypt for callers that prefer ownership in a smart pointer.
[[nodiscard]] Status CreateCrypt(std::int32_t algorithm, CryptPtr* engine);

}  // namespace nbr
