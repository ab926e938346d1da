#pragma once
// "init": sets up the encrypted store and its key under a new password.

#include "cli/StoreCommand.h"

namespace nbr::cli {

class InitCommand final : public StoreCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("init"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("[--hint TEXT] [--harden]"); }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("set up the encrypted store and its password"); }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] QStringList ValueOptions() const override { return {QStringLiteral("--hint")}; }
    [[nodiscard]] QStringList Flags() const override { return {QStringLiteral("--harden")}; }
    // What the key file's protection came to, unless quiet.
    static void SayProtection(CliContext& context, KeyFileSession& session);

protected:
    [[nodiscard]] Shape ArgumentShape() const override { return {Access::Create, 0, 0}; }
    [[nodiscard]] int Check(CliContext& context, const CliArguments& args) override;
    [[nodiscard]] int Work(CliContext& context, const CliArguments& args, KeyFileSession& session) override;
};

}  // namespace nbr::cli
