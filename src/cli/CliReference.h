#pragma once
// The reference of nimbra-cli beyond "help": the manual page and the bash
// completion, both written from the same command table and texts as the
// help, so that they cannot drift from what the tool accepts.

#include <QString>

#include <vector>

namespace nbr::cli {

class CliCommand;

class CliReference {
public:
    enum Kind { kManualPage, kBashCompletion };

    static const QString kDescription;    // what the tool is for, one line
    static const QString kGlobalOptions;  // the option lines of the global options
    static const QString kExitCodes;

    // The manual page (roff, man(7) macros) or the completion script.
    [[nodiscard]] static QString Write(Kind kind, const std::vector<const CliCommand*>& commands);

private:
    [[nodiscard]] static QString ManualPage(const std::vector<const CliCommand*>& commands);
    [[nodiscard]] static QString BashCompletion(const std::vector<const CliCommand*>& commands);
};

}  // namespace nbr::cli
