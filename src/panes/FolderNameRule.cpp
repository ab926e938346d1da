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
    return Strip(text).trimmed();
}

}  // namespace nbr
