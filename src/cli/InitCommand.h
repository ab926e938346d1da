#pragma once
// "init": sets up the encrypted store and its key under a new password.

#include "cli/CliCommand.h"

namespace nbr::cli {

class InitCommand final : public CliCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("init"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("[--hint TEXT]"); }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("set up the encrypted store and its password"); }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] QStringList ValueOptions() const override { return {QStringLiteral("--hint")}; }
    [[nodiscard]] int Run(CliContext& context, const QStringList& arguments) override;
};

}  // namespace nbr::cli
