#pragma once
// Creation of cipher engines, and the smart pointers that own them.

#include "security/CryptBase.h"

#include <memory>

namespace nbr {

class SecParams;

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

// An engine with the whole-file operations (the transforms, the check of a
// stored file, the decryption into a sink).
using FileCryptPtr = std::unique_ptr<CryptBase, CryptReleaser>;

// The engine every worker and store operation uses: AES-256 keyed with the
// master key of `keys`. Each thread makes its own; the key does not change
// while they run.
[[nodiscard]] Status CreateKeyedCrypt(const SecParams& keys, FileCryptPtr* engine);

}  // namespace nbr
