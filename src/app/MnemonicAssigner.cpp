#include "app/MnemonicAssigner.h"

#include <array>
#include <vector>

namespace nbr {
namespace {

bool Eligible(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

int Slot(QChar c)
{
    return c.toLower().unicode() - 'a';
}

bool StartsWord(const QString& text, qsizetype i)
{
    return i == 0 || !text.at(i - 1).isLetterOrNumber();
}

QString Mark(const QString& plain, qsizetype at)
{
    QString marked;
    marked.reserve(plain.size() + 2);
    for (qsizetype i = 0; i < plain.size(); ++i) {
        if (i == at || plain.at(i) == QLatin1Char('&'))
            marked += QLatin1Char('&');
        marked += plain.at(i);
    }
    return marked;
}

// Where a pack's own mark stands in `text`: the index of the marked letter
// in the text without that '&', or -1 when there is none ("&&" is a '&' of
// the text, and "& " marks nothing).
qsizetype PackMark(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&'))
            continue;
        if (text.at(i + 1) == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return Eligible(text.at(i + 1)) ? i : -1;
    }
    return -1;
}

}  // namespace

QStringList MnemonicAssigner::Assign(const QStringList& given)
{
    std::array<bool, 26> taken {};
    QStringList plain = given;
    std::vector<qsizetype> chosen(static_cast<std::size_t>(plain.size()), -1);
    // The packs' own marks first: their translators chose those letters.
    for (qsizetype n = 0; n < plain.size(); ++n) {
        const qsizetype at = PackMark(plain.at(n));
        if (at < 0)
            continue;
        plain[n].remove(at, 1);
        const QChar c = plain.at(n).at(at);
        if (taken[static_cast<std::size_t>(Slot(c))])
            continue;  // a letter an earlier text holds: this one gets another
        taken[static_cast<std::size_t>(Slot(c))] = true;
        chosen[static_cast<std::size_t>(n)] = at;
    }
    // Two rounds, so that a later control's word start is not lost to an
    // earlier control that could only have had an inner letter anyway.
    for (const bool wordStartsOnly : {true, false}) {
        for (qsizetype n = 0; n < plain.size(); ++n) {
            const QString& text = plain.at(n);
            if (chosen[static_cast<std::size_t>(n)] >= 0)
                continue;
            for (qsizetype i = 0; i < text.size(); ++i) {
                const QChar c = text.at(i);
                if (!Eligible(c) || taken[static_cast<std::size_t>(Slot(c))])
                    continue;
                if (wordStartsOnly && !StartsWord(text, i))
                    continue;
                taken[static_cast<std::size_t>(Slot(c))] = true;
                chosen[static_cast<std::size_t>(n)] = i;
                break;
            }
        }
    }
    QStringList marked;
    marked.reserve(plain.size());
    for (qsizetype n = 0; n < plain.size(); ++n)
        marked << Mark(plain.at(n), chosen[static_cast<std::size_t>(n)]);
    return marked;
}

QChar MnemonicAssigner::LetterOf(const QString& marked)
{
    for (qsizetype i = 0; i + 1 < marked.size(); ++i) {
        if (marked.at(i) != QLatin1Char('&'))
            continue;
        if (marked.at(i + 1) != QLatin1Char('&'))
            return marked.at(i + 1).toLower();
        ++i;
    }
    return QChar();
}

QString MnemonicAssigner::Plain(const QString& marked)
{
    QString plain;
    plain.reserve(marked.size());
    for (qsizetype i = 0; i < marked.size(); ++i) {
        if (marked.at(i) == QLatin1Char('&') && i + 1 < marked.size())
            ++i;
        plain += marked.at(i);
    }
    return plain;
}

}  // namespace nbr
