#include "security/CreateCrypt.h"

#include "security/CryptoPP_AES256.h"

#include <new>

namespace nbr {

Status CreateCrypt(std::int32_t algorithm, ICrypt** engine)
{
    if (!engine)
        return E_INVALIDARG;
    *engine = nullptr;
    if (algorithm != CryptAlgorithmAes256 && algorithm != CryptAlgorithmAes128)
        return E_UNEXPECTED;
    auto* created = new (std::nothrow) CryptoPP_AES256;
    if (!created)
        return E_OUTOFMEMORY;
    created->AddRef();
    const Status s = created->SetAlgorithm(algorithm);
    if (Failed(s)) {
        created->Release();
        return s;
    }
    *engine = created;
    return S_OK;
}

Status CreateCrypt(std::int32_t algorithm, CryptPtr* engine)
{
    if (!engine)
        return E_INVALIDARG;
    ICrypt* raw = nullptr;
    const Status s = CreateCrypt(algorithm, &raw);
    engine->reset(raw);
    return s;
}

}  // namespace nbr
