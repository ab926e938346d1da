#pragma once
// "hint": shows the password hint; no password needed.

#include "cli/CliCommand.h"

namespace nbr::cli {

class HintCommand final : public CliCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("hint"); }
    [[nodiscard]] QString Usage() const override { return {}; }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("show the password hint"); }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] int Run(CliContext& context, const QStringList& arguments) override;
};

}  // namespace nbr::cli
