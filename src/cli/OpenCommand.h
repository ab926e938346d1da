#pragma once
// "open": a stored file in its program, written back when the program ends.

#include "cli/StoreCommand.h"

namespace nbr::cli {

class OpenCommand final : public StoreCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("open"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("PATH"); }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("open a stored file in its program"); }
    [[nodiscard]] QString Help() const override;

protected:
    [[nodiscard]] Shape ArgumentShape() const override { return {Access::Unlocked, 1, 1}; }
    [[nodiscard]] int Work(CliContext& context, const CliArguments& args, KeyFileSession& session) override;
};

}  // namespace nbr::cli
