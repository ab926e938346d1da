#pragma once
// The Windows language identifier (LANGID) of a locale: the number the
// program keeps for the user's UI language (1033 US English, 1036 French...).

#include <QLocale>

#include <cstdint>

namespace nbr {

class LanguageId {
public:
    static constexpr std::uint16_t kEnglishUS = 1033;

    [[nodiscard]] static std::uint16_t FromLocale(const QLocale& locale);
    [[nodiscard]] static constexpr std::uint16_t Primary(std::uint16_t langId) { return langId & 0x3FF; }
};

}  // namespace nbr
