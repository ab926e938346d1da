#pragma once
// What every command of nimbra-cli gets: the global options, the configuration
// variables with the store's volume root, the texts in the user's language,
// and the way to talk to the user.

#include "base/LanguageManager.h"
#include "base/RegistrySettings.h"
#include "base/VariableStore.h"
#include "platform/Status.h"

#include <QString>
#include <QTextStream>

namespace nbr::cli {

class CliArguments;

struct CliContext {
    QString root;          // volume root that holds "Encrypted Data"
    QString passwordFile;  // --password-file, empty for the terminal or stdin
    bool quiet = false;
    bool stdoutIsTerminal = false;
    bool stderrIsTerminal = false;
    VariableStore variables;
    RegistrySettings settings;
    LanguageManager languages;
    QTextStream out {stdout};
    QTextStream err {stderr};

    // Text `id` of the language packs, formatted with `args`.
    [[nodiscard]] QString Text(int id, std::initializer_list<TextArg> args = {}) const;
    // "nimbra-cli: error: TEXT" and, when given, "hint: HINT". Returns kExitFailure.
    int Error(const QString& text, const QString& hint = {});
    // A usage error with the hint to the help; returns kExitUsage.
    int UsageError(const QString& text);
    // The usage error of `command` after its arguments did not fit: the
    // unknown option or the option without its value by name, else the
    // arguments as a whole. Returns kExitUsage.
    int ArgumentsError(const CliArguments& arguments, const QString& command);
    // The error text of a status, with the same frame.
    int StatusError(Status status, const QString& subject = {}, const QString& hint = {});
};

}  // namespace nbr::cli
