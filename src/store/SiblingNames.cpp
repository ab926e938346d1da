#include "store/SiblingNames.h"

namespace nbr {

QString SiblingNames::Claim(const QString& name)
{
    QString candidate = name;
    // Only a numbered form is checked against the folder: the plain name
    // meeting a stored item is the caller's replace-or-merge question.
    for (int n = 1; taken_.contains(candidate.toCaseFolded()) || (n > 1 && existing_ && existing_(candidate));)
        candidate = Numbered(name, ++n);
    taken_.insert(candidate.toCaseFolded());
    return candidate;
}

QString SiblingNames::Numbered(const QString& name, int n)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const bool hasExtension = dot > 0;
    const QString stem = hasExtension ? name.left(dot) : name;
    const QString extension = hasExtension ? name.mid(dot) : QString();
    return QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(extension);
}

}  // namespace nbr
