#include "cli/CliReference.h"

#include "Version.h"
#include "cli/CliCommand.h"

#include <QStringList>

namespace nbr::cli {

const QString CliReference::kDescription =
    QStringLiteral("Works with the encrypted store of a Nimbra stick without a screen.");
const QString CliReference::kGlobalOptions = QStringLiteral(
    "  --root DIR            volume root that holds \"Encrypted Data\" (default: the volume\n"
    "                        nimbra-cli runs from)\n"
    "  --password-file FILE  read the password from the first line of FILE\n"
    "  -q, --quiet           no progress output\n"
    "  -h, --help            show help\n");
const QString CliReference::kExitCodes = QStringLiteral(
    "Exit codes: 0 success, 1 failure, 2 usage, 3 wrong password, 4 store not set up,\n"
    "5 cancelled or declined.\n");

namespace {

// Text as roff shows it literally: backslashes and minus signs escaped, and
// no line that roff would take for a request.
QString Roff(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\e")).replace(QLatin1Char('-'), QLatin1String("\\-"));
    QStringList lines = escaped.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.startsWith(QLatin1Char('.')) || line.startsWith(QLatin1Char('\'')))
            line.prepend(QLatin1String("\\&"));
    }
    return lines.join(QLatin1Char('\n'));
}

// A block shown line for line, as the help shows it.
QString Verbatim(const QString& text)
{
    QString body = Roff(text);
    while (body.endsWith(QLatin1Char('\n')))
        body.chop(1);
    return QStringLiteral(".nf\n") + body + QStringLiteral("\n.fi\n");
}

}  // namespace

QString CliReference::Write(Kind kind, const std::vector<const CliCommand*>& commands)
{
    return kind == kManualPage ? ManualPage(commands) : BashCompletion(commands);
}

QString CliReference::ManualPage(const std::vector<const CliCommand*>& commands)
{
    QString page;
    page += QStringLiteral(".TH NIMBRA\\-CLI 1 \"\" \"nimbra\\-cli %1\" \"User Commands\"\n").arg(Roff(QString::fromLatin1(kVersion)));
    page += QStringLiteral(".SH NAME\nnimbra\\-cli \\- the encrypted store of a Nimbra stick from the command line\n");
    page += QStringLiteral(".SH SYNOPSIS\n.B nimbra\\-cli\n[\\fIOPTIONS\\fR] \\fICOMMAND\\fR [\\fIARGS\\fR]\n");
    page += QStringLiteral(".SH DESCRIPTION\n") + Roff(kDescription) + QLatin1Char('\n');
    page += QStringLiteral(".PP\nGlobal options may stand anywhere on the line; after \\fB\\-\\-\\fR, every "
                           "argument goes to the command as it stands.\n");
    page += QStringLiteral(".SH COMMANDS\n.SS help [COMMAND]\nshow help\n");
    for (const CliCommand* command : commands) {
        QString title = command->Name();
        if (!command->Usage().isEmpty())
            title += QLatin1Char(' ') + command->Usage();
        page += QStringLiteral(".SS ") + Roff(title) + QLatin1Char('\n') + Roff(command->Summary()) + QLatin1Char('\n');
        page += QStringLiteral(".PP\n") + Verbatim(command->Help());
    }
    page += QStringLiteral(".SH OPTIONS\n") + Verbatim(kGlobalOptions);
    page += QStringLiteral(".SH EXIT STATUS\n") + Verbatim(kExitCodes);
    page += QStringLiteral(".SH SEE ALSO\n.BR nimbra (1)\n");
    return page;
}

QString CliReference::BashCompletion(const std::vector<const CliCommand*>& commands)
{
    QStringList names {QStringLiteral("help")};
    QString cases;
    QStringList valueOptions {QStringLiteral("--root"), QStringLiteral("--password-file")};
    for (const CliCommand* command : commands) {
        names << command->Name();
        const QStringList options = command->ValueOptions() + command->Flags();
        for (const QString& option : command->ValueOptions()) {
            if (!valueOptions.contains(option))
                valueOptions << option;
        }
        if (!options.isEmpty())
            cases += QStringLiteral("        %1) options=\"%2\" ;;\n").arg(command->Name(), options.join(QLatin1Char(' ')));
    }
    // Store paths are not completed: what is left to bash (-o default) is
    // the names of host files, which add, get --to and inspect take.
    return QStringLiteral(
               "# bash completion for nimbra-cli\n"
               "_nimbra_cli()\n"
               "{\n"
               "    local cur=\"${COMP_WORDS[COMP_CWORD]}\" prev=\"${COMP_WORDS[COMP_CWORD-1]}\"\n"
               "    local globals=\"--root --password-file -q --quiet -h --help\"\n"
               "    local commands=\"%1\"\n"
               "    local command=\"\" options=\"\" i\n"
               "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
               "        case \"${COMP_WORDS[i]}\" in\n"
               "            --) [ -n \"$command\" ] && return 0 ;;\n"
               "            %2) ((i++)) ;;\n"
               "            -*) ;;\n"
               "            *) [ -z \"$command\" ] && command=\"${COMP_WORDS[i]}\" ;;\n"
               "        esac\n"
               "    done\n"
               "    case \"$prev\" in\n"
               "        --root) COMPREPLY=($(compgen -d -- \"$cur\")); return 0 ;;\n"
               "        --password-file) COMPREPLY=($(compgen -f -- \"$cur\")); return 0 ;;\n"
               "    esac\n"
               "    case \"$command\" in\n"
               "        \"\") [[ \"$cur\" == -* ]] || { COMPREPLY=($(compgen -W \"$commands\" -- \"$cur\")); return 0; } ;;\n"
               "        help) [[ \"$cur\" == -* ]] || { COMPREPLY=($(compgen -W \"$commands\" -- \"$cur\")); return 0; } ;;\n"
               "%3"
               "    esac\n"
               "    [[ \"$cur\" == -* ]] && COMPREPLY=($(compgen -W \"$options $globals\" -- \"$cur\"))\n"
               "    return 0\n"
               "}\n"
               "complete -o default -F _nimbra_cli nimbra-cli\n")
        .arg(names.join(QLatin1Char(' ')), valueOptions.join(QLatin1Char('|')), cases);
}

}  // namespace nbr::cli
