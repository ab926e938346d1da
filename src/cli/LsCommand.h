#pragma once
// "ls": lists stored items by their display names.

#include "cli/CliCommand.h"

namespace nbr::cli {

class LsCommand final : public CliCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("ls"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("[-l] [-R] [--json] [PATH]"); }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("list a folder of the store by display names"); }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] QStringList Flags() const override { return {QStringLiteral("-l"), QStringLiteral("-R"), QStringLiteral("--json")}; }
    [[nodiscard]] int Run(CliContext& context, const QStringList& arguments) override;
};

}  // namespace nbr::cli
