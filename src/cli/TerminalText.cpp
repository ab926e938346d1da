#include "cli/TerminalText.h"

namespace nbr::cli {
namespace {

QString Hex(char16_t c, int digits)
{
    return QString::number(static_cast<unsigned>(c), 16).rightJustified(digits, QLatin1Char('0'));
}

// The escape the shell's $'...' reads back as `c`.
QString Escape(char16_t c)
{
    switch (c) {
    case u'\a': return QStringLiteral("\\a");
    case u'\b': return QStringLiteral("\\b");
    case u'\t': return QStringLiteral("\\t");
    case u'\n': return QStringLiteral("\\n");
    case u'\v': return QStringLiteral("\\v");
    case u'\f': return QStringLiteral("\\f");
    case u'\r': return QStringLiteral("\\r");
    case 0x1B: return QStringLiteral("\\e");
    default: break;
    }
    if (c < 0x80)
        return QStringLiteral("\\x") + Hex(c, 2);
    return QStringLiteral("\\u") + Hex(c, 4);
}

}  // namespace

bool TerminalText::IsUnsafe(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F)          // C0, DEL and C1 controls
           || c == 0x200E || c == 0x200F                 // direction marks
           || (c >= 0x202A && c <= 0x202E)               // embeddings and overrides
           || (c >= 0x2066 && c <= 0x2069)               // isolates
           || c == 0x2028 || c == 0x2029                 // line and paragraph separators
           || (c >= 0xD800 && c <= 0xDFFF);              // surrogates, checked in pairs below
}

QString TerminalText::Quote(const QString& name)
{
    // A name that holds the quoting's own opening is quoted too, so that no
    // plain name reads like a quoted one.
    bool plain = !name.contains(QLatin1String("$'"));
    for (qsizetype i = 0; plain && i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name.at(i + 1).isLowSurrogate())
            ++i;  // a whole character outside the basic plane
        else if (IsUnsafe(c))
            plain = false;
    }
    if (plain)
        return name;
    QString out = QStringLiteral("$'");
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()) {
            out += name.mid(i, 2);
            ++i;
        } else if (c == u'\\' || c == u'\'') {
            out += QLatin1Char('\\') + QChar(c);
        } else if (IsUnsafe(c)) {
            out += Escape(c);
        } else {
            out += QChar(c);
        }
    }
    return out + QLatin1Char('\'');
}

QString TerminalText::Visible(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += text.mid(i, 2);
            ++i;
        } else if (c != u'\n' && IsUnsafe(c)) {
            out += Escape(c);
        } else {
            out += QChar(c);
        }
    }
    return out;
}

}  // namespace nbr::cli
