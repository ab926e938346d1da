// Device detection with the simulated source: the snapshot's rules, the
// notification contract, the selection, and the launch check's choices and
// waits. With udev: the machine's real devices enumerate (none is fine).

#include "TestSupport.h"

#include "ScriptedMessageBox.h"
#include "app/ISplash.h"
#include "app/LaunchCheck.h"
#include "app/StoreVolumeWatch.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/VariableStore.h"
#include "devices/DeviceNotifier.h"
#include "devices/SimulatedDeviceSource.h"
#include "devices/UdevDeviceSource.h"
#include "devices/UsbAdapterLight.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <optional>

using namespace nbr;
using namespace nbr::test;

namespace {

struct Recorder : ISimpleDeviceNotification {
    QStringList calls;
    QString refuse;  // a root whose removal is refused
    void OnVolumeArrival(const QString& root) override { calls << QStringLiteral("arrival ") + root; }
    void OnVolumeRemoved(const QString& root) override { calls << QStringLiteral("removal ") + root; }
    bool CanRemoveVolume(const QString& root) override
    {
        calls << QStringLiteral("query ") + root;
        return root != refuse;
    }
    void OnVolumeNotice(const QString&) override {}
};

// Completes its first scan only.
class FlakySource final : public DeviceSource {
public:
    explicit FlakySource(const QString& file) : inner_(file) {}
    Status Scan(QList<UsbDeviceRecord>* devices) override
    {
        return scans_++ == 0 ? inner_.Scan(devices) : StatusFromWin32(21);
    }
    void Watch(std::function<void(const QList<VolumeEvent>&)>) override {}

private:
    SimulatedDeviceSource inner_;
    int scans_ = 0;
};

struct SplashLog : ISplash {
    QStringList texts;
    void SetText(const QString& text) override { texts << text; }
};

QByteArray Stick(const QString& root, const char* id = "USB#VID_1234&PID_ABCD#0123456789#")
{
    return QByteArray(R"({"id": ")") + id + R"(", "disks": [{"vendor": "ACME", "product": "Stick", "type": "removable",
        "volumes": [{"root": ")" + root.toUtf8() + R"(", "type": "removable"}]}]})";
}

QByteArray Composite(const QString& cd, const QString& data)
{
    return QByteArray(R"({"id": "USB#VID_0781&PID_5406#SAN1#", "disks": [
        {"type": "cdrom", "root": ")") + cd.toUtf8() + R"(", "media": 1},
        {"type": "removable", "volumes": [{"root": ")" + data.toUtf8() + R"(", "type": "removable"}]}]})";
}

}  // namespace

class TestDevices : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void identifiers();
    void snapshotRules();
    void notifications();
    void removalClearsTheSelection();
    void incompleteScansAreRetried();
    void launchCheckChoices();
    void launchCheckWaits();
    void launchFromFolderWithPercentSigns();
    void storeVolumeWatch();
    void realDevices();

private:
    void Describe(const QList<QByteArray>& devices);
    QTemporaryDir dir_;
    QString file_;
    LanguageManager languages_;
    ScriptedMessageBox answers_;
};

void TestDevices::init()
{
    file_ = dir_.filePath(QStringLiteral("devices.json"));
    Describe({});
    qputenv(SimulatedDeviceSource::kEnvironment, QFile::encodeName(file_));
    UsbAdapterLight::SetSourceFactory(nullptr);
    UsbAdapterLight::SetRetryDelay(10);
    answers_.Script({});
    MessageBox::Install(&answers_);
}

void TestDevices::cleanup()
{
    QCOMPARE(UsbAdapterLight::UseCount(), 0);  // every lease went with its owner
    MessageBox::Install(nullptr);
}

void TestDevices::Describe(const QList<QByteArray>& devices)
{
    WriteAll(file_, "{\"devices\": [" + devices.join(",\n") + "]}");
}

void TestDevices::identifiers()
{
    std::uint32_t vendor = 0;
    std::uint32_t product = 0;
    QString serial;
    QVERIFY(UsbAdapterLight::ParseIdentifier(QStringLiteral("USB#VID_1234&PID_ABCD#0123456789#{a5dcbf10}"), &vendor, &product, &serial));
    QCOMPARE(vendor, 0x1234u);
    QCOMPARE(product, 0xABCDu);
    QCOMPARE(serial, QStringLiteral("0123456789"));
    QVERIFY(UsbAdapterLight::ParseIdentifier(QStringLiteral("usb#vid_0951&pid_1666#6&2A1B3C&0#"), &vendor, &product, &serial));
    QCOMPARE(vendor, 0x0951u);
    QCOMPARE(serial, QString());
    QVERIFY(UsbAdapterLight::ParseIdentifier(QStringLiteral("USB#ROOT_HUB#x#"), &vendor, &product, &serial));
    QCOMPARE(vendor, 0u);
    QVERIFY(!UsbAdapterLight::ParseIdentifier(QStringLiteral("no separators"), &vendor, &product, &serial));
}

void TestDevices::snapshotRules()
{
    // A CD-ROM-only device is dropped; the one stick gets selected by itself,
    // on its first volume that is not a CD-ROM.
    Describe({R"({"id": "USB#VID_0001&PID_0002#CD#", "disks": [{"type": "cdrom", "root": "/media/cd"}]})",
              R"({"id": "USB#VID_0781&PID_5406#SAN1#", "disks": [{"type": "removable", "volumes": [
                   {"root": "/media/launcher", "type": "cdrom"}, {"root": "/media/data", "type": "removable"}]}]})"});
    UsbAdapterLight::Lease lease;
    UsbAdapterLight* adapter = lease.get();
    UsbAdapterLight::Lease second;
    QCOMPARE(second.get(), adapter);
    QCOMPARE(UsbAdapterLight::UseCount(), 2);
    QVERIFY(adapter->Rescan(true));
    QCOMPARE(adapter->Devices().size(), 1);
    QVERIFY(adapter->HasSelection());
    QCOMPARE(adapter->SelectedRoot(), QStringLiteral("/media/data"));  // not the CD-ROM launcher
    QCOMPARE(adapter->GetDriveLetters(30), (QStringList {QStringLiteral("/media/launcher"), QStringLiteral("/media/data")}));
    QCOMPARE(adapter->GetDriveLetters(1), QStringList {QStringLiteral("/media/launcher")});
    QCOMPARE(adapter->GetVendorId(), 0x0781u);
    QCOMPARE(adapter->GetProductId(), 0x5406u);
    QCOMPARE(adapter->DriveTypeOf(QStringLiteral("/media/launcher")), int(kDriveCdRom));
    QVERIFY(!adapter->SelectDrive(QStringLiteral("/media/cd")));
    QVERIFY(!adapter->HasSelection());
    QCOMPARE(adapter->GetVendorId(), 0u);
    QVERIFY(adapter->GetDriveLetters(30).isEmpty());
    QStringList seen;
    QVERIFY(adapter->Rescan(false, [&](const QString& root) { seen << root; }));
    QCOMPARE(seen.size(), 2);
    QCOMPARE(adapter->VolumeRootOf(QStringLiteral("/media/data/Nimbra/x"), QStringLiteral("?")), QStringLiteral("/media/data"));
    QCOMPARE(adapter->VolumeRootOf(QStringLiteral("/elsewhere"), QStringLiteral("?")), QStringLiteral("?"));
    UsbAdapterLight::Lease moved(std::move(second));
    QCOMPARE(moved.get(), adapter);
    QVERIFY(!second.get());
    QCOMPARE(UsbAdapterLight::UseCount(), 2);
    moved.Reset();
    lease.Reset();
    QCOMPARE(UsbAdapterLight::UseCount(), 0);
}

void TestDevices::notifications()
{
    Describe({Composite(QStringLiteral("/media/cd"), QStringLiteral("/media/stick"))});
    const UsbAdapterLight::Lease lease;
    UsbAdapterLight* adapter = lease.get();
    QVERIFY(adapter->Rescan(true));
    Recorder first;
    Recorder second;
    first.refuse = QStringLiteral("/media/stick");  // the store's volume
    adapter->AddSink(&first);
    adapter->AddSink(&second);
    auto* source = dynamic_cast<SimulatedDeviceSource*>(adapter->Source());
    QVERIFY(source);

    // Two volumes in one change: two arrivals, in order, after the change.
    Describe({Composite(QStringLiteral("/media/cd"), QStringLiteral("/media/stick")), Stick(QStringLiteral("/media/E")),
              Stick(QStringLiteral("/media/G"), "USB#VID_1111&PID_2222#S2#")});
    source->Reload();
    QVERIFY(first.calls.isEmpty());  // not yet: delivered by the event loop
    QCoreApplication::processEvents();
    QCOMPARE(first.calls, (QStringList {QStringLiteral("arrival /media/E"), QStringLiteral("arrival /media/G")}));
    QCOMPARE(second.calls, first.calls);
    QCOMPARE(adapter->Devices().size(), 3);  // the adapter refreshed itself first

    // A disc changed in the CD-ROM unit: no sink hears of it.
    first.calls.clear();
    QByteArray changed = Composite(QStringLiteral("/media/cd"), QStringLiteral("/media/stick"));
    changed.replace("\"media\": 1", "\"media\": 2");
    Describe({changed, Stick(QStringLiteral("/media/E")), Stick(QStringLiteral("/media/G"), "USB#VID_1111&PID_2222#S2#")});
    source->Reload();
    QCoreApplication::processEvents();
    QVERIFY(first.calls.isEmpty());

    // Removal questions are answered at once; the store's volume is refused.
    second.calls.clear();
    QVERIFY(!adapter->Notifier().QueryRemove(QStringLiteral("/media/stick")));
    QVERIFY(adapter->Notifier().QueryRemove(QStringLiteral("/media/E")));
    QCOMPARE(first.calls, (QStringList {QStringLiteral("query /media/stick"), QStringLiteral("query /media/E")}));
    QCOMPARE(second.calls, QStringList {QStringLiteral("query /media/E")});  // asking stopped at the refusal
}

void TestDevices::removalClearsTheSelection()
{
    Describe({Stick(QStringLiteral("/media/one")), Stick(QStringLiteral("/media/two"), "USB#VID_2&PID_3#B#")});
    const UsbAdapterLight::Lease lease;
    UsbAdapterLight* adapter = lease.get();
    QVERIFY(adapter->Rescan(true));
    QVERIFY(!adapter->HasSelection());  // two sticks: no choice is made
    QVERIFY(adapter->SelectDrive(QStringLiteral("/media/one")));
    Describe({Stick(QStringLiteral("/media/two"), "USB#VID_2&PID_3#B#")});
    static_cast<SimulatedDeviceSource*>(adapter->Source())->Reload();
    QCoreApplication::processEvents();
    // The one stick left is chosen by itself now; the removed one is not.
    QCOMPARE(adapter->SelectedRoot(), QStringLiteral("/media/two"));
    Describe({});
    static_cast<SimulatedDeviceSource*>(adapter->Source())->Reload();
    QCoreApplication::processEvents();
    QVERIFY(!adapter->HasSelection());
    QVERIFY(adapter->Devices().isEmpty());
}

void TestDevices::incompleteScansAreRetried()
{
    Describe({R"({"id": "USB#VID_1&PID_2#X#", "incomplete": true, "disks": []})"});
    const UsbAdapterLight::Lease lease;
    UsbAdapterLight* adapter = lease.get();
    QVERIFY(!adapter->Rescan(true));
    QVERIFY(adapter->Devices().isEmpty());
    QElapsedTimer timer;
    timer.start();
    // Five tries, the later ones on a timer: the caller's event loop runs
    // between them, and the tries end by themselves.
    adapter->OnVolumeArrival(QStringLiteral("/media/x"));
    QVERIFY(adapter->IsRetrying());
    QVERIFY(timer.elapsed() < 40);
    QTRY_VERIFY(!adapter->IsRetrying());
    QVERIFY(timer.elapsed() >= 40);
    QVERIFY(adapter->Devices().isEmpty());
    // A device that completes during the tries is in the snapshot at the next one.
    adapter->OnVolumeArrival(QStringLiteral("/media/x"));
    QVERIFY(adapter->IsRetrying());
    Describe({Stick(QStringLiteral("/media/x"))});
    QTRY_VERIFY(!adapter->IsRetrying());
    QCOMPARE(adapter->Devices().size(), 1);
    Describe({R"({"id": "no separator", "disks": [{"type": "removable", "root": "/m"}]})"});
    QVERIFY(!adapter->Rescan(true));
}

void TestDevices::launchCheckChoices()
{
    languages_.AddPack(0, QStringLiteral(NIMBRA_LANG_DIR "/LangENG.json"));
    (void)languages_.SelectLanguage(0, true);
    const QString stick = dir_.filePath(QStringLiteral("STICK"));
    const QString cd = dir_.filePath(QStringLiteral("CD"));
    const QString data = dir_.filePath(QStringLiteral("DATA"));
    Describe({Stick(stick), Composite(cd, data)});
    {
        VariableStore variables;
        variables.InitVariables({QStringLiteral("-l=") + stick + QStringLiteral("/Nimbra")}, HostFacts {});
        Recorder app;
        SplashLog splash;
        LaunchCheck check(variables, languages_, &splash);
        QVERIFY(check.Run(&app));
        QCOMPARE(check.StoreRoot(), stick);
        QCOMPARE(variables.GetVariable(QStringLiteral("NBR_DEVICE_DOCUMENT_PATH")), stick + QStringLiteral("/Encrypted Data"));
        QCOMPARE(splash.texts.first(), languages_.GetText(60));
        QCOMPARE(splash.texts.last(), QString());
        // The sink handed to the check hears removal queries, and its refusal counts.
        app.refuse = stick;
        QVERIFY(!check.Watcher()->Notifier().QueryRemove(stick));
        QVERIFY(app.calls.contains(QStringLiteral("query ") + stick));
        QVERIFY(check.Watcher()->Notifier().QueryRemove(data));
    }
    {
        // Launched from the CD-ROM launcher: the store is on the removable volume.
        VariableStore variables;
        variables.InitVariables({QStringLiteral("-l=") + cd}, HostFacts {});
        LaunchCheck check(variables, languages_, nullptr, LaunchTimings {10, 200, 10, 100, 20});
        QVERIFY(check.Run(nullptr));
        QCOMPARE(check.StoreRoot(), data);
    }
    {
        VariableStore variables;
        variables.InitVariables({QStringLiteral("-l=/somewhere/else")}, HostFacts {});
        LaunchCheck check(variables, languages_, nullptr);
        QVERIFY(!check.Run(nullptr));
        QCOMPARE(answers_.Asked().last().text, LaunchCheck::RefusalText());
        QCOMPARE(answers_.Asked().last().title, QStringLiteral("Error"));
        QVERIFY(!variables.IsDefined(QStringLiteral("NBR_DEVICE_DOCUMENT_LETTER")));
    }
}

void TestDevices::launchFromFolderWithPercentSigns()
{
    languages_.AddPack(0, QStringLiteral(NIMBRA_LANG_DIR "/LangENG.json"));
    (void)languages_.SelectLanguage(0, true);
    // Mounted where the path reads like references to variables.
    const QString stick = dir_.filePath(QStringLiteral("50%OFF%sale"));
    Describe({Stick(stick)});
    HostFacts host;
    host.programPath = stick + QStringLiteral("/%NBR_DEVICE_LAUNCH_PATH%/Nimbra");
    VariableStore variables;
    variables.InitVariables({QStringLiteral("-l=") + stick + QStringLiteral("/Nimbra")}, host);
    LaunchCheck check(variables, languages_, nullptr);
    QVERIFY(check.Run(nullptr));
    QCOMPARE(check.StoreRoot(), stick);
    QCOMPARE(variables.GetVariable(QStringLiteral("NBR_SEC_PARAM_FILE")),
             stick + QStringLiteral("/Encrypted Data/secparams.enc"));
    QCOMPARE(LanguageManager::PackPath(variables, 0), stick + QStringLiteral("/%NBR_DEVICE_LAUNCH_PATH%/LangENG.json"));
}

void TestDevices::launchCheckWaits()
{
    languages_.AddPack(0, QStringLiteral(NIMBRA_LANG_DIR "/LangENG.json"));
    (void)languages_.SelectLanguage(0, true);
    const QString cd = dir_.filePath(QStringLiteral("CD"));
    const QString data = dir_.filePath(QStringLiteral("DATA"));
    // The CD-ROM launcher is there, the data volume is still arriving.
    Describe({Composite(cd, QString())});
    VariableStore variables;
    variables.InitVariables({QStringLiteral("-l=") + cd}, HostFacts {});
    SplashLog splash;
    {
        LaunchCheck check(variables, languages_, &splash, LaunchTimings {20, 300, 10, 60, 20});
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!check.Run(nullptr));
        QVERIFY(timer.elapsed() >= 300);
        QVERIFY(splash.texts.contains(QStringLiteral("Device is not ready yet")));
    }
    {
        // The wait keeps the event loop running: Start returns at once, a
        // timer of the caller fires during the wait (it brings the data
        // volume), and the wait ends with it.
        LaunchCheck again(variables, languages_, &splash, LaunchTimings {20, 5000, 10, 60, 20});
        std::optional<bool> accepted;
        again.Start(nullptr, [&](bool ok) { accepted = ok; });
        QVERIFY(again.IsRunning());
        QVERIFY(!accepted);
        QTimer::singleShot(100, [&] { Describe({Composite(cd, data)}); });
        QTRY_VERIFY_WITH_TIMEOUT(accepted.has_value(), 4000);
        QVERIFY(*accepted);
        QVERIFY(!again.IsRunning());
        QCOMPARE(again.StoreRoot(), data);
        QCOMPARE(variables.GetVariable(QStringLiteral("NBR_DEVICE_DOCUMENT_LETTER")), data);
    }
    {
        // A check that ends while it waits leaves no step behind.
        Describe({Composite(cd, QString())});
        bool called = false;
        {
            LaunchCheck dropped(variables, languages_, nullptr, LaunchTimings {20, 5000, 10, 60, 20});
            dropped.Start(nullptr, [&](bool) { called = true; });
            QVERIFY(dropped.IsRunning());
        }
        QTest::qWait(100);
        QVERIFY(!called);
    }

    // A device whose scans stop completing: the present-wait alternates its texts.
    Describe({Composite(cd, QString())});
    UsbAdapterLight::SetSourceFactory([this] { return std::make_unique<FlakySource>(file_); });
    SplashLog waiting;
    VariableStore cdVars;
    cdVars.InitVariables({QStringLiteral("-l=") + cd}, HostFacts {});
    LaunchCheck stuck(cdVars, languages_, &waiting, LaunchTimings {10, 100, 10, 80, 20});
    QVERIFY(!stuck.Run(nullptr));
    QVERIFY(std::any_of(waiting.texts.begin(), waiting.texts.end(), [](const QString& t) { return t.endsWith(QStringLiteral("(1/6)")); }));
}

void TestDevices::storeVolumeWatch()
{
    languages_.AddPack(0, QStringLiteral(NIMBRA_LANG_DIR "/LangENG.json"));
    (void)languages_.SelectLanguage(0, true);
    Describe({Stick(QStringLiteral("/media/store")), Stick(QStringLiteral("/media/other"), "USB#VID_5&PID_6#O#")});
    const UsbAdapterLight::Lease lease;
    UsbAdapterLight* adapter = lease.get();
    QVERIFY(adapter->Rescan(true));
    int ended = 0;
    const qsizetype asked = answers_.Asked().size();
    // The work stops before the box tells why.
    qsizetype askedWhenStopped = -1;
    StoreVolumeWatch watch(
        QStringLiteral("/media/store"), languages_, [&] { askedWhenStopped = answers_.Asked().size(); },
        [&] { ++ended; });
    adapter->AddSink(&watch);
    QVERIFY(!adapter->Notifier().QueryRemove(QStringLiteral("/media/store")));
    QVERIFY(adapter->Notifier().QueryRemove(QStringLiteral("/media/other")));
    // Unplugging another stick changes nothing; unplugging the store's ends the program.
    Describe({Stick(QStringLiteral("/media/store"))});
    static_cast<SimulatedDeviceSource*>(adapter->Source())->Reload();
    QCoreApplication::processEvents();
    QCOMPARE(ended, 0);
    QCOMPARE(askedWhenStopped, -1);
    QCOMPARE(answers_.Asked().size(), asked);
    Describe({});
    static_cast<SimulatedDeviceSource*>(adapter->Source())->Reload();
    QCoreApplication::processEvents();
    QCOMPARE(ended, 1);
    QCOMPARE(askedWhenStopped, asked);
    QCOMPARE(answers_.Asked().size(), asked + 1);
    QCOMPARE(answers_.Asked().last().text, languages_.GetText(139));
    QCOMPARE(answers_.Asked().last().icon, mb::kIconWarning);
}

void TestDevices::realDevices()
{
    UdevDeviceSource source;
    QList<UsbDeviceRecord> devices;
    const Status s = source.Scan(&devices);
    QVERIFY(Succeeded(s) || s == StatusFromWin32(21));
    for (const UsbDeviceRecord& device : devices) {
        std::uint32_t vendor = 0;
        std::uint32_t product = 0;
        QString serial;
        QVERIFY(UsbAdapterLight::ParseIdentifier(device.identifier, &vendor, &product, &serial));
    }
    QVERIFY(!UdevDeviceSource::MountPoints().isEmpty());
}

QTEST_GUILESS_MAIN(TestDevices)
#include "tst_devices.moc"
