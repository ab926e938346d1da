#pragma once
// AES, and CBC over it, whose key schedule lives in the locked arena.
//
// Crypto++ 8.7 keeps Rijndael's round keys in a heap block of the cipher
// object (`m_key`, a SecBlock<word32, AllocatorWithCleanup<word32, true>>, see
// cryptopp/rijndael.h), not inside the object: building the object in locked
// pages would lock nothing of the schedule. With AES-NI the schedule's first
// words are the raw key itself. So after each keying, LockedAes moves the
// schedule into the arena (a copy there; the heap block, wiped at once, is
// held aside) and puts the heap block back, for Crypto++ to free, before the
// next keying and on destruction. The same goes for Rijndael's work area
// (`m_aliasBlock`), into which the SSE2 code of processors without AES-NI
// copies round keys.

#include "security/LockedMemory.h"

#include <cryptopp/aes.h>
#include <cryptopp/misc.h>
#include <cryptopp/modes.h>

#include <cstddef>
#include <type_traits>

namespace nbr {

namespace detail {

// Holds the heap storage of one SecBlock of a Crypto++ object while that
// block works on a copy in the arena.
template <class Block>
class ArenaLoan : public Block {
public:
    // `block` goes over to a copy of its content in the arena; its own
    // storage, wiped, waits here.
    void Lend(Block& block);
    // `block` gets its own storage back; the arena copy is wiped and freed.
    void Return(Block& block);

private:
    bool lent_ = false;
};

using Schedule = CryptoPP::SecBlock<CryptoPP::word32, CryptoPP::AllocatorWithCleanup<CryptoPP::word32, true>>;

// Whether Rijndael's SSE2 code, which copies round keys into the work area,
// runs on this processor (it does where AES-NI or SSE4.1 is missing).
[[nodiscard]] bool WorkAreaTakesKeys();

}  // namespace detail

// CryptoPP::AES::Encryption or ::Decryption with the schedule in the arena.
// No copies: Clone throws.
template <class Cipher>
class LockedAes final : public Cipher {
public:
    LockedAes() = default;
    LockedAes(const CryptoPP::byte* key, std::size_t length) { this->SetKey(key, length); }
    ~LockedAes() override { ReturnAll(); }
    LockedAes(const LockedAes&) = delete;
    LockedAes& operator=(const LockedAes&) = delete;

    void UncheckedSetKey(const CryptoPP::byte* key, unsigned int length,
                         const CryptoPP::NameValuePairs& params) override
    {
        ReturnAll();
        Cipher::UncheckedSetKey(key, length, params);
        try {
            schedule_.Lend(this->m_key);
            if (detail::WorkAreaTakesKeys())
                workArea_.Lend(this->m_aliasBlock);
        } catch (...) {
            // No arena to be had: the object is thrown away keyless.
            ReturnAll();
            CryptoPP::SecureWipeBuffer(this->m_key.data(), this->m_key.size());
            throw;
        }
    }
    [[nodiscard]] CryptoPP::Clonable* Clone() const override
    {
        throw CryptoPP::NotImplemented("LockedAes: a copy would hold its key schedule outside the arena");
    }

    // Where the round keys are, for the tests that check their pages.
    [[nodiscard]] const void* ScheduleData() const { return this->m_key.data(); }
    [[nodiscard]] std::size_t ScheduleSize() const { return this->m_key.SizeInBytes(); }

private:
    void ReturnAll()
    {
        static_assert(std::is_same_v<decltype(this->m_key), detail::Schedule>,
                      "Crypto++'s Rijndael keeps its schedule in another type: check rijndael.h");
        static_assert(std::is_same_v<decltype(this->m_aliasBlock), CryptoPP::SecByteBlock>,
                      "Crypto++'s Rijndael keeps its work area in another type: check rijndael.h");
        workArea_.Return(this->m_aliasBlock);
        schedule_.Return(this->m_key);
    }

    detail::ArenaLoan<detail::Schedule> schedule_;
    detail::ArenaLoan<CryptoPP::SecByteBlock> workArea_;
};

using LockedAesEncryption = LockedAes<CryptoPP::AES::Encryption>;
using LockedAesDecryption = LockedAes<CryptoPP::AES::Decryption>;

// CBC over a LockedAes that it owns: a drop-in for CBC_Mode<AES>::Encryption
// and ::Decryption.
template <class Cipher, class Mode>
class LockedCbc final : public Mode {
public:
    LockedCbc(const CryptoPP::byte* key, std::size_t length, const CryptoPP::byte* iv) : cipher_(key, length)
    {
        this->SetCipherWithIV(cipher_, iv);
    }
    LockedCbc(const LockedCbc&) = delete;
    LockedCbc& operator=(const LockedCbc&) = delete;

    [[nodiscard]] const LockedAes<Cipher>& BlockCipher() const { return cipher_; }

private:
    LockedAes<Cipher> cipher_;
};

using LockedCbcEncryption = LockedCbc<CryptoPP::AES::Encryption, CryptoPP::CBC_Mode_ExternalCipher::Encryption>;
using LockedCbcDecryption = LockedCbc<CryptoPP::AES::Decryption, CryptoPP::CBC_Mode_ExternalCipher::Decryption>;

}  // namespace nbr
