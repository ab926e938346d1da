// Nimbra: the program a person starts from the stick.

#include "devices/SimulatedDeviceSource.h"
#ifdef _WIN32
#include "devices/DriveLetterDeviceSource.h"
#else
#include "devices/UdevDeviceSource.h"
#endif
#include "devices/UsbAdapterLight.h"
#include "platform/FaultInjection.h"
#include "platform/ProcessHardening.h"
#include "platform/Terminal.h"
#include "ui/windows/CNimbraApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // Before anything is opened: a launcher may start us with its standard
    // streams closed, and Qt's warnings would then land in the store's files.
    nbr::Terminal::HoldStandardStreams();
    nbr::ProcessHardening::DisableCoreDumps();
    nbr::FaultInjection::ArmFromEnvironment();
    QApplication application(argc, argv);
    // The application object decides when the program ends, not the last
    // window: the splash and the dialogs come and go during start-up.
    QApplication::setQuitOnLastWindowClosed(false);
    if (qEnvironmentVariableIsEmpty(nbr::SimulatedDeviceSource::kEnvironment))
#ifdef _WIN32
        nbr::UsbAdapterLight::SetSourceFactory([] { return std::make_unique<nbr::DriveLetterDeviceSource>(); });
#else
        nbr::UsbAdapterLight::SetSourceFactory([] { return std::make_unique<nbr::UdevDeviceSource>(); });
#endif
    int code = 0;
    {
        nbr::CNimbraApp app(QApplication::arguments());
        code = app.Run();
    }
    return code;
}
