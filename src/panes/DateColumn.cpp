#include "panes/DateColumn.h"

namespace nbr {

QString DateColumn::Of(const QDateTime& utc)
{
    if (!utc.isValid())
        return {};
    constexpr qint64 kQuarter = 15 * 60 * 1000;
    const qint64 ms = utc.toMSecsSinceEpoch();
    const qint64 quarter = ms / kQuarter - (ms % kQuarter < 0 ? 1 : 0);
    const auto known = texts_.constFind(quarter);
    if (known != texts_.constEnd())
        return *known;
    const QString text = locale_.toString(utc.toLocalTime().date(), QLocale::ShortFormat);
    texts_.insert(quarter, text);
    return text;
}

}  // namespace nbr
