#pragma once
// "passwd": changes the password; the master key and every stored file stay as they are.

#include "cli/StoreCommand.h"

namespace nbr::cli {

class PasswdCommand final : public StoreCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("passwd"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("[--hint TEXT] [--harden | --no-harden]"); }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("change the password"); }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] QStringList ValueOptions() const override { return {QStringLiteral("--hint")}; }
    [[nodiscard]] QStringList Flags() const override
    {
        return {QStringLiteral("--harden"), QStringLiteral("--no-harden")};
    }

protected:
    [[nodiscard]] Shape ArgumentShape() const override { return {Access::KeyFile, 0, 0}; }
    [[nodiscard]] int Check(CliContext& context, const CliArguments& args) override;
    [[nodiscard]] int Work(CliContext& context, const CliArguments& args, KeyFileSession& session) override;
};

}  // namespace nbr::cli
