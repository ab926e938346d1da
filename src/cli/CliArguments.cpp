#include "cli/CliArguments.h"

#include <QDir>


namespace nbr::cli {

bool CliArguments::Parse(const QStringList& arguments, QString* error)
{
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            rest_ << arg;
        } else if (arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (const qsizetype eq = arg.indexOf(QLatin1Char('=')); eq > 0 && valueOptions_.contains(arg.left(eq))) {
            values_.insert(arg.left(eq), arg.mid(eq + 1));
        } else if (valueOptions_.contains(arg)) {
            if (i + 1 >= arguments.size()) {
                badOption_ = arg;
                missingValue_ = true;
                if (error)
                    *error = arg;
                return false;
            }
            values_.insert(arg, arguments.at(++i));
        } else if (flags_.contains(arg)) {
            set_.insert(arg);
        } else {
            badOption_ = arg;
            if (error)
                *error = arg;
            return false;
        }
    }
    return true;
}

QString CliArguments::StorePath(const QString& typed)
{
    return QDir::fromNativeSeparators(typed);
}

}  // namespace nbr::cli
