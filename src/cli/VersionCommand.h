#pragma once
// "version": the program's version.

#include "cli/CliCommand.h"

namespace nbr::cli {

class VersionCommand final : public CliCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("version"); }
    [[nodiscard]] QString Usage() const override { return {}; }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("print the version"); }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] int Run(CliContext& context, const QStringList& arguments) override;
};

}  // namespace nbr::cli
