#pragma once
// "wipe": destroys the key and every stored file, as the reset of the login does.

#include "cli/CliCommand.h"

namespace nbr::cli {

class WipeCommand final : public CliCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("wipe"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("[--yes]"); }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("destroy the key and every stored file"); }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] QStringList Flags() const override { return {QStringLiteral("--yes")}; }
    [[nodiscard]] int Run(CliContext& context, const QStringList& arguments) override;
};

}  // namespace nbr::cli
