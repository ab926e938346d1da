#pragma once
// "cat": decrypts one stored file to standard output.

#include "cli/CliCommand.h"

namespace nbr::cli {

class CatCommand final : public CliCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("cat"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("PATH"); }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("decrypt a stored file to standard output"); }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] int Run(CliContext& context, const QStringList& arguments) override;
};

}  // namespace nbr::cli
