#pragma once
// "add": encrypts host files and folders into the store.

#include "cli/CliCommand.h"

namespace nbr::cli {

class AddCommand final : public CliCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("add"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("[--to PATH] [--overwrite|--skip] HOSTPATH..."); }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("encrypt host files and folders into the store"); }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] QStringList ValueOptions() const override { return {QStringLiteral("--to")}; }
    [[nodiscard]] QStringList Flags() const override { return {QStringLiteral("--overwrite"), QStringLiteral("--skip")}; }
    [[nodiscard]] int Run(CliContext& context, const QStringList& arguments) override;
};

}  // namespace nbr::cli
