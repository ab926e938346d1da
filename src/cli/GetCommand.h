#pragma once
// "get": decrypts stored files and folders into a host folder.

#include "cli/StoreCommand.h"

namespace nbr::cli {

class GetCommand final : public StoreCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("get"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("[--to DIR] [--overwrite|--skip] PATH..."); }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("decrypt stored items into a host folder"); }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] QStringList ValueOptions() const override { return {QStringLiteral("--to")}; }
    [[nodiscard]] QStringList Flags() const override { return {QStringLiteral("--overwrite"), QStringLiteral("--skip")}; }

protected:
    [[nodiscard]] Shape ArgumentShape() const override { return {Access::Unlocked, 1, kAny}; }
    [[nodiscard]] int Check(CliContext& context, const CliArguments& args) override;
    [[nodiscard]] int Work(CliContext& context, const CliArguments& args, KeyFileSession& session) override;

private:
    QString to_;  // the host folder, absolute
};

}  // namespace nbr::cli
