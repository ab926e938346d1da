// Nimbra: the application. Its window comes with the user interface; until
// then it runs the start-up checks it can already make (where it runs from,
// which volume holds the store) and reports them.

#include "Version.h"
#include "app/IMessageBoxAnswerer.h"
#include "app/ISplash.h"
#include "app/LanguageManager.h"
#include "app/LaunchCheck.h"
#include "app/MessageBox.h"
#include "app/RegistrySettings.h"
#include "app/StickFolders.h"
#include "app/VariableStore.h"
#include "devices/UdevDeviceSource.h"
#include "platform/ProcessHardening.h"
#include "platform/SimulatedDeviceSource.h"
#include "security/UsbAdapterLight.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

// Start-up texts on the terminal while there is no splash window.
class ConsoleSplash final : public nbr::ISplash {
public:
    void SetText(const QString& text) override
    {
        if (!text.isEmpty())
            QTextStream(stdout) << "  " << text << Qt::endl;
    }
};

class ConsoleMessages final : public nbr::IMessageBoxAnswerer {
public:
    std::uint32_t Answer(const nbr::MessageBoxRequest& request) override
    {
        QTextStream(stderr) << request.title << ": " << request.text << Qt::endl;
        return nbr::MessageBox::EscapeButton(request.buttons);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    nbr::ProcessHardening::DisableCoreDumps();
    QCoreApplication app(argc, argv);
    nbr::VariableStore variables;
    const nbr::HostFacts host = nbr::HostFacts::Current();
    variables.InitVariables(QCoreApplication::arguments(), host);
    nbr::RegistrySettings settings;
    nbr::LanguageManager languages;
    languages.SetSettings(&settings);
    languages.LoadPacks(variables, host.languageId);
    ConsoleMessages messages;
    nbr::MessageBox::Install(&messages);
    if (qEnvironmentVariableIsEmpty(nbr::SimulatedDeviceSource::kEnvironment))
        nbr::UsbAdapterLight::SetSourceFactory([] { return std::make_unique<nbr::UdevDeviceSource>(); });

    QTextStream out(stdout);
    out << "Nimbra " << nbr::kVersion << Qt::endl;
    ConsoleSplash splash;
    nbr::LaunchCheck check(variables, languages, &splash);
    const bool accepted = check.Run(nullptr);
    nbr::MessageBox::Install(nullptr);
    if (!accepted)
        return 1;
    const QString root = check.StoreRoot();
    nbr::StickFolders::Confine(root);
    out << "Store volume: " << (root.isEmpty() ? QStringLiteral("/") : root) << Qt::endl
        << "Store folder: " << variables.GetVariable(QStringLiteral("NBR_DEVICE_DOCUMENT_PATH")) << Qt::endl;
    return 0;
}
