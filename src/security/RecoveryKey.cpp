#include "security/RecoveryKey.h"

#include "security/CryptoGuard.h"
#include "security/SecurityStatus.h"

#include <cryptopp/sha.h>

#include <algorithm>

namespace nbr {
namespace {

constexpr char kAlphabet[] = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";
constexpr std::size_t kBytes = RecoveryKey::kKeyLength + RecoveryKey::kChecksumLength;

void Checksum(const std::uint8_t* key, std::uint8_t* out)
{
    // The hash's buffer takes the key: it lives in the arena.
    const Locked<CryptoPP::SHA256> sha;
    LockedByteBlock digest(CryptoPP::SHA256::DIGESTSIZE);
    sha->CalculateDigest(digest.data(), key, RecoveryKey::kKeyLength);
    std::copy_n(digest.data(), RecoveryKey::kChecksumLength, out);
}

// The value of one typed sign, or -1 for a sign that is none.
int ValueOf(char16_t c)
{
    if (c >= u'a' && c <= u'z')
        c = static_cast<char16_t>(c - u'a' + u'A');
    if (c == u'O')
        c = u'0';
    if (c == u'I' || c == u'L')
        c = u'1';
    for (int i = 0; i < 32; ++i) {
        if (kAlphabet[i] == c)
            return i;
    }
    return -1;
}

}  // namespace

Status RecoveryKey::Format(const std::uint8_t* key, QString* out)
{
    return CryptoGuarded([&]() -> Status {
    LockedByteBlock bytes(kBytes);
    std::copy_n(key, kKeyLength, bytes.data());
    Checksum(key, bytes.data() + kKeyLength);
    QString text;
    std::uint32_t buffer = 0;
    int bits = 0;
    std::size_t symbols = 0;
    for (std::size_t i = 0; i < kBytes; ++i) {
        buffer = (buffer << 8) | bytes[i];
        bits += 8;
        while (bits >= 5) {
            if (symbols > 0 && symbols % kGroup == 0)
                text += QLatin1Char('-');
            text += QLatin1Char(kAlphabet[(buffer >> (bits - 5)) & 31]);
            bits -= 5;
            ++symbols;
        }
    }
    buffer = 0;
    *out = text;
    return S_OK;
    });
}

Status RecoveryKey::Parse(std::u16string_view typed, LockedByteBlock* key)
{
    return CryptoGuarded([&]() -> Status {
        LockedByteBlock bytes(kBytes);
        std::uint32_t buffer = 0;
        int bits = 0;
        std::size_t symbols = 0;
        std::size_t at = 0;
        for (const char16_t c : typed) {
            if (c == u' ' || c == u'-' || c == u'\t')
                continue;
            const int value = ValueOf(c);
            if (value < 0 || ++symbols > kSymbols)
                return E_RECOVERY_KEY_TYPO;
            buffer = (buffer << 5) | static_cast<std::uint32_t>(value);
            bits += 5;
            if (bits >= 8) {
                bytes[at++] = static_cast<std::uint8_t>(buffer >> (bits - 8));
                bits -= 8;
            }
        }
        buffer = 0;
        if (symbols != kSymbols || at != kBytes)
            return E_RECOVERY_KEY_TYPO;
        std::uint8_t sum[kChecksumLength];
        Checksum(bytes.data(), sum);
        if (!std::equal(sum, sum + kChecksumLength, bytes.data() + kKeyLength))
            return E_RECOVERY_KEY_TYPO;
        LockedByteBlock out(kKeyLength);
        std::copy_n(bytes.data(), kKeyLength, out.data());
        key->swap(out);
        return S_OK;
    });
}

}  // namespace nbr
