#include "cli/CliContext.h"

#include "cli/CliText.h"
#include "cli/ExitCode.h"

namespace nbr::cli {

int CliContext::Error(const QString& text, const QString& hint)
{
    out.flush();
    err << "nimbra-cli: error: " << text << '\n';
    if (!hint.isEmpty())
        err << "hint: " << hint << '\n';
    err.flush();
    return kExitFailure;
}

int CliContext::StatusError(Status status, const QString& subject, const QString& hint)
{
    const QString text = CliText::StatusText(status);
    return Error(subject.isEmpty() ? text : subject + QStringLiteral(": ") + text, hint);
}

}  // namespace nbr::cli
