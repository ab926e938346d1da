#include "TextFormatCheck.h"

#include "FuzzScratchFile.h"
#include "base/TextFormatter.h"

#include <vector>

using nbr::TextArg;
using nbr::TextFormatter;

namespace {

// An argument of the type a conversion asks for, or none for unknown ones.
bool ArgFor(const QString& placeholder, std::vector<TextArg>* args)
{
    const QChar c = placeholder.back();
    if (c == u's' || c == u'S')
        args->emplace_back(QStringLiteral("Stick \u00e9 %s %d"));
    else if (c == u'd' || c == u'i' || c == u'c')
        args->emplace_back(-12345);
    else if (c == u'u' || c == u'x' || c == u'X')
        args->emplace_back(4294967295u);
    else if (c == u'f')
        args->emplace_back(-1234.5678);
    else
        return false;
    return true;
}

QString FormatWith(const QString& format, const std::vector<TextArg>& a, bool* ok)
{
    // The formatter takes its arguments as a list written out at the call.
    switch (a.size()) {
    case 0: return TextFormatter::Format(format, {}, ok, QChar(u','));
    case 1: return TextFormatter::Format(format, {a[0]}, ok, QChar(u','));
    case 2: return TextFormatter::Format(format, {a[0], a[1]}, ok, QChar(u','));
    case 3: return TextFormatter::Format(format, {a[0], a[1], a[2]}, ok, QChar(u','));
    default: return TextFormatter::Format(format, {a[0], a[1], a[2], a[3]}, ok, QChar(u','));
    }
}

}  // namespace

namespace nbr::fuzz {

void CheckFormatText(const QString& format)
{
    // The usual arguments of the program's texts, whatever the text asks for.
    bool ok = true;
    QString out = TextFormatter::Format(format, {QStringLiteral("a.txt"), 3, 2.5}, &ok);
    FUZZ_CHECK(out.size() <= TextFormatter::kMaxLength);
    out = TextFormatter::Format(format, {}, &ok);
    FUZZ_CHECK(out.size() <= TextFormatter::kMaxLength);
    // Without arguments only "%%" pairs format cleanly.
    if (ok && out.size() < TextFormatter::kMaxLength)
        FUZZ_CHECK(format.count(QChar(u'%')) % 2 == 0);

    const QStringList placeholders = TextFormatter::Placeholders(format);
    for (const QString& p : placeholders)
        FUZZ_CHECK(p.startsWith(QChar(u'%')));
    if (placeholders.size() > 4)
        return;
    std::vector<TextArg> args;
    for (const QString& p : placeholders) {
        if (!ArgFor(p, &args))
            return;
    }
    out = FormatWith(format, args, &ok);
    if (out.size() < TextFormatter::kMaxLength)
        FUZZ_CHECK(ok);
}

}  // namespace nbr::fuzz
