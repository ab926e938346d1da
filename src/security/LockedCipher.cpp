#include "security/LockedCipher.h"

#include <cryptopp/cpu.h>
#include <cryptopp/misc.h>

#include <cstring>

namespace nbr::detail {

template <class Block>
void ArenaLoan<Block>::Lend(Block& block)
{
    const std::size_t bytes = block.SizeInBytes();
    if (lent_ || bytes == 0)
        return;
    void* copy = LockedArena::Allocate(bytes);
    if (!copy)
        throw std::bad_alloc();
    std::memcpy(copy, block.BytePtr(), bytes);
    CryptoPP::SecureWipeBuffer(block.BytePtr(), bytes);
    // This (empty) block takes the copy, then trades places with `block`.
    this->m_ptr = static_cast<typename Block::value_type*>(copy);
    this->m_size = block.size();
    block.swap(*this);
    lent_ = true;
}

template <class Block>
void ArenaLoan<Block>::Return(Block& block)
{
    if (!lent_)
        return;
    block.swap(*this);
    LockedArena::Free(this->m_ptr);
    this->m_ptr = nullptr;
    this->m_size = 0;
    lent_ = false;
}

template class ArenaLoan<Schedule>;
template class ArenaLoan<CryptoPP::SecByteBlock>;

bool WorkAreaTakesKeys()
{
#if CRYPTOPP_BOOL_X64 || CRYPTOPP_BOOL_X32 || CRYPTOPP_BOOL_X86
    static const bool takes = !(CryptoPP::HasAESNI() && CryptoPP::HasSSE41());
    return takes;
#else
    return false;
#endif
}

}  // namespace nbr::detail
