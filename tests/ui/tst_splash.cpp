// The splash screen: when it shows and hides (display time, clicks and keys
// by its flags), where it sits, and re-creation around dialogs. Short
// display times stand in for the start-up's ten minutes.

#include "ui/windows/CSplashScreenEx.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

using namespace nbr;

class TestSplash : public QObject {
    Q_OBJECT

    static constexpr SplashTimings kNoFades {0, 0};

    static void Make(CSplashScreenEx& splash, int displayMs, unsigned flags, QWidget* owner = nullptr)
    {
        QVERIFY(splash.Create(owner, QString(), displayMs, flags));
        QVERIFY(splash.SetBitmap(CSplashScreenEx::kStartupBitmap));
    }

private slots:
    void callsBeforeCreateShowNothing()
    {
        CSplashScreenEx splash(kNoFades);
        splash.Show();
        splash.SetText(QStringLiteral("x"));
        splash.Hide();
        QVERIFY(!splash.IsShown());
        QVERIFY(!splash.HasWindow());
    }

    void startupFlagsIgnoreClicksAndKeys()
    {
        CSplashScreenEx splash(kNoFades);
        Make(splash, 600000, 15);
        QCOMPARE(splash.Size(), QSize(427, 224));
        QCOMPARE(splash.TextRect(), QRect(0, 0, 427, 224));
        splash.Show();
        QVERIFY(splash.IsShown());
        QVERIFY(splash.TimerActive());
        QVERIFY(QTest::qWaitForWindowExposed(splash.Window()));
        QTest::mouseClick(splash.Window(), Qt::LeftButton);
        QTest::keyClick(splash.Window(), Qt::Key_Escape);
        QVERIFY(splash.IsShown());
        QVERIFY(splash.Window()->isVisible());
    }

    void hidesOnClickOrKeyWithFlag0x20()
    {
        CSplashScreenEx splash(kNoFades);
        Make(splash, 0, CSplashScreenEx::kHideOnInput);
        splash.Show();
        QVERIFY(!splash.TimerActive());
        QVERIFY(QTest::qWaitForWindowExposed(splash.Window()));
        QTest::mouseClick(splash.Window(), Qt::RightButton);
        QVERIFY(!splash.IsShown());
        QVERIFY(!splash.Window()->isVisible());

        splash.Show();
        QVERIFY(splash.IsShown());
        QWidget elsewhere;
        elsewhere.show();
        QVERIFY(QTest::qWaitForWindowExposed(&elsewhere));
        // A click in another window does not hide it; a key press anywhere does.
        QTest::mouseClick(&elsewhere, Qt::LeftButton);
        QVERIFY(splash.IsShown());
        QTest::keyClick(&elsewhere, Qt::Key_A);
        QVERIFY(!splash.IsShown());
        // Hidden: input no longer concerns it.
        splash.Show();
        splash.Hide();
        QTest::keyClick(&elsewhere, Qt::Key_A);
        QVERIFY(!splash.IsShown());
    }

    void displayTimeHidesIt()
    {
        CSplashScreenEx splash(kNoFades);
        Make(splash, 40, 15);
        splash.Show();
        QVERIFY(splash.IsShown());
        QTRY_VERIFY_WITH_TIMEOUT(!splash.IsShown(), 3000);
        QVERIFY(!splash.TimerActive());
        QVERIFY(!splash.Window()->isVisible());
        // Shown again, the time starts again; hidden early, the timer stops.
        splash.Show();
        QVERIFY(splash.TimerActive());
        splash.Hide();
        QVERIFY(!splash.TimerActive());
    }

    void showingTwiceKeepsTheTimer()
    {
        CSplashScreenEx splash(kNoFades);
        Make(splash, 150, 0);
        splash.Show();
        QTest::qWait(100);
        splash.Show();  // already shown: nothing, not a fresh 150 ms
        QTRY_VERIFY_WITH_TIMEOUT(!splash.IsShown(), 120);
    }

    // Fading out, it is already hidden for its callers; shown again before
    // the fade ends, it stays on the screen.
    void fades()
    {
        CSplashScreenEx splash({80, 80, true});
        Make(splash, 0, CSplashScreenEx::kFadeIn | CSplashScreenEx::kFadeOut);
        splash.Show();
        QWidget* window = splash.Window();
        QVERIFY(window->isVisible());
        QVERIFY(window->windowOpacity() < 1.0);
        QTRY_COMPARE(window->windowOpacity(), 1.0);
        splash.Hide();
        QVERIFY(!splash.IsShown());
        QVERIFY(window->isVisible());
        QTRY_VERIFY(!window->isVisible());
        QCOMPARE(window->windowOpacity(), 1.0);

        splash.Show();
        QTRY_COMPARE(window->windowOpacity(), 1.0);
        splash.Hide();
        splash.Show();
        QTest::qWait(200);
        QVERIFY(splash.IsShown());
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowOpacity(), 1.0);
    }

    void centring()
    {
        CSplashScreenEx onScreen(kNoFades);
        Make(onScreen, 0, CSplashScreenEx::kCenterOnScreen);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(QRect(onScreen.Position(), onScreen.Size()).center(), area.center());

        QWidget owner;
        owner.setGeometry(200, 150, 900, 700);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        CSplashScreenEx onOwner(kNoFades);
        Make(onOwner, 0, CSplashScreenEx::kCenterOnOwner, &owner);
        QCOMPARE(QRect(onOwner.Position(), onOwner.Size()).center(), owner.frameGeometry().center());
    }

    void reCreateKeepsTextPlaceAndVisibility()
    {
        QWidget owner;
        owner.setGeometry(100, 100, 800, 600);
        owner.show();
        CSplashScreenEx splash({500, 200});
        Make(splash, 600000, 15 | CSplashScreenEx::kFadeIn);
        splash.SetTextRect(CSplashScreenEx::kStartupTextRect);
        splash.SetText(QStringLiteral("Loading"));
        splash.Show();
        const QWidget* before = splash.Window();
        const QPoint position = splash.Position();
        splash.ReCreate(&owner);
        QVERIFY(splash.Window() != before);
        QCOMPARE(splash.Window()->parentWidget(), &owner);
        QVERIFY(splash.IsShown());
        QVERIFY(splash.Window()->isVisible());
        // Shown at once, not faded in again.
        QCOMPARE(splash.Window()->windowOpacity(), 1.0);
        QVERIFY(splash.TimerActive());
        QCOMPARE(splash.Text(), QStringLiteral("Loading"));
        QCOMPARE(splash.Window()->geometry(), QRect(position, QSize(427, 224)));
        QCOMPARE(splash.TextRect(), QRect(0, 180, 427, 44));

        splash.Hide();
        splash.ReCreate(nullptr);
        QVERIFY(!splash.IsShown());
        QVERIFY(!splash.Window()->isVisible());
    }
};

QTEST_MAIN(TestSplash)
#include "tst_splash.moc"
