#include "app/ErrorText.h"

#include "app/LanguageManager.h"
#include "app/MessageIds.h"
#include "platform/SystemError.h"

namespace nbr {
namespace {

struct Row {
    std::uint32_t code;
    int message;
};

constexpr Row kOwnCodes[] = {
    {0x80040301u, 13},  {0x80040302u, 14},  {0x80040303u, 27},  {0x80040304u, 86},  {0x80040305u, 87},
    {0x80040306u, 88},  {0x80040307u, 89},  {0x80040308u, 109}, {0x80040309u, 122}, {0x8004030Au, 123},
    {0x8004030Bu, 125}, {0x8004030Cu, 129}, {0x8004030Du, 131}, {0x8004030Eu, 132}, {0x8004C051u, 15},
    {0x8004C052u, 16},  {0x8004C053u, 17},  {0x8004C054u, 18},  {0x8004C055u, 19},  {0x8004C056u, 20},
    {0x8004C057u, 21},  {0x8004C058u, 22},  {0x8004C059u, 23},  {0x8004C05Au, 24},  {0x8004C05Bu, 25},
    {0x8004C05Cu, 26},  {0x8004C05Du, 28},  {0x8004C05Eu, 29},  {0x8004C05Fu, 142}, {0x8004C060u, 143},
    {0x80040320u, msg::kNotAllStored},
    {0x8004C061u, 270},
};

}  // namespace

bool ErrorText::IsOwnCode(Status code)
{
    return ((static_cast<std::uint32_t>(code) >> 16) & 0x1FFFu) == 4;
}

int ErrorText::MessageIdOf(Status code)
{
    const std::uint32_t key = (static_cast<std::uint32_t>(code) & 0xFFFFu) | 0x80040000u;
    for (const Row& row : kOwnCodes) {
        if (row.code == key)
            return row.message;
    }
    return 0;
}

QString ErrorText::SystemLine(std::uint32_t error)
{
    const QString message = SystemError::Message(error);
    if (message.isEmpty())
        return {};
    const QString number = QString::number(error, 16).toUpper().rightJustified(8, QLatin1Char('0'));
    return QStringLiteral("System (0x%1): %2").arg(number, message);
}

QString FormatErrorText(const LanguageManager& languages, Status code, std::initializer_list<TextArg> args)
{
    QString text;
    if (ErrorText::IsOwnCode(code)) {
        const int id = ErrorText::MessageIdOf(code);
        // A text whose placeholders do not match still reads; only an empty
        // one falls back to the unknown-error text.
        if (id != 0)
            text = languages.FormatText(id, args);
        if (text.isEmpty())
            text = languages.FormatText(msg::kUnknownError, {static_cast<int>(code & 0xFFFF)});
    } else if (code == StatusFromWin32(win32::kStoppedOnSymlink)) {
        text = languages.GetText(msg::kLinkRefused);
    } else {
        text = ErrorText::SystemLine(static_cast<std::uint32_t>(code) & 0xFFFFu);
    }
    if (text.isEmpty())
        text = languages.GetText(msg::kGenericError);
    return text;
}

}  // namespace nbr
