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

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

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
    void openForWritingCountsOnlyWriters();
    void writableSharedMappingCounts();

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

void TestProcesses::openForWritingCountsOnlyWriters()
{
    const QString a = dir_.filePath(QStringLiteral("a.txt"));
    const QString b = dir_.filePath(QStringLiteral("b.txt"));
    const QString link = dir_.filePath(QStringLiteral("link-to-a"));
    QVERIFY(WriteAll(a, "a"));
    QVERIFY(WriteAll(b, "b"));
    QVERIFY(QFile::link(a, link));
    // Held for reading only: in use, but nobody writes to it.
    QProcess reader;
    reader.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exec 3<\"$0\"; echo ready; exec sleep 30"), a});
    QVERIFY(reader.waitForReadyRead(5000));
    QVERIFY(OpenFiles::IsOpenByAnotherProcess(a));
    QVERIFY(!OpenFiles::IsOpenForWriting(a));
    // Appending, and reading and writing: each is a writer. Only the held
    // file is named, and never through a link.
    for (const char* redirection : {"exec 3>>\"$0\"", "exec 3<>\"$0\""}) {
        QProcess writer;
        writer.start(QStringLiteral("sh"),
                     {QStringLiteral("-c"), QString::fromLatin1(redirection) + QStringLiteral("; echo ready; exec sleep 30"), a});
        QVERIFY(writer.waitForReadyRead(5000));
        QCOMPARE(OpenFiles::OpenForWriting({a, b, link, dir_.path(), dir_.filePath(QStringLiteral("none"))}),
                 QStringList {a});
        QVERIFY(OpenFiles::IsOpenForWriting(a));
        writer.kill();
        writer.waitForFinished();
    }
    QVERIFY(WaitUntil([&] { return !OpenFiles::IsOpenForWriting(a); }));
    QVERIFY(OpenFiles::IsOpenByAnotherProcess(a));  // the reader is still there
    reader.kill();
    reader.waitForFinished();
    // This process's own descriptors never count.
    QFile own(b);
    QVERIFY(own.open(QIODevice::ReadWrite));
    QVERIFY(!OpenFiles::IsOpenForWriting(b));
}

void TestProcesses::writableSharedMappingCounts()
{
    // A process may write through a shared mapping after it closed the file.
    const QString target = dir_.filePath(QStringLiteral("mapped.bin"));
    QVERIFY(WriteAll(target, QByteArray(4096, 'm')));
    const QByteArray path = QFile::encodeName(target);
    for (const bool shared : {false, true}) {
        int ready[2];
        QCOMPARE(::pipe(ready), 0);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            const int fd = ::open(path.constData(), O_RDWR);
            void* map = fd < 0 ? MAP_FAILED
                               : ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, shared ? MAP_SHARED : MAP_PRIVATE, fd, 0);
            ::close(fd);
            const char state = map == MAP_FAILED ? 'x' : 'r';
            (void)!::write(ready[1], &state, 1);
            ::pause();
            ::_exit(0);
        }
        ::close(ready[1]);
        char state = 0;
        QCOMPARE(::read(ready[0], &state, 1), ssize_t(1));
        ::close(ready[0]);
        const bool inUse = OpenFiles::IsOpenByAnotherProcess(target);
        const bool writing = OpenFiles::IsOpenForWriting(target);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        QCOMPARE(state, 'r');
        QVERIFY(!inUse);  // no descriptor of it is open
        QCOMPARE(writing, shared);  // a private mapping's writes never reach the file
    }
}

QTEST_GUILESS_MAIN(TestProcesses)
#include "tst_processes.moc"
