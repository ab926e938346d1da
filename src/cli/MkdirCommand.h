#pragma once
// "mkdir": creates a stored folder and the folders that lead to it.

#include "cli/StoreCommand.h"

namespace nbr::cli {

class MkdirCommand final : public StoreCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("mkdir"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("PATH"); }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("create a folder in the store, with missing parents"); }
    [[nodiscard]] QString Help() const override;

protected:
    [[nodiscard]] Shape ArgumentShape() const override { return {Access::Unlocked, 1, 1}; }
    [[nodiscard]] int Work(CliContext& context, const CliArguments& args, KeyFileSession& session) override;
};

}  // namespace nbr::cli
