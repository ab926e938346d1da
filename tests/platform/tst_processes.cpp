// Starting programs in a session of their own, finding what they left
// running, and signalling only the very process that was seen.

#include "TestSupport.h"

#include "platform/OpenFiles.h"
#include "platform/Processes.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace nbr;
using namespace nbr::test;

namespace {

bool WaitUntil(const std::function<bool()>& condition, int milliseconds = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QThread::msleep(20);
    }
    return true;
}

}  // namespace

class TestProcesses : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void startedInASessionOfItsOwn();
    void signalsOnlyTheProcessThatWasSeen_data();
    void signalsOnlyTheProcessThatWasSeen();
    void missingProgram();
    void openFilesAreNotFoundThroughLinks();

private:
    QTemporaryDir dir_;
};

void TestProcesses::initTestCase()
{
    QVERIFY(dir_.isValid());
    // Leaves a child behind and ends at once, as a launcher does.
    QVERIFY(WriteAll(dir_.filePath(QStringLiteral("launcher.sh")), "#!/bin/sh\nsleep 30 &\necho started > \"$1\"\n"));
    QVERIFY(QFile::setPermissions(dir_.filePath(QStringLiteral("launcher.sh")),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

void TestProcesses::startedInASessionOfItsOwn()
{
    // A bystander of the same executable that nothing here started.
    QProcess bystander;
    bystander.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("sleep 30")});
    QVERIFY(bystander.waitForStarted());

    const QString marker = dir_.filePath(QStringLiteral("marker"));
    qint64 pid = 0;
    QVERIFY(Processes::Start({dir_.filePath(QStringLiteral("launcher.sh")), marker}, &pid));
    QVERIFY(pid > 0);
    QVERIFY(WaitUntil([&] { return QFileInfo::exists(marker) && !Processes::IsRunning(pid); }));

    // The launcher is gone; what it left runs on in its session (once the
    // forked shell has become sleep).
    QList<ProcessIdentity> members;
    QVERIFY(WaitUntil([&] {
        members = Processes::SessionMembers(pid);
        return members.size() == 1 && members.first().executable.endsWith(QLatin1String("sleep"));
    }));
    QCOMPARE(members.first().session, pid);
    for (const ProcessIdentity& member : members)
        QVERIFY(member.pid != bystander.processId());
    QVERIFY(Processes::SessionMembers(0).isEmpty());

    QVERIFY(Processes::Signal(members.first(), false));
    QVERIFY(Processes::WaitForExit(members.first(), 5000));
    QVERIFY(Processes::SessionMembers(pid).isEmpty());
    QVERIFY(Processes::Release(pid));
    QCOMPARE(bystander.state(), QProcess::Running);
    bystander.kill();
    bystander.waitForFinished();
}

void TestProcesses::signalsOnlyTheProcessThatWasSeen_data()
{
    QTest::addColumn<int>("change");
    QTest::newRow("the same process") << 0;
    QTest::newRow("another start time: the id was reused") << 1;
    QTest::newRow("another executable") << 2;
    QTest::newRow("no id") << 3;
}

void TestProcesses::signalsOnlyTheProcessThatWasSeen()
{
    QFETCH(int, change);
    QProcess sleeper;
    sleeper.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    QVERIFY(sleeper.waitForStarted());
    ProcessIdentity seen;
    QVERIFY(Processes::Identify(sleeper.processId(), &seen));
    QVERIFY(seen.startTicks > 0);
    QVERIFY(Processes::IsSame(seen));
    if (change == 1)
        seen.startTicks += 1;
    else if (change == 2)
        seen.executable = QStringLiteral("/usr/bin/true");
    else if (change == 3)
        seen = ProcessIdentity {};
    QCOMPARE(Processes::Signal(seen, true), change == 0);
    if (change == 0) {
        QVERIFY(sleeper.waitForFinished(5000));
        QVERIFY(!Processes::Signal(seen, true));  // ended: no one to signal
    } else {
        QThread::msleep(100);
        QCOMPARE(sleeper.state(), QProcess::Running);
        sleeper.kill();
        sleeper.waitForFinished();
    }
}

void TestProcesses::missingProgram()
{
    qint64 pid = 0;
    QVERIFY(!Processes::Start({dir_.filePath(QStringLiteral("no-such-program"))}, &pid));
    QVERIFY(!Processes::Start({}, &pid));
    QCOMPARE(pid, 0);
}

void TestProcesses::openFilesAreNotFoundThroughLinks()
{
    const QString target = dir_.filePath(QStringLiteral("held.log"));
    const QString link = dir_.filePath(QStringLiteral("link-to-held"));
    QVERIFY(WriteAll(target, "log"));
    QVERIFY(QFile::link(target, link));
    QVERIFY(!OpenFiles::IsOpenByAnotherProcess(target));
    // A service that keeps its file open.
    QProcess holder;
    holder.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exec 3<\"$0\"; echo ready; sleep 30"), target});
    QVERIFY(holder.waitForReadyRead(5000));
    QVERIFY(OpenFiles::IsOpenByAnotherProcess(target));
    QVERIFY(!OpenFiles::IsOpenByAnotherProcess(link));
    QVERIFY(!OpenFiles::IsOpenByAnotherProcess(dir_.path()));
    holder.kill();
    holder.waitForFinished();
}

QTEST_GUILESS_MAIN(TestProcesses)
#include "tst_processes.moc"
