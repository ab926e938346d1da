#pragma once
// The language packs: texts by number in the current language, with English
// as the fallback; the choice of language and the windows that follow it.
//
// Workers call GetText while the main thread may select another language:
// the current index is atomic, and the packs do not change after start-up.

#include "base/TextFormatter.h"

#include <QHash>
#include <QLocale>
#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

namespace nbr {

class IControlTexts;
class IMultilangSupport;
class RegistrySettings;
class VariableStore;

struct LanguageInfo {
    const char* name;        // in its own language
    const char* packName;    // "ENG.json", or nullptr: no pack
    int menuCommand;
    const char* manualTag;   // "" for none
    QLocale::Language locale;
    std::uint16_t langId;    // for system texts; 1024 for none in particular
};

class LanguageManager {
public:
    static constexpr int kLanguageCount = 8;
    static constexpr int kEnglish = 0;
    static constexpr int kFrench = 2;
    static constexpr int kSpanish = 6;
    static constexpr int kPortuguese = 7;
    static constexpr std::int64_t kMaxPackBytes = 4 << 20;

    LanguageManager();
    ~LanguageManager();
    LanguageManager(const LanguageManager&) = delete;
    LanguageManager& operator=(const LanguageManager&) = delete;

    [[nodiscard]] static const LanguageInfo& Info(int index);
    // "<program folder>/Lang" followed by the pack's name: LangFRA.json.
    [[nodiscard]] static QString PackPath(const VariableStore& variables, int index);
    // The index for a Windows language id; only the primary language counts.
    [[nodiscard]] static int IndexForLanguageId(std::uint16_t langId);

    // Where "languageIndex" is saved; none: nothing is saved.
    void SetSettings(RegistrySettings* settings) { settings_ = settings; }
    // Loads a pack unless the index is out of range or already has one; a
    // missing or malformed file leaves the slot empty.
    void AddPack(int index, const QString& path);
    // The start-up choice: the four packs, then "languageIndex" when it is
    // 0..7, else the user's UI language.
    void LoadPacks(const VariableStore& variables, std::uint16_t userLanguageId);
    [[nodiscard]] bool SelectLanguage(int index, bool silent);

    [[nodiscard]] int CurrentIndex() const { return current_.load(); }
    [[nodiscard]] bool HasPack(int index) const;
    [[nodiscard]] QString GetText(int id) const;
    // GetText formatted with `args`, numbers in the current language's style.
    [[nodiscard]] QString FormatText(int id, std::initializer_list<TextArg> args, bool* ok = nullptr) const;
    [[nodiscard]] QChar DecimalPoint() const;

    void SetDialog(IControlTexts* dialog) { dialog_ = dialog; }
    LanguageManager& SetItemText(int controlId, int textId);
    void AddListener(IMultilangSupport* listener);
    void RemoveListener(IMultilangSupport* listener);

private:
    std::array<std::optional<QHash<int, QString>>, kLanguageCount> packs_;
    std::atomic<int> current_ {-1};
    IControlTexts* dialog_ = nullptr;
    std::vector<IMultilangSupport*> listeners_;
    RegistrySettings* settings_ = nullptr;
};

}  // namespace nbr
