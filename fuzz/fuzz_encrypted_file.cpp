// A whole stored file as the engine reads it from the stick: header, key
// block (checked under the master key of the frozen fixtures), name and
// content. Every reading entry point gets the same bytes.

#include "FuzzScratchFile.h"
#include "security/CreateCrypt.h"
#include "security/EncryptedFileHeader.h"

#include <QtEndian>

#include <array>
#include <numeric>

namespace {

// The fixtures under tests/data are written under the key 00 01 .. 1f, so the
// seeds reach past the key block's integrity check.
std::array<std::uint8_t, 32> FixtureKey()
{
    std::array<std::uint8_t, 32> key {};
    std::iota(key.begin(), key.end(), std::uint8_t {0});
    return key;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The name is a stored item's number: only those carry a name to read.
    static const nbr::fuzz::FuzzScratchFile file(QStringLiteral("17"));
    static const std::array<std::uint8_t, 32> key = FixtureKey();
    if (!file.Write(data, size))
        nbr::fuzz::FuzzFail("cannot write the scratch file");

    nbr::CryptPtr engine;
    FUZZ_CHECK(nbr::Succeeded(nbr::CreateCrypt(nbr::CryptAlgorithmAes256, &engine)));
    FUZZ_CHECK(nbr::Succeeded(engine->SetMasterKey(key.data(), key.size())));

    // What the bytes claim, read the way the engine must read them.
    nbr::EncryptedFileHeader claimed;
    bool parses = false;
    if (size >= 2) {
        const std::size_t promised = qFromLittleEndian<std::uint16_t>(data);
        if (promised >= 2 && promised <= nbr::EncryptedFileHeader::kMaxLength && size - 2 >= promised - 2)
            parses = nbr::Succeeded(nbr::EncryptedFileHeader::Parse(data + 2, promised - 2, &claimed));
    }

    bool encrypted = true;
    FUZZ_CHECK(nbr::Succeeded(engine->IsEncryptedFile(file.Path(), &encrypted)));
    FUZZ_CHECK(!encrypted || parses);

    std::int32_t algorithm = -1;
    if (nbr::Succeeded(engine->GetFileAlgorithm(file.Path(), &algorithm)))
        FUZZ_CHECK(parses);

    std::array<char16_t, 300> name {};
    if (engine->GetStoredFileName(file.Path(), name.data(), static_cast<std::uint32_t>(name.size()))) {
        FUZZ_CHECK(parses && !claimed.IsLegacy());
        FUZZ_CHECK(name.back() == u'\0');
    }

    QByteArray plain;
    if (nbr::Succeeded(engine->DecryptFileToBuffer(file.Path(), &plain))) {
        FUZZ_CHECK(parses && claimed.formatId == 4);
        // Never more than the header promises, whatever the file holds.
        FUZZ_CHECK(static_cast<std::uint64_t>(plain.size()) <= claimed.size);
    } else {
        FUZZ_CHECK(plain.isEmpty());
    }
    return 0;
}
