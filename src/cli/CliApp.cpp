#include "cli/CliApp.h"

#include "base/StickFolders.h"

#include "base/ErrorText.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "cli/AddCommand.h"
#include "cli/CatCommand.h"
#include "cli/CheckCommand.h"
#include "cli/CliContext.h"
#include "cli/CliReference.h"
#include "cli/ExitCode.h"
#include "cli/FileInfoCommand.h"
#include "cli/GetCommand.h"
#include "cli/HintCommand.h"
#include "cli/InitCommand.h"
#include "cli/LsCommand.h"
#include "cli/MkdirCommand.h"
#include "cli/OpenCommand.h"
#include "cli/PasswdCommand.h"
#include "cli/RecoverCommand.h"
#include "cli/RecoveryKeyCommand.h"
#include "cli/RmCommand.h"
#include "cli/TerminalMessageBox.h"
#include "cli/VersionCommand.h"
#include "cli/WipeCommand.h"
#include "devices/SimulatedDeviceSource.h"
#include "devices/UsbAdapterLight.h"
#include "platform/HostFacts.h"
#include "platform/SystemError.h"
#include "platform/Terminal.h"

#include <cerrno>
#include <cstdio>

#include <QDir>
#include <QCoreApplication>

namespace nbr::cli {
namespace {

QString GlobalOptions()
{
    return QStringLiteral("Global options (anywhere on the line):\n") + CliReference::kGlobalOptions;
}

}  // namespace

CliApp::CliApp()
{
    commands_.push_back(std::make_unique<VersionCommand>());
    commands_.push_back(std::make_unique<InitCommand>());
    commands_.push_back(std::make_unique<PasswdCommand>());
    commands_.push_back(std::make_unique<RecoveryKeyCommand>());
    commands_.push_back(std::make_unique<RecoverCommand>());
    commands_.push_back(std::make_unique<HintCommand>());
    commands_.push_back(std::make_unique<WipeCommand>());
    commands_.push_back(std::make_unique<LsCommand>());
    commands_.push_back(std::make_unique<MkdirCommand>());
    commands_.push_back(std::make_unique<RmCommand>());
    commands_.push_back(std::make_unique<AddCommand>());
    commands_.push_back(std::make_unique<GetCommand>());
    commands_.push_back(std::make_unique<CatCommand>());
    commands_.push_back(std::make_unique<OpenCommand>());
    commands_.push_back(std::make_unique<CheckCommand>());
    commands_.push_back(std::make_unique<FileInfoCommand>());
}

CliApp::~CliApp() = default;

CliCommand* CliApp::Find(const QString& name) const
{
    for (const auto& command : commands_) {
        if (command->Name() == name)
            return command.get();
    }
    return nullptr;
}

int CliApp::PrintHelp(CliContext& context, const QString& name) const
{
    if (!name.isEmpty()) {
        CliCommand* command = Find(name);
        if (!command)
            return UsageError(context, context.Text(msg::kCliUnknownCommand, {name}));
        context.out << "Usage: nimbra-cli [OPTIONS] " << command->Name();
        if (!command->Usage().isEmpty())
            context.out << ' ' << command->Usage();
        context.out << "\n\n" << command->Help() << "\n\n" << GlobalOptions();
        return kExitSuccess;
    }
    context.out << "Usage: nimbra-cli [OPTIONS] COMMAND [ARGS]\n\n"
                << CliReference::kDescription << "\n\nCommands:\n";
    context.out << QStringLiteral("  %1%2\n").arg(QStringLiteral("help [COMMAND]"), -22).arg(QStringLiteral("show help"));
    for (const auto& command : commands_)
        context.out << QStringLiteral("  %1%2\n").arg(command->Name(), -22).arg(command->Summary());
    context.out << '\n' << GlobalOptions()
                << '\n' << CliReference::kExitCodes;
    return kExitSuccess;
}

int CliApp::PrintReference(CliContext& context, CliReference::Kind kind) const
{
    std::vector<const CliCommand*> commands;
    for (const auto& command : commands_)
        commands.push_back(command.get());
    context.out << CliReference::Write(kind, commands);
    return kExitSuccess;
}

int CliApp::UsageError(CliContext& context, const QString& text) const
{
    return context.UsageError(text);
}

int CliApp::Run(const QStringList& arguments)
{
    // Names and texts reach a Windows console as the UTF-8 they are written in.
    const Terminal::ConsoleOutput console;
    CliContext context;
    context.stdoutIsTerminal = Terminal::IsTerminal(Terminal::kOutput);
    context.stderrIsTerminal = Terminal::IsTerminal(Terminal::kError);
    // Texts first: every message from here on is in the user's language.
    const HostFacts host = HostFacts::Current();
    context.variables.InitVariables(QCoreApplication::arguments(), host);
    context.languages.SetSettings(&context.settings);
    context.languages.LoadPacks(context.variables, host.languageId);
    TerminalMessageBox answerer(context.languages);
    MessageBox::Install(&answerer);
    int code = Dispatch(context, arguments);
    // What a command wrote may still sit in a buffer, and a write that the
    // disk refused is only known now: a listing or a recovery key that never
    // reached its file must not end as a success.
    errno = 0;
    context.out.flush();
    const bool flushed = std::fflush(stdout) == 0;
    const int error = errno != 0 ? errno : EIO;
    if (code == kExitSuccess && (!flushed || std::ferror(stdout) || context.out.status() != QTextStream::Ok))
        code = context.Error(context.Text(msg::kCliOutputFailed, {FormatErrorText(context.languages, SystemError::StatusFromErrno(error))}));
    MessageBox::Install(nullptr);
    return code;
}

int CliApp::Dispatch(CliContext& context, const QStringList& arguments)
{
    // Global options count wherever they stand, as people type them
    // ("add -q FILE"); a command's own option keeps the value after it, and
    // after "--" everything goes to the command as it stands.
    QString commandName;
    CliCommand* command = nullptr;
    QStringList rest;
    bool wantHelp = false;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (optionsEnded) {
            rest << arg;
        } else if (!commandName.isEmpty() && arg == QLatin1String("--")) {
            optionsEnded = true;
            rest << arg;
        } else if (arg == QLatin1String("--root") || arg == QLatin1String("--password-file")) {
            if (i + 1 >= arguments.size())
                return UsageError(context, context.Text(msg::kCliNeedsValue, {arg}));
            (arg == QLatin1String("--root") ? context.root : context.passwordFile) = arguments.at(++i);
        } else if (arg.startsWith(QLatin1String("--root="))) {
            context.root = arg.mid(7);
        } else if (arg.startsWith(QLatin1String("--password-file="))) {
            context.passwordFile = arg.mid(16);
        } else if (arg == QLatin1String("-q") || arg == QLatin1String("--quiet")) {
            context.quiet = true;
        } else if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            wantHelp = true;
        } else if (command && command->ValueOptions().contains(arg)) {
            rest << arg;
            if (i + 1 < arguments.size())
                rest << arguments.at(++i);
        } else if (!commandName.isEmpty()) {
            rest << arg;
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            return UsageError(context, context.Text(msg::kCliUnknownOption, {arg}));
        } else {
            commandName = arg;
            command = Find(commandName);
        }
    }

    if (commandName == QLatin1String("help")) {
        if (rest.value(0) == QLatin1String("--man"))
            return PrintReference(context, CliReference::kManualPage);
        if (rest.value(0) == QLatin1String("--bash-completion"))
            return PrintReference(context, CliReference::kBashCompletion);
        return PrintHelp(context, rest.value(0));
    }
    if (commandName.isEmpty()) {
        if (wantHelp)
            return PrintHelp(context, {});
        return UsageError(context, context.Text(msg::kCliNoCommand));
    }
    if (!command)
        return UsageError(context, context.Text(msg::kCliUnknownCommand, {commandName}));
    if (wantHelp)
        return PrintHelp(context, commandName);

    if (context.root.isEmpty()) {
        // The volume nimbra-cli runs from; a simulated stick counts as one.
        const QString program = HostFacts::RunningProgramPath();
        context.root = HostFacts::VolumeRootOf(program);
        if (!qEnvironmentVariableIsEmpty(SimulatedDeviceSource::kEnvironment)) {
            const UsbAdapterLight::Lease devices;
            if (devices->Rescan(true))
                context.root = devices->VolumeRootOf(program, context.root);
        }
        if (context.root.isEmpty())
            context.root = QStringLiteral("/");
    }
    // A root typed with backslashes (Windows) is taken in the program's own form.
    context.root = QDir::fromNativeSeparators(context.root);
    while (context.root.size() > 1 && context.root.endsWith(QLatin1Char('/')))
        context.root.chop(1);
    context.variables.SetVariable(QStringLiteral("NBR_DEVICE_DOCUMENT_LETTER"),
                                  context.root == QLatin1String("/") ? QString() : context.root);
    StickFolders::Confine(context.root == QLatin1String("/") ? QString() : context.root);
    return command->Run(context, rest);
}

}  // namespace nbr::cli
