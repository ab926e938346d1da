// The start-up decisions without a window: the wizard's navigation, when a
// key file means "not set up", the clean-shutdown flag in the key file, the
// single-instance lock.

#include "app/CleanShutdown.h"
#include "app/StoreSession.h"
#include "app/WizardNavigation.h"
#include "base/HeadlessProgress.h"
#include "base/LanguageManager.h"
#include "base/MessageIds.h"
#include "base/VariableStore.h"
#include "platform/HostFacts.h"
#include "platform/SingleInstance.h"
#include "security/KeyFileLayout.h"
#include "security/Password.h"
#include "security/PropertyStore.h"
#include "security/SecurityStatus.h"
#include "store/StoreStatus.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace nbr;
using Action = WizardNavigation::Action;

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void wizardNavigation();
    void onlyABlankKeyFileIsAFirstRun_data();
    void onlyABlankKeyFileIsAFirstRun();
    void noSetupOverStoredItems();
    void cleanShutdownFlag();
    void singleInstance();
};

void TestStartup::wizardNavigation()
{
    WizardNavigation nav(3);
    QCOMPARE(nav.GoTo(0), Action::kShowPage);
    QVERIFY(!nav.PrevEnabled());
    QCOMPARE(nav.NextLabelId(), msg::kButtonNext);
    // Escape before the last page cancels the setup.
    QCOMPARE(nav.Escape(true), Action::kCancel);
    QVERIFY(!nav.IsCompleted());

    QCOMPARE(nav.Next(), Action::kShowPage);
    QVERIFY(nav.PrevEnabled());
    QVERIFY(!nav.IsFinishing());
    QCOMPARE(nav.Escape(true), Action::kCancel);
    QCOMPARE(nav.Next(), Action::kShowPage);
    QVERIFY(nav.IsFinishing());
    QCOMPARE(nav.NextLabelId(), msg::kButtonFinish);
    // On the last page, while the key file is still being written (Next
    // disabled), Escape neither cancels nor finishes, and a later one still
    // finishes: the written key is never thrown away.
    QCOMPARE(nav.Escape(false), Action::kShowPage);
    QVERIFY(nav.IsFinishing());
    QCOMPARE(nav.Escape(true), Action::kComplete);
    QVERIFY(nav.IsCompleted());

    WizardNavigation back(3);
    QCOMPARE(back.GoTo(0), Action::kShowPage);
    QCOMPARE(back.Prev(), Action::kCancel);
    QCOMPARE(back.GoTo(2), Action::kShowPage);
    QCOMPARE(back.Prev(), Action::kShowPage);
    QVERIFY(!back.IsFinishing());  // Back from the last page leaves the finishing state
    QCOMPARE(back.Escape(true), Action::kCancel);
}

namespace {

// The configuration variables of a stick whose volume is `volume`.
VariableStore VariablesOnStick(const QString& volume)
{
    VariableStore variables;
    variables.InitVariables({}, HostFacts {});
    variables.SetVariable(QStringLiteral("NBR_DEVICE_DOCUMENT_LETTER"), volume);
    return variables;
}

QByteArray KeyFileOf(StoreSession& session)
{
    QFile file(session.KeyFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

void TestStartup::onlyABlankKeyFileIsAFirstRun_data()
{
    // What the key file holds before the start: how it is read ("set up",
    // "first run" or a failure that ends the start with the file untouched).
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("expected");
    QTest::newRow("a key") << "key" << "set up";
    QTest::newRow("empty") << "empty" << "first run";
    QTest::newRow("erased by a reset") << "reset" << "first run";
    QTest::newRow("reset stopped half way") << "torn reset" << "first run";
    QTest::newRow("first block damaged") << "damaged" << "failure";
    QTest::newRow("cut inside the magic") << "cut" << "failure";
    QTest::newRow("someone else's file") << "text" << "failure";
}

void TestStartup::onlyABlankKeyFileIsAFirstRun()
{
    QFETCH(QString, kind);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const VariableStore variables = VariablesOnStick(dir.path());
    LanguageManager languages;
    QString keyFile;
    {
        StoreSession session(variables);
        QCOMPARE(session.Open(true), S_OK);
        keyFile = session.KeyFile();
        if (kind != QLatin1String("empty")) {
            QCOMPARE(session.Setup(Password(QStringLiteral("right-password")), QString()), S_OK);
            HeadlessProgress dialog(&languages);
            QVERIFY(session.Save(dialog, languages));
        }
        if (kind == QLatin1String("reset") || kind == QLatin1String("torn reset")) {
            HeadlessProgress dialog(&languages);
            QVERIFY(session.Wipe(dialog, QString()));
        }
        if (kind == QLatin1String("torn reset"))
            QCOMPARE(session.Properties().WriteString(KeyFileLayout::kSlotWipeMarker, QStringLiteral("true")), S_OK);
    }
    QFile file(keyFile);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    if (kind == QLatin1String("torn reset")) {
        bytes[KeyFileLayout::kRecordOffset + 3] = '\x5a';  // a block the erase did not reach
    } else if (kind == QLatin1String("damaged")) {
        bytes[1] = static_cast<char>(bytes[1] ^ 0x40);  // one flipped bit in the magic
    } else if (kind == QLatin1String("cut")) {
        bytes.truncate(5);
    } else if (kind == QLatin1String("text")) {
        bytes = "not a key file at all\n";
    }
    QVERIFY(file.resize(0) && file.seek(0) && file.write(bytes) == bytes.size());
    file.close();

    StoreSession session(variables);
    QString subject;
    const Status s = session.Open(true, &subject);
    if (expected == QLatin1String("failure")) {
        QCOMPARE(s, E_BAD_HEADER);
        QCOMPARE(subject, keyFile);
        QVERIFY(!session.IsOpen());
        QCOMPARE(KeyFileOf(session), bytes);  // nothing written over it
        return;
    }
    QCOMPARE(s, S_OK);
    QCOMPARE(session.IsSetUp(), expected == QLatin1String("set up"));
}

void TestStartup::noSetupOverStoredItems()
{
    QTemporaryDir dir;
    const VariableStore variables = VariablesOnStick(dir.path());
    StoreSession session(variables);
    QCOMPARE(session.Open(true), S_OK);
    QVERIFY(!session.IsSetUp());
    QVERIFY(!session.HoldsItems());  // the empty key file is no item
    // Items whose key is gone: a new key would never open them.
    QVERIFY(QDir().mkpath(session.StoreFolder() + QStringLiteral("/17")));
    QVERIFY(session.HoldsItems());
    QCOMPARE(session.Setup(Password(QStringLiteral("new-password")), QString()), E_STORE_HOLDS_ITEMS);
    QVERIFY(QDir(session.StoreFolder() + QStringLiteral("/17")).removeRecursively());
    QCOMPARE(session.Setup(Password(QStringLiteral("new-password")), QString()), S_OK);
}

void TestStartup::cleanShutdownFlag()
{
    QTemporaryDir dir;
    const VariableStore variables = VariablesOnStick(dir.path());
    LanguageManager languages;
    StoreSession session(variables);
    QCOMPARE(session.Open(true), S_OK);
    QCOMPARE(session.Setup(Password(QStringLiteral("right-password")), QString()), S_OK);
    HeadlessProgress progress(&languages);
    QVERIFY(session.Save(progress, languages));

    // A key file without the flag counts as a clean end; running marks 0.
    bool clean = false;
    QCOMPARE(CleanShutdown::Begin(session.Properties(), &clean), S_OK);
    QVERIFY(clean);
    std::int32_t value = -1;
    QCOMPARE(session.Properties().ReadInt(KeyFileLayout::kSlotCleanShutdown, &value), S_OK);
    QCOMPARE(value, 0);
    // A run that ended without its close: the next one finds it unclean.
    QCOMPARE(CleanShutdown::Begin(session.Properties(), &clean), S_OK);
    QVERIFY(!clean);
    QCOMPARE(CleanShutdown::MarkClean(session.Properties()), S_OK);
    QCOMPARE(CleanShutdown::Begin(session.Properties(), &clean), S_OK);
    QVERIFY(clean);
}

void TestStartup::singleInstance()
{
    QTemporaryDir dir;
    auto first = std::make_unique<SingleInstance>(dir.path());
    QVERIFY(first->TryAcquire());
    QVERIFY(first->TryAcquire());  // holding it is not a second copy
    SingleInstance second(dir.path());
    QVERIFY(!second.TryAcquire());
    first.reset();
    QVERIFY(second.TryAcquire());
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
