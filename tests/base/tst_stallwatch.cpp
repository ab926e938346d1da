// The stall watch: a GUI thread that keeps returning to its loop is quiet;
// one held past the limit is reported once, with its length.

#include "base/StallWatch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>

using namespace nbr;

class TestStallWatch : public QObject {
    Q_OBJECT
private slots:
    void reportsOnlyGapsOverTheLimit();
    void environmentTurnsItOn();
};

namespace {

void Spin(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

}  // namespace

void TestStallWatch::reportsOnlyGapsOverTheLimit()
{
    StallWatch watch(150);
    Spin(200);
    QCOMPARE(watch.Stalls(), 0);
    QThread::msleep(400);
    Spin(50);
    QCOMPARE(watch.Stalls(), 1);
    QVERIFY(watch.Longest() >= 400);
    Spin(100);
    QCOMPARE(watch.Stalls(), 1);
}

void TestStallWatch::environmentTurnsItOn()
{
    qunsetenv(StallWatch::kEnvironment);
    QVERIFY(!StallWatch::FromEnvironment(this));
    qputenv(StallWatch::kEnvironment, "no");
    QVERIFY(!StallWatch::FromEnvironment(this));
    qputenv(StallWatch::kEnvironment, "100");
    QVERIFY(StallWatch::FromEnvironment(this));
    qunsetenv(StallWatch::kEnvironment);
}

QTEST_GUILESS_MAIN(TestStallWatch)
#include "tst_stallwatch.moc"
