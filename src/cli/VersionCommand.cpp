#include "cli/VersionCommand.h"

#include "Version.h"
#include "base/MessageIds.h"
#include "cli/CliArguments.h"
#include "cli/CliContext.h"
#include "cli/ExitCode.h"

namespace nbr::cli {

QString VersionCommand::Help() const
{
    return QStringLiteral("Prints the version of nimbra-cli.");
}

int VersionCommand::Run(CliContext& context, const QStringList& arguments)
{
    CliArguments args({}, {});
    if (!args.Parse(arguments))
        return context.ArgumentsError(args, Name());
    if (!args.Rest().isEmpty()) {
        context.Error(context.Text(msg::kCliNoArguments, {Name()}));
        return kExitUsage;
    }
    context.out << "nimbra-cli " << kVersion << '\n';
    return kExitSuccess;
}

}  // namespace nbr::cli
