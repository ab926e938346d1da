#pragma once
// The arguments of one command: options that take a value, flags, and the
// rest in order. Anything unknown that starts with "-" is a usage error that
// names the option; "--" ends the options.

#include <QHash>
#include <QSet>
#include <QStringList>

namespace nbr::cli {

class CliArguments {
public:
    CliArguments(QStringList valueOptions, QStringList flags) : valueOptions_(std::move(valueOptions)), flags_(std::move(flags)) {}

    // False when the arguments do not parse, with `error` (when given) set
    // to the option at fault.
    [[nodiscard]] bool Parse(const QStringList& arguments, QString* error = nullptr);
    [[nodiscard]] bool Has(const QString& option) const { return values_.contains(option) || set_.contains(option); }
    [[nodiscard]] QString Value(const QString& option) const { return values_.value(option); }
    [[nodiscard]] const QStringList& Rest() const { return rest_; }
    // After a failed Parse: the unknown option, or the option without its value.
    [[nodiscard]] const QString& BadOption() const { return badOption_; }
    [[nodiscard]] bool MissingValue() const { return missingValue_; }

    // A store path as typed. Names are separated by "/"; on Windows a
    // backslash separates them too, as it does in the host paths typed on
    // the same line (no name made there can hold one).
    [[nodiscard]] static QString StorePath(const QString& typed);

private:
    QStringList valueOptions_;
    QStringList flags_;
    QHash<QString, QString> values_;
    QSet<QString> set_;
    QStringList rest_;
    QString badOption_;
    bool missingValue_ = false;
};

}  // namespace nbr::cli
