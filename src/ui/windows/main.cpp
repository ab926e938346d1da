// Nimbra: the program a person starts from the stick.

#include "devices/SimulatedDeviceSource.h"
#include "devices/UdevDeviceSource.h"
#include "devices/UsbAdapterLight.h"
#include "platform/FaultInjection.h"
#include "platform/ProcessHardening.h"
#include "ui/windows/CNimbraApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    nbr::ProcessHardening::DisableCoreDumps();
    nbr::FaultInjection::ArmFromEnvironment();
    QApplication application(argc, argv);
    // The application object decides when the program ends, not the last
    // window: the splash and the dialogs come and go during start-up.
    QApplication::setQuitOnLastWindowClosed(false);
    if (qEnvironmentVariableIsEmpty(nbr::SimulatedDeviceSource::kEnvironment))
        nbr::UsbAdapterLight::SetSourceFactory([] { return std::make_unique<nbr::UdevDeviceSource>(); });
    int code = 0;
    {
        nbr::CNimbraApp app(QApplication::arguments());
        code = app.Run();
    }
    return code;
}
