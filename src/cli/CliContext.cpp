#include "cli/CliContext.h"

#include "app/ErrorText.h"
#include "app/MessageIds.h"
#include "cli/ExitCode.h"

namespace nbr::cli {

QString CliContext::Text(int id, std::initializer_list<TextArg> args) const
{
    return languages.FormatText(id, args);
}

int CliContext::Error(const QString& text, const QString& hint)
{
    out.flush();
    err << "nimbra-cli: error: " << text << '\n';
    if (!hint.isEmpty())
        err << "hint: " << hint << '\n';
    err.flush();
    return kExitFailure;
}

int CliContext::UsageError(const QString& text)
{
    Error(text, Text(msg::kCliSeeHelp));
    return kExitUsage;
}

int CliContext::StatusError(Status status, const QString& subject, const QString& hint)
{
    const QString text = FormatErrorText(languages, status);
    return Error(subject.isEmpty() ? text : subject + QStringLiteral(": ") + text, hint);
}

}  // namespace nbr::cli
