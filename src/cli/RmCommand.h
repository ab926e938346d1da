#pragma once
// "rm": deletes stored files and folders, asking first.

#include "cli/StoreCommand.h"

namespace nbr::cli {

class RmCommand final : public StoreCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("rm"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("[-r] [--yes] PATH..."); }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("delete items from the store"); }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] QStringList Flags() const override { return {QStringLiteral("-r"), QStringLiteral("--yes")}; }

protected:
    [[nodiscard]] Shape ArgumentShape() const override { return {Access::Unlocked, 1, kAny}; }
    [[nodiscard]] int Work(CliContext& context, const CliArguments& args, KeyFileSession& session) override;
};

}  // namespace nbr::cli
