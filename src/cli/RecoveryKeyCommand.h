#pragma once
// "recovery-key": after the password, shows the recovery key that sets a
// new password when this one is forgotten.

#include "cli/StoreCommand.h"

namespace nbr::cli {

class RecoveryKeyCommand final : public StoreCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("recovery-key"); }
    [[nodiscard]] QString Usage() const override { return {}; }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("show the recovery key (after the password)"); }
    [[nodiscard]] QString Help() const override;

protected:
    [[nodiscard]] Shape ArgumentShape() const override { return {Access::KeyFile, 0, 0}; }
    [[nodiscard]] int Work(CliContext& context, const CliArguments& args, KeyFileSession& session) override;
};

}  // namespace nbr::cli
