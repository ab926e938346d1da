#pragma once
// "add": encrypts host files and folders into the store.

#include "cli/StoreCommand.h"

namespace nbr::cli {

class AddCommand final : public StoreCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("add"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("[--to PATH] [--overwrite|--skip] HOSTPATH..."); }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("encrypt host files and folders into the store"); }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] QStringList ValueOptions() const override { return {QStringLiteral("--to")}; }
    [[nodiscard]] QStringList Flags() const override { return {QStringLiteral("--overwrite"), QStringLiteral("--skip")}; }

protected:
    [[nodiscard]] Shape ArgumentShape() const override { return {Access::Unlocked, 1, kAny}; }
    [[nodiscard]] int Check(CliContext& context, const CliArguments& args) override;
    [[nodiscard]] int Work(CliContext& context, const CliArguments& args, KeyFileSession& session) override;

private:
    QStringList paths_;           // the host items that are there
    int missing_ = 0;             // the exit code of those that are not
};

}  // namespace nbr::cli
