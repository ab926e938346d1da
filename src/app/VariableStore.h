#pragma once
// The configuration variables: named text values from which every path of
// the program is built. Values may refer to other variables as %NAME%;
// references are resolved on every read, so a template follows whatever the
// variables it names hold at that moment.
//
// Filled on the main thread at start-up and only read afterwards: reads from
// workers take no lock.

#include "platform/HostFacts.h"

#include <QString>
#include <QStringList>

#include <map>

namespace nbr {

class VariableStore {
public:
    // Fills the table from the command line and the host, in the start-up order.
    void InitVariables(const QStringList& arguments, const HostFacts& host);
    void SetVariable(const QString& name, const QString& value);
    // The expanded value, or "<undefined NAME>" for a name never set.
    [[nodiscard]] QString GetVariable(const QString& name) const;
    [[nodiscard]] bool IsDefined(const QString& name) const;

private:
    QString& RawValue(const QString& name);  // find or create
    void TakeLaunchArgument(const QString& argument);

    std::map<QString, QString> values_;
};

}  // namespace nbr
