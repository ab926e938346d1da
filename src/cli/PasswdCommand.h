#pragma once
// "passwd": changes the password; the master key and every stored file stay as they are.

#include "cli/CliCommand.h"

namespace nbr::cli {

class PasswdCommand final : public CliCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("passwd"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("[--hint TEXT]"); }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("change the password"); }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] QStringList ValueOptions() const override { return {QStringLiteral("--hint")}; }
    [[nodiscard]] int Run(CliContext& context, const QStringList& arguments) override;
};

}  // namespace nbr::cli
