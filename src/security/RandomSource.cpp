#include "security/RandomSource.h"

#include <cryptopp/des.h>
#include <cryptopp/osrng.h>

#include <memory>

namespace nbr {

struct X917RandomSource::Impl {
    std::unique_ptr<CryptoPP::AutoSeededX917RNG<CryptoPP::DES_EDE3>> rng;
};

X917RandomSource::X917RandomSource() : impl_(new Impl)
{
    try {
        // Non-blocking seeding: /dev/urandom, never a wait on entropy.
        impl_->rng = std::make_unique<CryptoPP::AutoSeededX917RNG<CryptoPP::DES_EDE3>>(false);
    } catch (const std::exception&) {
        impl_->rng.reset();
    }
}

X917RandomSource::~X917RandomSource()
{
    delete impl_;
}

bool X917RandomSource::Generate(std::uint8_t* out, std::size_t count)
{
    if (!impl_->rng)
        return false;
    try {
        impl_->rng->GenerateBlock(out, count);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace nbr
