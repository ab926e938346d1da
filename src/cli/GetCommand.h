#pragma once
// "get": decrypts stored files and folders into a host folder.

#include "cli/CliCommand.h"

namespace nbr::cli {

class GetCommand final : public CliCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("get"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("[--to DIR] [--overwrite|--skip] PATH..."); }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("decrypt stored items into a host folder"); }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] QStringList ValueOptions() const override { return {QStringLiteral("--to")}; }
    [[nodiscard]] QStringList Flags() const override { return {QStringLiteral("--overwrite"), QStringLiteral("--skip")}; }
    [[nodiscard]] int Run(CliContext& context, const QStringList& arguments) override;
};

}  // namespace nbr::cli
