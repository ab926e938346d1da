#include "cli/HintCommand.h"

#include "base/MessageIds.h"
#include "cli/CliArguments.h"
#include "cli/CliContext.h"
#include "cli/ExitCode.h"
#include "cli/KeyFileSession.h"
#include "cli/TerminalText.h"
#include "security/KeyFileLayout.h"
#include "security/SecurityStatus.h"

namespace nbr::cli {

QString HintCommand::Help() const
{
    return QStringLiteral("Shows the password hint stored with the key. No password is needed.");
}

int HintCommand::Work(CliContext& context, const CliArguments&, KeyFileSession& session)
{
    QString hint;
    const Status s = session.Properties().ReadString(KeyFileLayout::kSlotHint, &hint);
    if (s == E_PROP_NOT_FOUND || (Succeeded(s) && hint.isEmpty())) {
        context.out << context.Text(msg::kCliNoHint) << '\n';
        return kExitSuccess;
    }
    if (Failed(s))
        return context.StatusError(s, session.KeyFile());
    // Anyone who can write to the stick can set the hint: it must not drive the terminal.
    context.out << context.Text(msg::kHintPrefix) << ' ' << TerminalText::Visible(hint) << '\n';
    return kExitSuccess;
}

}  // namespace nbr::cli
