#pragma once
// Where the engine draws its random bytes (IVs, file keys, salts). The
// production source is a freshly seeded X9.17 generator per draw sequence;
// tests substitute a fixed sequence to compare against other implementations.

#include <cstddef>
#include <cstdint>

namespace nbr {

class IRandomSource {
public:
    virtual ~IRandomSource() = default;
    // Returns false when no random bytes could be had.
    [[nodiscard]] virtual bool Generate(std::uint8_t* out, std::size_t count) = 0;
};

class X917RandomSource final : public IRandomSource {
public:
    X917RandomSource();
    ~X917RandomSource() override;
    X917RandomSource(const X917RandomSource&) = delete;
    X917RandomSource& operator=(const X917RandomSource&) = delete;

    [[nodiscard]] bool Generate(std::uint8_t* out, std::size_t count) override;

private:
    struct Impl;
    Impl* impl_;
};

}  // namespace nbr
