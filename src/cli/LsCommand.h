#pragma once
// "ls": lists stored items by their display names.

#include "cli/StoreCommand.h"

namespace nbr::cli {

class LsCommand final : public StoreCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("ls"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("[-l] [-R] [--json] [PATH]"); }
    [[nodiscard]] QString Summary() const override { return QStringLiteral("list a folder of the store by display names"); }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] QStringList Flags() const override { return {QStringLiteral("-l"), QStringLiteral("-R"), QStringLiteral("--json")}; }

protected:
    [[nodiscard]] Shape ArgumentShape() const override { return {Access::Unlocked, 0, 1}; }
    [[nodiscard]] QStringList Split(const QStringList& arguments) const override;
    [[nodiscard]] int Work(CliContext& context, const CliArguments& args, KeyFileSession& session) override;
};

}  // namespace nbr::cli
