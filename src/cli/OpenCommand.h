#pragma once
// "open": a stored file in its program, written back when the program ends.

#include "cli/CliCommand.h"

namespace nbr::cli {

class OpenCommand final : public CliCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("open"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("PATH"); }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("open a stored file in its program"); }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] int Run(CliContext& context, const QStringList& arguments) override;
};

}  // namespace nbr::cli
