#pragma once
// "hint": shows the password hint; no password needed.

#include "cli/StoreCommand.h"

namespace nbr::cli {

class HintCommand final : public StoreCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("hint"); }
    [[nodiscard]] QString Usage() const override { return {}; }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("show the password hint"); }
    [[nodiscard]] QString Help() const override;

protected:
    [[nodiscard]] Shape ArgumentShape() const override { return {Access::KeyFile, 0, 0}; }
    [[nodiscard]] int Work(CliContext& context, const CliArguments& args, KeyFileSession& session) override;
};

}  // namespace nbr::cli
