#pragma once
// Runs library work and turns its exceptions into status codes, so that no
// exception leaves the security layer.

#include "platform/Status.h"

#include <cryptopp/cryptlib.h>

#include <new>

namespace nbr {

template <typename Work>
[[nodiscard]] Status CryptoGuarded(Work work)
{
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const CryptoPP::Exception&) {
        return E_FAIL;
    }
}

}  // namespace nbr
