#pragma once
// "cat": decrypts one stored file to standard output.

#include "cli/StoreCommand.h"

namespace nbr::cli {

class CatCommand final : public StoreCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("cat"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("PATH"); }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("decrypt a stored file to standard output"); }
    [[nodiscard]] QString Help() const override;

protected:
    [[nodiscard]] Shape ArgumentShape() const override { return {Access::Unlocked, 1, 1}; }
    [[nodiscard]] int Work(CliContext& context, const CliArguments& args, KeyFileSession& session) override;
};

}  // namespace nbr::cli
