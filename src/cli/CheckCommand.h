#pragma once
// "check": verifies the store's lists and files, and repairs what it safely can.

#include "cli/CliCommand.h"

namespace nbr::cli {

class CheckCommand final : public CliCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("check"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("[--repair]"); }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("verify every manifest and stored file"); }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] QStringList Flags() const override { return {QStringLiteral("--repair")}; }
    [[nodiscard]] int Run(CliContext& context, const QStringList& arguments) override;
};

}  // namespace nbr::cli
