#pragma once
// The frame of nimbra-cli: global options, the command table, help and the
// dispatch. Commands are added to the table; the frame stays as it is.

#include "cli/CliCommand.h"
#include "cli/CliReference.h"

#include <memory>
#include <vector>

namespace nbr::cli {

struct CliContext;

class CliApp {
public:
    CliApp();
    ~CliApp();

    // `arguments` without the program name.
    [[nodiscard]] int Run(const QStringList& arguments);

private:
    [[nodiscard]] int Dispatch(CliContext& context, const QStringList& arguments);
    [[nodiscard]] CliCommand* Find(const QString& name) const;
    [[nodiscard]] int PrintHelp(CliContext& context, const QString& command) const;
    [[nodiscard]] int PrintReference(CliContext& context, CliReference::Kind kind) const;
    [[nodiscard]] int UsageError(CliContext& context, const QString& text) const;

    std::vector<std::unique_ptr<CliCommand>> commands_;
};

}  // namespace nbr::cli
