#pragma once
// "wipe": destroys the key and every stored file, as the reset of the login does.

#include "cli/StoreCommand.h"

namespace nbr::cli {

class WipeCommand final : public StoreCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("wipe"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("[--yes]"); }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("destroy the key and every stored file"); }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] QStringList Flags() const override { return {QStringLiteral("--yes")}; }

protected:
    [[nodiscard]] Shape ArgumentShape() const override { return {Access::KeyFile, 0, 0}; }
    [[nodiscard]] int Work(CliContext& context, const CliArguments& args, KeyFileSession& session) override;
};

}  // namespace nbr::cli
