#include "base/LanguageManager.h"

#include "base/IControlTexts.h"
#include "base/IMultilangSupport.h"
#include "base/RegistrySettings.h"
#include "base/VariableStore.h"
#include "platform/LanguageId.h"
#include "platform/NativePath.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace nbr {
namespace {

constexpr LanguageInfo kLanguages[LanguageManager::kLanguageCount] = {
    {"English", "ENG.json", 32821, "", QLocale::English, 1033},
    {"Deutsch", nullptr, 32822, "de", QLocale::German, 1031},
    {"Français", "FRA.json", 32823, "fr", QLocale::French, 1036},
    {"简体中文", nullptr, 32824, "zh_hans", QLocale::Chinese, 1024},
    {"繁體中文", nullptr, 32825, "zh_hant", QLocale::Chinese, 1024},
    {"日本語", nullptr, 32826, "ja_hani", QLocale::Japanese, 1024},
    {"Español", "SPA.json", 32827, "es", QLocale::Spanish, 1034},
    {"Português", "POR.json", 32828, "pt", QLocale::Portuguese, 1046},
};

const QString kLanguageIndex = QStringLiteral("languageIndex");

bool InRange(int index)
{
    return index >= 0 && index < LanguageManager::kLanguageCount;
}

}  // namespace

LanguageManager::LanguageManager() = default;
LanguageManager::~LanguageManager() = default;

const LanguageInfo& LanguageManager::Info(int index)
{
    return kLanguages[InRange(index) ? index : kEnglish];
}

QString LanguageManager::PackPath(const VariableStore& variables, int index)
{
    const char* pack = InRange(index) ? kLanguages[index].packName : nullptr;
    if (!pack)
        return {};
    return variables.GetVariable(QStringLiteral("NBR_HOST_EXEC_PATH")) + NativePath::kSeparator
           + QStringLiteral("Lang") + QString::fromLatin1(pack);
}

int LanguageManager::IndexForLanguageId(std::uint16_t langId)
{
    switch (LanguageId::Primary(langId)) {
    case 0x0C: return kFrench;
    case 0x0A: return kSpanish;
    case 0x16: return kPortuguese;
    default: return kEnglish;
    }
}

void LanguageManager::AddPack(int index, const QString& path)
{
    if (!InRange(index) || packs_[index])
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxPackBytes)
        return;
    QJsonParseError error {};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return;
    QHash<int, QString> texts;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool number = false;
        const int id = it.key().toInt(&number);
        if (number && id >= 0 && it.value().isString())
            texts.insert(id, it.value().toString());
    }
    packs_[index] = std::move(texts);
}

void LanguageManager::LoadPacks(const VariableStore& variables, std::uint16_t userLanguageId)
{
    for (const int index : {kEnglish, kFrench, kSpanish, kPortuguese})
        AddPack(index, PackPath(variables, index));
    // A saved index counts only when it is a number in range; anything else
    // leaves the choice to the user's UI language.
    QString saved;
    int index = -1;
    if (settings_ && settings_->ReadText(kLanguageIndex, &saved)) {
        const QString digits = saved.trimmed();
        if (!digits.isEmpty() && digits.at(0).isDigit())
            index = RegistrySettings::ToNumber(digits);
    }
    if (!InRange(index))
        index = IndexForLanguageId(userLanguageId);
    (void)SelectLanguage(index, true);
}

bool LanguageManager::SelectLanguage(int index, bool silent)
{
    if (!InRange(index) || index == current_.load())
        return false;
    current_.store(index);
    QLocale::setDefault(QLocale(kLanguages[index].locale));
    for (IMultilangSupport* listener : std::vector<IMultilangSupport*>(listeners_))
        listener->UpdateTexts();
    if (!silent && settings_)
        (void)settings_->WriteNumber(kLanguageIndex, index);
    return true;
}

bool LanguageManager::HasPack(int index) const
{
    return InRange(index) && packs_[index].has_value();
}

QString LanguageManager::GetText(int id) const
{
    const int index = current_.load();
    if (InRange(index) && packs_[index]) {
        const QString text = packs_[index]->value(id);
        if (!text.isEmpty() || index == kEnglish)
            return text;
    }
    return packs_[kEnglish] ? packs_[kEnglish]->value(id) : QString();
}

QChar LanguageManager::DecimalPoint() const
{
    const int index = current_.load();
    if (!InRange(index))
        return QLatin1Char('.');
    const QString point = QLocale(kLanguages[index].locale).decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.at(0);
}

QString LanguageManager::FormatText(int id, std::initializer_list<TextArg> args, bool* ok) const
{
    return TextFormatter::Format(GetText(id), args, ok, DecimalPoint());
}

LanguageManager& LanguageManager::SetItemText(int controlId, int textId)
{
    if (dialog_ && dialog_->HasWindow())
        dialog_->SetControlText(controlId, GetText(textId));
    return *this;
}

void LanguageManager::AddListener(IMultilangSupport* listener)
{
    listeners_.push_back(listener);
}

void LanguageManager::RemoveListener(IMultilangSupport* listener)
{
    const auto found = std::find(listeners_.begin(), listeners_.end(), listener);
    if (found != listeners_.end())
        listeners_.erase(found);
}

}  // namespace nbr
