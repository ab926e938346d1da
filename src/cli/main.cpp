// nimbra-cli: the encrypted store of a Nimbra stick from the command line.

#include "cli/CliApp.h"
#include "platform/FaultInjection.h"
#include "platform/ProcessHardening.h"
#include "platform/Terminal.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    // Before anything is opened: run with a standard stream closed (a cron
    // job, "2>&-"), the key file or a stored file would take its number and
    // receive the messages meant for it.
    nbr::Terminal::HoldStandardStreams();
    // This process may hold the master key: keep it out of core files.
    nbr::ProcessHardening::DisableCoreDumps();
    // The crash and full-disk tests stop the tool at chosen points.
    nbr::FaultInjection::ArmFromEnvironment();
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    nbr::cli::CliApp cli;
    return cli.Run(arguments);
}
