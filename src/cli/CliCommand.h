#pragma once
// One command of nimbra-cli: its name, its help, and its run.

#include <QString>
#include <QStringList>

namespace nbr::cli {

struct CliContext;

class CliCommand {
public:
    virtual ~CliCommand() = default;
    [[nodiscard]] virtual QString Name() const = 0;
    [[nodiscard]] virtual QString Usage() const = 0;    // arguments after the name
    [[nodiscard]] virtual QString Summary() const = 0;  // one line for the command list
    [[nodiscard]] virtual QString Help() const = 0;     // the full text of "help NAME"
    // The options the command takes: those followed by a value, and flags.
    // The frame keeps a value with its option when it takes the global
    // options from the line; the manual page and completion list them.
    [[nodiscard]] virtual QStringList ValueOptions() const { return {}; }
    [[nodiscard]] virtual QStringList Flags() const { return {}; }
    // Arguments after the command name, with "--help" already handled.
    [[nodiscard]] virtual int Run(CliContext& context, const QStringList& arguments) = 0;
};

}  // namespace nbr::cli
