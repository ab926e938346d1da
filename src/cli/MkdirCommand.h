#pragma once
// "mkdir": creates a stored folder and the folders that lead to it.

#include "cli/CliCommand.h"

namespace nbr::cli {

class MkdirCommand final : public CliCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("mkdir"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("PATH"); }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("create a folder in the store, with missing parents"); }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] int Run(CliContext& context, const QStringList& arguments) override;
};

}  // namespace nbr::cli
