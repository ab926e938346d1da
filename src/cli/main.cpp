// nimbra-cli: the encrypted store of a Nimbra stick from the command line.

#include "cli/CliApp.h"
#include "platform/ProcessHardening.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    // This process may hold the master key: keep it out of core files.
    nbr::ProcessHardening::DisableCoreDumps();
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    nbr::cli::CliApp cli;
    return cli.Run(arguments);
}
