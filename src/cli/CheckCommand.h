#pragma once
// "check": verifies the store's lists and files, and repairs what it safely can.

#include "cli/StoreCommand.h"

namespace nbr::cli {

class CheckCommand final : public StoreCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("check"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("[--repair]"); }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("verify every manifest and stored file"); }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] QStringList Flags() const override { return {QStringLiteral("--repair")}; }

protected:
    [[nodiscard]] Shape ArgumentShape() const override { return {Access::Unlocked, 0, 0}; }
    [[nodiscard]] int Work(CliContext& context, const CliArguments& args, KeyFileSession& session) override;
};

}  // namespace nbr::cli
