#include "security/CreateCrypt.h"

#include "security/CryptoPP_AES256.h"
#include "security/SecParams.h"

#include <new>

namespace nbr {

namespace {

// A new engine for `algorithm` holding one reference, in `engine`.
Status NewEngine(std::int32_t algorithm, FileCryptPtr* engine)
{
    engine->reset();
    if (algorithm != CryptAlgorithmAes256 && algorithm != CryptAlgorithmAes128)
        return E_UNEXPECTED;
    auto* created = new (std::nothrow) CryptoPP_AES256;
    if (!created)
        return E_OUTOFMEMORY;
    created->AddRef();
    FileCryptPtr owned(created);
    const Status s = created->SetAlgorithm(algorithm);
    if (Failed(s))
        return s;
    *engine = std::move(owned);
    return S_OK;
}

}  // namespace

Status CreateCrypt(std::int32_t algorithm, ICrypt** engine)
{
    if (!engine)
        return E_INVALIDARG;
    *engine = nullptr;
    FileCryptPtr created;
    const Status s = NewEngine(algorithm, &created);
    if (Succeeded(s))
        *engine = created.release();
    return s;
}

Status CreateKeyedCrypt(const SecParams& keys, FileCryptPtr* engine)
{
    if (!engine)
        return E_INVALIDARG;
    FileCryptPtr created;
    Status s = NewEngine(CryptAlgorithmAes256, &created);
    if (Succeeded(s))
        s = created->SetMasterKey(keys.GetMasterKey(), keys.GetMasterKeyLength());
    if (Succeeded(s))
        *engine = std::move(created);
    else
        engine->reset();
    return s;
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
