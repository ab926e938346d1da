#include "platform/LanguageId.h"

namespace nbr {
namespace {

struct PrimaryRow {
    QLocale::Language language;
    std::uint16_t primary;
};

// Windows primary language numbers (LANG_*).
constexpr PrimaryRow kPrimary[] = {
    {QLocale::Arabic, 0x01},     {QLocale::Bulgarian, 0x02}, {QLocale::Catalan, 0x03},
    {QLocale::Chinese, 0x04},    {QLocale::Czech, 0x05},     {QLocale::Danish, 0x06},
    {QLocale::German, 0x07},     {QLocale::Greek, 0x08},     {QLocale::English, 0x09},
    {QLocale::Spanish, 0x0A},    {QLocale::Finnish, 0x0B},   {QLocale::French, 0x0C},
    {QLocale::Hebrew, 0x0D},     {QLocale::Hungarian, 0x0E}, {QLocale::Icelandic, 0x0F},
    {QLocale::Italian, 0x10},    {QLocale::Japanese, 0x11},  {QLocale::Korean, 0x12},
    {QLocale::Dutch, 0x13},      {QLocale::NorwegianBokmal, 0x14}, {QLocale::Polish, 0x15},
    {QLocale::Portuguese, 0x16}, {QLocale::Romanian, 0x18},  {QLocale::Russian, 0x19},
    {QLocale::Croatian, 0x1A},   {QLocale::Slovak, 0x1B},    {QLocale::Swedish, 0x1D},
    {QLocale::Thai, 0x1E},       {QLocale::Turkish, 0x1F},   {QLocale::Indonesian, 0x21},
    {QLocale::Ukrainian, 0x22},  {QLocale::Slovenian, 0x24}, {QLocale::Estonian, 0x25},
    {QLocale::Latvian, 0x26},    {QLocale::Lithuanian, 0x27}, {QLocale::Vietnamese, 0x2A},
    {QLocale::Hindi, 0x39},
};

struct SubRow {
    QLocale::Language language;
    QLocale::Territory territory;
    std::uint16_t sub;
};

// Sub-languages (SUBLANG_*) where the territory changes the number; a
// territory not listed takes the language's default, 1.
constexpr SubRow kSub[] = {
    {QLocale::English, QLocale::UnitedKingdom, 2}, {QLocale::English, QLocale::Australia, 3},
    {QLocale::English, QLocale::Canada, 4},        {QLocale::English, QLocale::NewZealand, 5},
    {QLocale::English, QLocale::Ireland, 6},       {QLocale::English, QLocale::SouthAfrica, 7},
    {QLocale::French, QLocale::Belgium, 2},        {QLocale::French, QLocale::Canada, 3},
    {QLocale::French, QLocale::Switzerland, 4},    {QLocale::French, QLocale::Luxembourg, 5},
    {QLocale::Spanish, QLocale::Mexico, 2},        {QLocale::Spanish, QLocale::Argentina, 11},
    {QLocale::Spanish, QLocale::Colombia, 9},      {QLocale::Spanish, QLocale::Chile, 13},
    {QLocale::Spanish, QLocale::UnitedStates, 21},
    {QLocale::Portuguese, QLocale::Brazil, 1},     {QLocale::Portuguese, QLocale::Portugal, 2},
    {QLocale::German, QLocale::Switzerland, 2},    {QLocale::German, QLocale::Austria, 3},
    {QLocale::Chinese, QLocale::Taiwan, 1},        {QLocale::Chinese, QLocale::China, 2},
    {QLocale::Chinese, QLocale::HongKong, 3},      {QLocale::Chinese, QLocale::Singapore, 4},
    {QLocale::Dutch, QLocale::Belgium, 2},         {QLocale::Italian, QLocale::Switzerland, 2},
    {QLocale::Swedish, QLocale::Finland, 2},
};

}  // namespace

std::uint16_t LanguageId::FromLocale(const QLocale& locale)
{
    const QLocale::Language language = locale.language();
    std::uint16_t primary = 0;
    for (const PrimaryRow& row : kPrimary) {
        if (row.language == language)
            primary = row.primary;
    }
    if (primary == 0)
        return kEnglishUS;  // the C locale and languages without a number
    std::uint16_t sub = 1;
    for (const SubRow& row : kSub) {
        if (row.language == language && row.territory == locale.territory())
            sub = row.sub;
    }
    // Chinese has no sub-language 1 default of its own: simplified, China.
    if (language == QLocale::Chinese && locale.territory() == QLocale::AnyTerritory)
        sub = 2;
    return static_cast<std::uint16_t>((sub << 10) | primary);
}

}  // namespace nbr
