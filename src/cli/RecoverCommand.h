#pragma once
// "recover": sets a new password with the recovery key when the password is
// forgotten; the master key and every stored file stay as they are.

#include "cli/StoreCommand.h"

namespace nbr::cli {

class RecoverCommand final : public StoreCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("recover"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("[--hint TEXT]"); }
    [[nodiscard]] QString Summary() const override
    {
        return QStringLiteral("set a new password with the recovery key");
    }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] QStringList ValueOptions() const override { return {QStringLiteral("--hint")}; }

protected:
    [[nodiscard]] Shape ArgumentShape() const override { return {Access::KeyFile, 0, 0}; }
    [[nodiscard]] int Check(CliContext& context, const CliArguments& args) override;
    [[nodiscard]] int Work(CliContext& context, const CliArguments& args, KeyFileSession& session) override;
};

}  // namespace nbr::cli
