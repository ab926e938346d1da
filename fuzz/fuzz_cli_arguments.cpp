// The command lines of both programs: nimbra-cli's per-command arguments and
// nimbra's own ("-l=" launch path), with the configuration variables built
// from them. Arguments are the input split at zero bytes.

#include "FuzzScratchFile.h"
#include "base/VariableStore.h"
#include "cli/CliArguments.h"

using nbr::VariableStore;
using nbr::cli::CliArguments;

namespace {

QStringList SplitArguments(const std::uint8_t* data, std::size_t size)
{
    QStringList arguments;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QByteArray& part : bytes.split('\0'))
        arguments << QString::fromLocal8Bit(part);
    return arguments;
}

void CheckCommandArguments(const QStringList& arguments)
{
    // The shapes of the commands' tables: a value option, and flags.
    CliArguments parser({QStringLiteral("--to"), QStringLiteral("--as")},
                        {QStringLiteral("-r"), QStringLiteral("--overwrite"), QStringLiteral("--yes")});
    QString error;
    if (!parser.Parse(arguments, &error)) {
        // The refused argument is named, so the user sees what was wrong.
        FUZZ_CHECK(arguments.contains(error));
        FUZZ_CHECK(error.startsWith(QLatin1Char('-')));
        return;
    }
    FUZZ_CHECK(parser.Rest().size() <= arguments.size());
    const qsizetype dashes = arguments.indexOf(QStringLiteral("--"));
    for (const QString& rest : parser.Rest()) {
        // An option word is a positional argument only after "--" or as "-".
        if (rest.startsWith(QLatin1Char('-')) && rest != QLatin1String("-"))
            FUZZ_CHECK(dashes >= 0);
    }
    for (const QString& option : {QStringLiteral("--to"), QStringLiteral("--as")}) {
        if (!parser.Has(option))
            FUZZ_CHECK(parser.Value(option).isEmpty());
    }
}

void CheckLaunchArguments(const QStringList& arguments)
{
    nbr::HostFacts host;
    host.programPath = QStringLiteral("/media/fuzz/STICK/nimbra");
    host.appDataFolder = QStringLiteral("/home/fuzz/.local/share");
    VariableStore variables;
    variables.InitVariables(arguments, host);
    for (const char* name : {"NBR_DEVICE_LAUNCH_PATH", "NBR_DEVICE_LAUNCH_LETTER", "NBR_DEVICE_DOCUMENT_PATH",
                             "NBR_DEVICE_APP_SETTINGS_PATH", "NBR_HOST_EXEC_PATH", "NBR_HOST_TEMP_PATH",
                             "NBR_SEC_PARAM_FILE", "NBR_HOST_APPDATA_PATH"}) {
        // Expansion is bounded however the values refer to each other.
        FUZZ_CHECK(variables.GetVariable(QString::fromLatin1(name)).size() <= (2 << 20));
    }
    bool launch = false;
    for (const QString& argument : arguments)
        launch = launch || (argument.startsWith(QLatin1String("-l=")) && argument.size() > 3);
    if (!launch)
        FUZZ_CHECK(!variables.IsDefined(QStringLiteral("NBR_DEVICE_LAUNCH_PATH")));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QStringList arguments = SplitArguments(data, size);
    CheckCommandArguments(arguments);
    CheckLaunchArguments(arguments);
    return 0;
}
