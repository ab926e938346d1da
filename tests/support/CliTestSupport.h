#pragma once
// Running nimbra-cli as a user would: a process of its own with settings and
// a language of its own, a store set up for it, and a pseudo-terminal; or
// its command frame in the test's own process, with the same settings.

#include <QByteArray>
#include <QHash>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class QTemporaryDir;

namespace nbr::test {

struct Result {
    int exitCode = -1;  // -1: it did not end normally in time
    QString out;
    QString err;
};

// Settings of their own, so that a saved language of the machine's user
// does not change the texts the tests look for.
QString Config();
// The environment every run gets: those settings and C.UTF-8, whatever the
// machine's locale variables say.
QProcessEnvironment CliEnvironment();
// `input` feeds standard input; `inputFile` (when given) is standard input
// instead. `extra` adds to or overrides the environment.
Result RunCli(const QStringList& arguments, const QByteArray& input = {}, const QString& inputFile = {},
              const QHash<QString, QString>& extra = {}, int timeoutMs = 30000);
// Runs nimbra-cli's command frame in this process, as the program would run
// it: standard input from `input`, standard output and error caught whole
// (what the commands write through the C library too), the environment of
// CliEnvironment() plus `extra` for the run. For a command's logic; what
// needs a process of its own (signals, a terminal, a lock another process
// holds, the exit of the process itself) goes through RunCli.
Result RunHere(const QStringList& arguments, const QByteArray& input = {}, const QHash<QString, QString>& extra = {});
// A store set up with the password "secret1", which the file "pw" holds;
// gives the global options that reach it.
QStringList SetUpStore(const QTemporaryDir& root, bool* ok);
// Runs nimbra-cli on a pseudo-terminal (through script(1)), typing `input`;
// `out` gets the whole transcript.
// Starts nimbra-cli with ARGUMENTS on a pseudo-terminal of script(1).
void StartOnTerminal(QProcess& process, const QStringList& arguments);
Result RunOnTerminal(const QStringList& arguments, const QByteArray& input, const QHash<QString, QString>& extra = {});

}  // namespace nbr::test
