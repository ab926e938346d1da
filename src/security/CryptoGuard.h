#pragma once
// Runs library work and turns its exceptions into status codes, so that no
// exception leaves the security layer; afterwards the vector registers are
// cleared of the key bytes that copies and AES instructions leave there.

#include "platform/ProcessHardening.h"
#include "platform/Status.h"

#include <cryptopp/cryptlib.h>

#include <new>

namespace nbr {

template <typename Work>
[[nodiscard]] Status CryptoGuarded(Work work)
{
    struct Clear {
        ~Clear() { ProcessHardening::ClearVectorRegisters(); }
    } const clear;
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const CryptoPP::Exception&) {
        return E_FAIL;
    }
}

}  // namespace nbr
