// The key file's property records (failed-login counter, clean-shutdown flag,
// wipe marker, hint), read through the key-file stream the program uses. The
// input is the property area; the key area in front of it is left empty. The
// stream's reading and the layout's own check must agree on every slot.

#include "FuzzScratchFile.h"
#include "security/FileStream.h"
#include "security/KeyFileLayout.h"
#include "security/PropertyStore.h"

#include <algorithm>
#include <array>
#include <vector>

using nbr::KeyFileLayout;

namespace {

// The program holds the key file's stream for its whole run and reads the
// records again and again; so does the harness, while the file's bytes change
// under it between runs.
struct StreamHolder {
    explicit StreamHolder(const QString& path)
    {
        if (nbr::Failed(stream->Open(path)))
            nbr::fuzz::FuzzFail("cannot open the key-file stream");
    }
    ~StreamHolder() { stream->Release(); }
    nbr::FileStream* stream = new nbr::FileStream;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const nbr::fuzz::FuzzScratchFile file(QStringLiteral("secparams.enc"));
    size = std::min<std::size_t>(size, KeyFileLayout::kPropertySize * KeyFileLayout::kPropertySlots);
    if (!file.Write(data, size, KeyFileLayout::kPropertyBase))
        nbr::fuzz::FuzzFail("cannot write the scratch file");
    // The same bytes as the layout sees them, without a fresh 50 KiB per run.
    static std::vector<char> buffer(KeyFileLayout::kFileLength, '\0');
    std::copy(data, data + size, buffer.begin() + KeyFileLayout::kPropertyBase);
    const QByteArray image = QByteArray::fromRawData(buffer.data(), KeyFileLayout::kPropertyBase + size);

    static const StreamHolder holder(file.Path());
    nbr::PropertyStore properties;
    properties.Attach(holder.stream);

    // The slots the input reaches, the first one it does not, and one past the last slot.
    std::vector<std::uint32_t> reached;
    for (std::uint32_t slot = 0; slot <= size / KeyFileLayout::kPropertySize; ++slot)
        reached.push_back(slot);
    reached.push_back(KeyFileLayout::kPropertySlots);
    for (const std::uint32_t slot : reached) {
        std::array<std::uint8_t, 600> value {};
        std::uint32_t length = KeyFileLayout::kPropertyMaxData;
        const nbr::Status s = properties.ReadValue(slot, &length, value.data());
        std::uint32_t expected = 0;
        const bool holds = KeyFileLayout::SlotHoldsValue(image, slot, &expected);
        FUZZ_CHECK(nbr::Succeeded(s) == holds);
        if (holds)
            FUZZ_CHECK(length == expected && length <= KeyFileLayout::kPropertyMaxData);
        // Nothing is written past the room the caller gave.
        for (std::size_t i = KeyFileLayout::kPropertyMaxData; i < value.size(); ++i)
            FUZZ_CHECK(value[i] == 0);
    }

    std::int32_t number = 0;
    for (const std::uint32_t slot : {KeyFileLayout::kSlotFailedLogins, KeyFileLayout::kSlotCleanShutdown,
                                     KeyFileLayout::kSlotWipeMarker}) {
        std::uint32_t expected = 0;
        const bool holds = KeyFileLayout::SlotHoldsValue(image, slot, &expected);
        // A number takes four bytes: a longer record is refused, not cut.
        FUZZ_CHECK(nbr::Succeeded(properties.ReadInt(slot, &number)) == (holds && expected <= 4));
    }
    QString hint;
    if (nbr::Succeeded(properties.ReadString(KeyFileLayout::kSlotHint, &hint)))
        FUZZ_CHECK(hint.size() <= static_cast<qsizetype>(KeyFileLayout::kPropertyMaxData / 2));
    return 0;
}
