#pragma once
// The arguments of one command: options that take a value, flags, and the
// rest in order. Anything unknown that starts with "-" is a usage error.

#include <QHash>
#include <QSet>
#include <QStringList>

namespace nbr::cli {

class CliArguments {
public:
    CliArguments(QStringList valueOptions, QStringList flags) : valueOptions_(std::move(valueOptions)), flags_(std::move(flags)) {}

    // False with `error` set when the arguments do not parse.
    [[nodiscard]] bool Parse(const QStringList& arguments, QString* error);
    [[nodiscard]] bool Has(const QString& option) const { return values_.contains(option) || set_.contains(option); }
    [[nodiscard]] QString Value(const QString& option) const { return values_.value(option); }
    [[nodiscard]] const QStringList& Rest() const { return rest_; }

private:
    QStringList valueOptions_;
    QStringList flags_;
    QHash<QString, QString> values_;
    QSet<QString> set_;
    QStringList rest_;
};

}  // namespace nbr::cli
