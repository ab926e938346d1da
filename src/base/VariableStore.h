#pragma once
// The configuration variables: named text values from which every path of
// the program is built. A definition may refer to other variables as %NAME%;
// references are resolved on every read, so a definition follows whatever
// the variables it names hold at that moment.
//
// Only definitions are read as references. A value that comes from outside
// (a launch path, the program's folder, a volume root) is text as it is: a
// folder named "50%OFF%sale" must stay that folder.
//
// Filled on the main thread at start-up and only read afterwards: reads from
// workers take no lock.

#include "platform/HostFacts.h"

#include <QString>
#include <QStringList>

#include <map>
#include <vector>

namespace nbr {

class VariableStore {
public:
    // Far longer than any path: only definitions that double each other get
    // there, and expansion stops instead of eating memory.
    static constexpr qsizetype kMaxExpandedLength = 1 << 16;

    // Fills the table from the command line and the host, in the start-up order.
    void InitVariables(const QStringList& arguments, const HostFacts& host);
    // A value taken literally; percent signs in it are plain characters.
    void SetVariable(const QString& name, const QString& value);
    // A definition whose %NAME% references are expanded on read.
    void SetDefinition(const QString& name, const QString& definition);
    // The expanded value, or "<undefined NAME>" for a name never set.
    [[nodiscard]] QString GetVariable(const QString& name) const;
    [[nodiscard]] bool IsDefined(const QString& name) const;

private:
    struct Value {
        QString text;
        bool isDefinition = false;
    };

    Value& RawValue(const QString& name);  // find or create
    // The path of a "-l=" argument, without the quotes around it.
    [[nodiscard]] static QString LaunchPathOf(const QString& argument);
    // Appends the expansion of `definition` to `out`; `open` holds the
    // definitions being expanded, whose references are left as written.
    void Expand(const QString& definition, std::vector<QString>* open, QString* out) const;

    std::map<QString, Value> values_;
};

}  // namespace nbr
