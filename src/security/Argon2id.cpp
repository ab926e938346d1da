#include "security/Argon2id.h"

#include "security/SecurityStatus.h"

#include <QThread>

#include <argon2.h>

#include <algorithm>

namespace nbr {

std::uint32_t Argon2id::ThreadsFor(std::uint32_t lanes)
{
    const int cores = std::max(1, QThread::idealThreadCount());
    return std::clamp<std::uint32_t>(static_cast<std::uint32_t>(cores), 1, std::max<std::uint32_t>(lanes, 1));
}

Status Argon2id::Hash(const Cost& cost, const std::uint8_t* password, std::size_t count, const std::uint8_t* salt,
                      std::size_t saltLength, std::uint8_t* out, std::size_t outLength, const Extra* given)
{
    const Extra extra = given ? *given : Extra {};
    // The library keeps lengths in 32 bits; nothing of ours comes near.
    if (count > 0xFFFFFFFFu || saltLength > 0xFFFFFFFFu || outLength > 0xFFFFFFFFu
        || extra.secretLength > 0xFFFFFFFFu || extra.associatedLength > 0xFFFFFFFFu)
        return E_STRETCH_FAILED;
    argon2_context context {};
    context.out = out;
    context.outlen = static_cast<std::uint32_t>(outLength);
    // Read only: without the clearing flags the library writes none of them.
    context.pwd = const_cast<std::uint8_t*>(password);
    context.pwdlen = static_cast<std::uint32_t>(count);
    context.salt = const_cast<std::uint8_t*>(salt);
    context.saltlen = static_cast<std::uint32_t>(saltLength);
    context.secret = const_cast<std::uint8_t*>(extra.secret);
    context.secretlen = static_cast<std::uint32_t>(extra.secretLength);
    context.ad = const_cast<std::uint8_t*>(extra.associated);
    context.adlen = static_cast<std::uint32_t>(extra.associatedLength);
    context.t_cost = cost.passes;
    context.m_cost = cost.memoryKiB;
    context.lanes = cost.lanes;
    context.threads = ThreadsFor(cost.lanes);
    context.version = ARGON2_VERSION_13;
    context.flags = ARGON2_DEFAULT_FLAGS;
    // The library wipes its working memory before it frees it (its default).
    switch (argon2_ctx(&context, Argon2_id)) {
    case ARGON2_OK:
        return S_OK;
    case ARGON2_MEMORY_ALLOCATION_ERROR:
    case ARGON2_THREAD_FAIL:
        return E_OUTOFMEMORY;
    default:
        return E_STRETCH_FAILED;
    }
}

}  // namespace nbr
