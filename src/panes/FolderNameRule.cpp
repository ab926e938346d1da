#include "panes/FolderNameRule.h"

namespace nbr {

QString FolderNameRule::Strip(const QString& text)
{
    QString kept;
    kept.reserve(text.size());
    const QLatin1StringView forbidden(kForbidden);
    for (const QChar c : text) {
        if (!forbidden.contains(c))
            kept += c;
    }
    return kept;
}

QString FolderNameRule::Final(const QString& text)
{
    QString name = Strip(text);
    if (name.size() > kMaxLength) {
        qsizetype length = kMaxLength;
        // Half of a pair would make a name no file system stores faithfully.
        if (name.at(length - 1).isHighSurrogate())
            --length;
        name.truncate(length);
    }
    return name.trimmed();
}

}  // namespace nbr
