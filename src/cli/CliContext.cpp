#include "cli/CliContext.h"

#include "base/ErrorText.h"
#include "base/MessageIds.h"
#include "cli/CliArguments.h"
#include "cli/ExitCode.h"
#include "cli/TerminalText.h"

namespace nbr::cli {

QString CliContext::Text(int id, std::initializer_list<TextArg> args) const
{
    return languages.FormatText(id, args);
}

int CliContext::Error(const QString& text, const QString& hint)
{
    out.flush();
    // Names in the texts may come from the store or the host: nothing in
    // them may act on the terminal.
    err << "nimbra-cli: error: " << TerminalText::Visible(text) << '\n';
    if (!hint.isEmpty())
        err << "hint: " << TerminalText::Visible(hint) << '\n';
    err.flush();
    return kExitFailure;
}

int CliContext::UsageError(const QString& text)
{
    Error(text, Text(msg::kCliSeeHelp));
    return kExitUsage;
}

int CliContext::ArgumentsError(const CliArguments& arguments, const QString& command)
{
    if (arguments.MissingValue())
        return UsageError(Text(msg::kCliNeedsValue, {arguments.BadOption()}));
    if (!arguments.BadOption().isEmpty())
        return UsageError(Text(msg::kCliUnknownOption, {arguments.BadOption()}));
    return UsageError(Text(msg::kCliWrongArguments, {command}));
}

int CliContext::StatusError(Status status, const QString& subject, const QString& hint)
{
    const QString text = FormatErrorText(languages, status);
    return Error(subject.isEmpty() ? text : subject + QStringLiteral(": ") + text, hint);
}

}  // namespace nbr::cli
