#include "panes/FileIconTable.h"

#include <QMimeDatabase>

#include <algorithm>

namespace nbr {

FileIconTable& FileIconTable::Shared()
{
    static FileIconTable table;
    return table;
}

FileIconTable::FileIconTable()
    : names_ {QStringLiteral("folder"), QStringLiteral("application-octet-stream")},
      generic_ {QStringLiteral("folder"), QStringLiteral("text-x-generic")}
{
}

int FileIconTable::IndexFor(const QString& name, bool folder)
{
    if (folder)
        return kFolder;
    return IndexForFile(name, MightBeSpecial(name));
}

int FileIconTable::IndexForFile(const QString& name, bool ownLookUp)
{
    if (ownLookUp)
        return IndexForType(name);
    // Only "*.ext" patterns can match: the last extension decides. Its case
    // is kept, as a few patterns are case-sensitive ("*.C").
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString suffix = dot < 0 ? QString() : name.mid(dot);
    const auto known = bySuffix_.constFind(suffix);
    if (known != bySuffix_.constEnd())
        return *known;
    const int index = IndexForType(name);
    bySuffix_.insert(suffix, index);
    return index;
}

int FileIconTable::IndexForType(const QString& name)
{
    static const QMimeDatabase database;
    // By the name alone: the content is encrypted (store) or not worth
    // reading for a listing (host).
    const QMimeType type = database.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    if (!type.isValid() || type.isDefault())
        return kFile;
    const auto known = byMime_.constFind(type.name());
    if (known != byMime_.constEnd())
        return *known;
    const int index = static_cast<int>(names_.size());
    names_.append(type.iconName());
    generic_.append(type.genericIconName());
    byMime_.insert(type.name(), index);
    return index;
}

QString FileIconTable::LastCharacters(const QString& pattern)
{
    if (pattern.isEmpty() || pattern.endsWith(u'*') || pattern.endsWith(u'?'))
        return {};
    if (!pattern.endsWith(u']'))
        return pattern.back().toLower();
    const qsizetype open = pattern.lastIndexOf(u'[');
    const QString set = pattern.mid(open + 1, pattern.size() - open - 2);
    if (open < 0 || set.isEmpty() || set.startsWith(u'!') || set.startsWith(u'^'))
        return {};
    QString chars;
    for (qsizetype i = 0; i < set.size(); ++i) {
        if (i + 2 < set.size() && set.at(i + 1) == u'-') {
            for (char16_t c = set.at(i).unicode(); c <= set.at(i + 2).unicode(); ++c)
                chars += QChar(c).toLower();
            i += 2;
        } else {
            chars += set.at(i).toLower();
        }
    }
    return chars;
}

const FileIconTable::Patterns& FileIconTable::AllPatterns()
{
    // A function's static: built once, and a second thread waits for it.
    static const Patterns patterns = [] {
        Patterns read;
        static const QRegularExpression simple(QStringLiteral("^\\*\\.[^*?\\[.]+$"));
        static const QRegularExpression brackets(QStringLiteral("\\[[^\\]]*\\]"));
        static const QRegularExpression literals(QStringLiteral("[^*?]+"));
        static const QRegularExpression wildcard(QStringLiteral("[*?\\[]"));
        QSet<QString> seen;
        for (const QMimeType& type : QMimeDatabase().allMimeTypes()) {
            for (const QString& pattern : type.globPatterns()) {
                if (simple.match(pattern).hasMatch())
                    continue;
                if (!pattern.contains(wildcard)) {
                    read.wholeNames.insert(pattern.toLower());
                    read.longestWholeName = std::max(read.longestWholeName, pattern.size());
                    continue;
                }
                if (pattern.startsWith(QLatin1String("*.")) && !pattern.mid(1).contains(wildcard)) {
                    read.longEndings.insert(pattern.mid(1).toLower());
                    continue;
                }
                // Several types share a pattern ("README*").
                if (seen.contains(pattern))
                    continue;
                seen.insert(pattern);
                SpecialPattern special;
                special.lastChars = LastCharacters(pattern);
                if (const qsizetype wild = pattern.indexOf(wildcard); wild > 0)
                    special.prefix = pattern.left(wild).toLower();
                // A bracket matches one character of a set: no literal text.
                const QString plain = QString(pattern).replace(brackets, QStringLiteral("*"));
                for (auto it = literals.globalMatch(plain); it.hasNext();) {
                    const QString run = it.next().captured();
                    if (run.size() > special.literal.size())
                        special.literal = run.toLower();
                }
                special.match = QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern),
                                                   QRegularExpression::CaseInsensitiveOption);
                read.special.push_back(std::move(special));
            }
        }
        return read;
    }();
    return patterns;
}

void FileIconTable::Warm()
{
    (void)AllPatterns();
    (void)QMimeDatabase().mimeTypeForFile(QStringLiteral("warm.txt"), QMimeDatabase::MatchExtension);
}

bool FileIconTable::MightBeSpecial(const QString& name)
{
    const Patterns& patterns = AllPatterns();
    const QString lower = name.toLower();
    if (lower.size() <= patterns.longestWholeName && patterns.wholeNames.contains(lower))
        return true;
    // A long ending holds two dots or more (one dot is the last extension,
    // which IndexForFile looks up by itself): only the dots before the
    // last can start one.
    const qsizetype lastDot = lower.lastIndexOf(QLatin1Char('.'));
    for (qsizetype dot = lower.indexOf(QLatin1Char('.')); dot >= 0 && dot < lastDot;
         dot = lower.indexOf(QLatin1Char('.'), dot + 1)) {
        if (patterns.longEndings.contains(lower.mid(dot)))
            return true;
    }
    if (lower.isEmpty())
        return false;
    const QChar last = lower.back();
    for (const SpecialPattern& special : patterns.special) {
        // The cheapest tests first: most names end with a letter, which
        // rules out the patterns ending in a digit or a sign ("*.[1-9]",
        // "*~"), and few start as "README*" does. Then both sides in lower
        // case: a plain search, several times faster than one that ignores
        // case.
        if (!special.lastChars.isEmpty() && !special.lastChars.contains(last))
            continue;
        if (!lower.startsWith(special.prefix))
            continue;
        if (lower.contains(special.literal) && special.match.match(name).hasMatch())
            return true;
    }
    return false;
}

QString FileIconTable::IconName(int index) const
{
    return index >= 0 && index < names_.size() ? names_.at(index) : names_.at(kFile);
}

QString FileIconTable::GenericIconName(int index) const
{
    return index >= 0 && index < generic_.size() ? generic_.at(index) : generic_.at(kFile);
}

}  // namespace nbr
