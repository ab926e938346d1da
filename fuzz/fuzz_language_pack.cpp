// A language pack file beside the program: JSON of numbered texts. Anyone who
// can write to the stick can change it, so a pack is input like any other.
// Loading must either take the pack or leave the slot empty, and every text
// it gives must format safely.

#include "FuzzScratchFile.h"
#include "TextFormatCheck.h"
#include "base/LanguageManager.h"

#include <QJsonDocument>
#include <QJsonObject>

using nbr::LanguageManager;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const nbr::fuzz::FuzzScratchFile file(QStringLiteral("LangENG.json"));
    if (!file.Write(data, size))
        nbr::fuzz::FuzzFail("cannot write the scratch file");

    LanguageManager languages;
    languages.AddPack(LanguageManager::kEnglish, file.Path());
    // A pack comes only once per slot: a second file for it is ignored.
    languages.AddPack(LanguageManager::kEnglish, QStringLiteral("/nonexistent/LangENG.json"));
    const bool loaded = languages.HasPack(LanguageManager::kEnglish);
    for (int index = 1; index < LanguageManager::kLanguageCount; ++index)
        FUZZ_CHECK(!languages.HasPack(index));

    // A pack loads exactly when it is a JSON object (the size limit is far
    // beyond what the fuzzer writes).
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    FUZZ_CHECK(loaded == document.isObject());
    if (!loaded)
        return 0;

    // Formatting has a harness of its own; here a few texts show that what the
    // pack gives reaches the formatter intact.
    const QJsonObject object = document.object();
    int formatted = 0;
    for (auto it = object.begin(); it != object.end() && formatted < 8; ++it) {
        bool number = false;
        const int id = it.key().toInt(&number);
        const QString text = number && id >= 0 ? languages.GetText(id) : QString();
        // The texts the program asks for by number are the pack's strings;
        // anything else in the pack is ignored.
        if (number && id >= 0 && it.value().isString() && !text.isEmpty()) {
            nbr::fuzz::CheckFormatText(text);
            ++formatted;
        }
    }
    bool ok = false;
    const QString text = languages.FormatText(1, {QStringLiteral("name"), 2}, &ok);
    FUZZ_CHECK(text.size() <= nbr::TextFormatter::kMaxLength);
    return 0;
}
