// Nimbra: the application. Its window comes with the user interface; until
// then it states its version and where it would keep the store.

#include "Version.h"
#include "app/VariableStore.h"
#include "platform/ProcessHardening.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    nbr::ProcessHardening::DisableCoreDumps();
    QCoreApplication app(argc, argv);
    nbr::VariableStore variables;
    variables.InitVariables(QCoreApplication::arguments(), nbr::HostFacts::Current());
    QTextStream out(stdout);
    out << "Nimbra " << nbr::kVersion << '\n';
    if (variables.IsDefined(QStringLiteral("NBR_DEVICE_LAUNCH_PATH")))
    {
        // The root file system's volume root is the empty text.
        const QString volume = variables.GetVariable(QStringLiteral("NBR_DEVICE_LAUNCH_LETTER"));
        out << "Launched from " << variables.GetVariable(QStringLiteral("NBR_DEVICE_LAUNCH_PATH")) << " on volume "
            << (volume.isEmpty() ? QStringLiteral("/") : volume) << '\n';
    }
    return 0;
}
