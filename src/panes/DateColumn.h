#pragma once
// The date column's texts, the same in both panes: the day the person lived
// (local time, not UTC: an evening's change must not show under tomorrow's
// date) in the short date format of their locale. Items listed together
// share a handful of texts, so each quarter hour of UTC is worked out once;
// local midnight and the changes of a zone's offset fall on quarter hours,
// so one quarter has one local date.

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QString>

namespace nbr {

class DateColumn {
public:
    // Empty for an invalid time.
    [[nodiscard]] QString Of(const QDateTime& utc);

private:
    QLocale locale_ = QLocale::system();
    QHash<qint64, QString> texts_;
};

}  // namespace nbr
