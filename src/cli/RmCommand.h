#pragma once
// "rm": deletes stored files and folders, asking first.

#include "cli/CliCommand.h"

namespace nbr::cli {

class RmCommand final : public CliCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("rm"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("[-r] [--yes] PATH..."); }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("delete items from the store"); }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] QStringList Flags() const override { return {QStringLiteral("-r"), QStringLiteral("--yes")}; }
    [[nodiscard]] int Run(CliContext& context, const QStringList& arguments) override;
};

}  // namespace nbr::cli
