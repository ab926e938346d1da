// A folder's list after decryption: "D/1/0/" records with UTF-16LE names.
// Whatever parses must save and load back to the same entries, or the next
// change in that folder would silently rename or renumber items.

#include "FuzzScratchFile.h"
#include "store/StoreManifest.h"

using nbr::ManifestEntry;
using nbr::StoreManifest;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    std::vector<ManifestEntry> entries {ManifestEntry {7, QStringLiteral("untouched"), false, 1}};
    if (!StoreManifest::Parse(content, &entries)) {
        // A refused list leaves what the caller had.
        FUZZ_CHECK(entries.size() == 1 && entries.front().name == QLatin1String("untouched"));
        return 0;
    }
    // Every record takes at least "F/0/0/" and a 2-byte terminator.
    FUZZ_CHECK(entries.size() <= size / 8);
    for (const ManifestEntry& entry : entries) {
        FUZZ_CHECK(!entry.name.contains(QChar(u'\0')));
        FUZZ_CHECK(StoreManifest::IdOf(QString::number(entry.id)) == entry.id);
    }

    const QByteArray saved = StoreManifest::Serialize(entries);
    std::vector<ManifestEntry> loaded;
    FUZZ_CHECK(StoreManifest::Parse(saved, &loaded));
    FUZZ_CHECK(loaded.size() == entries.size());
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        FUZZ_CHECK(loaded[i].id == entries[i].id);
        FUZZ_CHECK(loaded[i].isFolder == entries[i].isFolder);
        FUZZ_CHECK(loaded[i].writeTime == entries[i].writeTime);
        FUZZ_CHECK(loaded[i].name == entries[i].name);
    }
    // Saving is stable: a list read and written again does not drift.
    FUZZ_CHECK(StoreManifest::Serialize(loaded) == saved);
    return 0;
}
