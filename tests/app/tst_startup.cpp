// The start-up decisions without a window: the wizard's navigation, the
// clean-shutdown flag in the key file, the single-instance lock.

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

#include <QTemporaryDir>
#include <QTest>

using namespace nbr;
using Action = WizardNavigation::Action;

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void wizardNavigation();
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

void TestStartup::cleanShutdownFlag()
{
    QTemporaryDir dir;
    VariableStore variables;
    variables.InitVariables({}, HostFacts {});
    variables.SetVariable(QStringLiteral("NBR_DEVICE_DOCUMENT_LETTER"), dir.path());
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
