#include "base/TextFormatter.h"

#include <algorithm>
#include <cmath>

namespace nbr {
namespace {

constexpr int kMaxWidth = 1024;  // a width from a pack must not blow up the text

struct Conversion {
    bool left = false;
    bool zero = false;
    bool plus = false;
    bool space = false;
    int width = 0;
    int precision = -1;
    QChar conversion;
    qsizetype end = 0;  // index after the conversion character
    bool valid = false;
};

// Parses the conversion that starts at format[at] == '%'.
Conversion ParseConversion(const QString& format, qsizetype at)
{
    Conversion conv;
    qsizetype i = at + 1;
    const qsizetype n = format.size();
    for (; i < n; ++i) {
        const QChar c = format.at(i);
        if (c == u'-')
            conv.left = true;
        else if (c == u'0')
            conv.zero = true;
        else if (c == u'+')
            conv.plus = true;
        else if (c == u' ')
            conv.space = true;
        else if (c == u'#')
            continue;
        else
            break;
    }
    for (; i < n && format.at(i).isDigit(); ++i)
        conv.width = std::min(conv.width * 10 + format.at(i).digitValue(), kMaxWidth);
    if (i < n && format.at(i) == u'.') {
        conv.precision = 0;
        for (++i; i < n && format.at(i).isDigit(); ++i)
            conv.precision = std::min(conv.precision * 10 + format.at(i).digitValue(), kMaxWidth);
    }
    if (format.mid(i, 3) == QLatin1String("I64"))
        i += 3;
    else
        while (i < n && (format.at(i) == u'h' || format.at(i) == u'l' || format.at(i) == u'L' || format.at(i) == u'w'))
            ++i;
    if (i >= n)
        return conv;
    conv.conversion = format.at(i);
    conv.end = i + 1;
    conv.valid = QStringView(u"sSdiuxXfc").contains(conv.conversion);
    return conv;
}

QString Pad(QString text, const Conversion& conv, bool numeric)
{
    if (text.size() >= conv.width)
        return text;
    const qsizetype fill = conv.width - text.size();
    if (conv.left)
        return text + QString(fill, u' ');
    if (conv.zero && numeric) {
        const qsizetype signEnd = (!text.isEmpty() && (text.at(0) == u'-' || text.at(0) == u'+' || text.at(0) == u' ')) ? 1 : 0;
        return text.insert(signEnd, QString(fill, u'0'));
    }
    return QString(fill, u' ') + text;
}

QString Signed(std::int64_t v, const Conversion& conv)
{
    QString text = QString::number(v);
    if (v >= 0 && conv.plus)
        text.prepend(u'+');
    else if (v >= 0 && conv.space)
        text.prepend(u' ');
    return text;
}

// Renders one argument for one conversion; `matched` says whether the
// argument's type is the one the conversion asks for.
QString Render(const Conversion& conv, const TextArg::Value& value, QChar decimalPoint, bool* matched)
{
    const QChar c = conv.conversion;
    *matched = true;
    if (c == u's' || c == u'S') {
        if (const auto* text = std::get_if<QString>(&value))
            return Pad(conv.precision >= 0 ? text->left(conv.precision) : *text, conv, false);
        *matched = false;
    }
    if (c == u'c') {
        if (const auto* n = std::get_if<std::int64_t>(&value))
            return Pad(QString(QChar(static_cast<char16_t>(*n))), conv, false);
        if (const auto* n = std::get_if<std::uint64_t>(&value))
            return Pad(QString(QChar(static_cast<char16_t>(*n))), conv, false);
        *matched = false;
    }
    if (c == u'd' || c == u'i' || c == u'u' || c == u'x' || c == u'X') {
        std::int64_t s = 0;
        std::uint64_t u = 0;
        if (const auto* n = std::get_if<std::int64_t>(&value)) {
            s = *n;
            u = static_cast<std::uint64_t>(*n);
        } else if (const auto* m = std::get_if<std::uint64_t>(&value)) {
            s = static_cast<std::int64_t>(*m);
            u = *m;
        } else {
            *matched = false;
        }
        if (*matched) {
            if (c == u'd' || c == u'i')
                return Pad(Signed(s, conv), conv, true);
            if (c == u'u')
                return Pad(QString::number(u), conv, true);
            QString hex = QString::number(u, 16);
            return Pad(c == u'X' ? hex.toUpper() : hex, conv, true);
        }
    }
    if (c == u'f') {
        double d = 0;
        if (const auto* f = std::get_if<double>(&value))
            d = *f;
        else if (const auto* n = std::get_if<std::int64_t>(&value))
            d = static_cast<double>(*n);
        else if (const auto* m = std::get_if<std::uint64_t>(&value))
            d = static_cast<double>(*m);
        else
            *matched = false;
        if (*matched) {
            QString text = QString::number(d, 'f', conv.precision < 0 ? 6 : std::min(conv.precision, 60));
            if (decimalPoint != u'.')
                text.replace(u'.', decimalPoint);
            if (d >= 0 && conv.plus)
                text.prepend(u'+');
            return Pad(text, conv, std::isfinite(d));
        }
    }
    // The argument does not fit the conversion: show it as it is.
    if (const auto* text = std::get_if<QString>(&value))
        return *text;
    if (const auto* n = std::get_if<std::int64_t>(&value))
        return QString::number(*n);
    if (const auto* m = std::get_if<std::uint64_t>(&value))
        return QString::number(*m);
    return QString::number(std::get<double>(value));
}

}  // namespace

QString TextFormatter::Format(const QString& format, std::initializer_list<TextArg> args, bool* ok, QChar decimalPoint)
{
    bool allMatched = true;
    QString out;
    const TextArg* next = args.begin();
    qsizetype i = 0;
    while (i < format.size() && out.size() < kMaxLength) {
        const qsizetype percent = format.indexOf(u'%', i);
        if (percent < 0) {
            out += QStringView(format).mid(i);
            break;
        }
        out += QStringView(format).mid(i, percent - i);
        if (format.mid(percent, 2) == QLatin1String("%%")) {
            out += u'%';
            i = percent + 2;
            continue;
        }
        const Conversion conv = ParseConversion(format, percent);
        if (!conv.valid) {
            // Unknown or cut-off conversions stay as written; nothing is consumed.
            allMatched = false;
            const qsizetype end = conv.end > 0 ? conv.end : percent + 1;
            out += QStringView(format).mid(percent, end - percent);
            i = end;
            continue;
        }
        if (next == args.end()) {
            allMatched = false;
            out += QStringView(format).mid(percent, conv.end - percent);
        } else {
            bool matched = true;
            out += Render(conv, next->value(), decimalPoint, &matched);
            allMatched = allMatched && matched;
            ++next;
        }
        i = conv.end;
    }
    if (next != args.end())
        allMatched = false;
    if (ok)
        *ok = allMatched;
    out.truncate(kMaxLength);
    return out;
}

QStringList TextFormatter::Placeholders(const QString& format)
{
    QStringList kinds;
    for (qsizetype i = format.indexOf(u'%'); i >= 0; i = format.indexOf(u'%', i)) {
        if (format.mid(i, 2) == QLatin1String("%%")) {
            i += 2;
            continue;
        }
        const Conversion conv = ParseConversion(format, i);
        const qsizetype end = conv.end > i ? conv.end : i + 1;
        kinds << format.mid(i, end - i);
        i = end;
    }
    return kinds;
}

}  // namespace nbr
