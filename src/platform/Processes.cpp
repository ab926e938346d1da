#include "platform/Processes.h"

#include "platform/NativePath.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <vector>

extern char** environ;

namespace nbr {
namespace {

struct StatLine {
    qint64 pid = 0;
    qint64 parent = 0;
    qint64 session = 0;
    quint64 startTicks = 0;
    bool ended = true;
};

// "pid (name) S ppid pgrp session ... starttime ...": the name may hold
// blanks and parentheses, so the fields are counted after the last ')'.
bool ReadStat(qint64 pid, StatLine* out)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return false;
    const QList<QByteArray> fields = line.mid(close + 1).simplified().split(' ');
    // state, ppid, pgrp, session, ... starttime is the 20th after the name.
    if (fields.size() < 20 || fields.at(0).isEmpty())
        return false;
    bool ok1 = false;
    bool ok2 = false;
    bool ok3 = false;
    out->pid = pid;
    out->parent = fields.at(1).toLongLong(&ok1);
    out->session = fields.at(3).toLongLong(&ok2);
    out->startTicks = fields.at(19).toULongLong(&ok3);
    const char state = fields.at(0).at(0);
    out->ended = state == 'Z' || state == 'X';
    return ok1 && ok2 && ok3;
}

QList<qint64> AllPids()
{
    QList<qint64> pids;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (number && pid > 0)
            pids << pid;
    }
    return pids;
}

int OpenPidHandle(qint64 pid)
{
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

bool SendThroughHandle(int handle, int signal)
{
#ifdef SYS_pidfd_send_signal
    return ::syscall(SYS_pidfd_send_signal, handle, signal, nullptr, 0) == 0;
#else
    (void)handle;
    (void)signal;
    return false;
#endif
}

}  // namespace

bool Processes::Start(const QStringList& command, qint64* pid)
{
    *pid = 0;
    if (command.isEmpty() || command.first().isEmpty())
        return false;
    std::vector<QByteArray> storage;
    storage.reserve(static_cast<std::size_t>(command.size()));
    for (const QString& word : command)
        storage.push_back(NativePath::Encode(word));
    std::vector<char*> argv;
    for (QByteArray& word : storage)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (::posix_spawn_file_actions_init(&actions) != 0)
        return false;
    if (::posix_spawnattr_init(&attributes) != 0) {
        ::posix_spawn_file_actions_destroy(&actions);
        return false;
    }
    // The program gets no input from us, its own session, and the signal
    // handling a freshly started program expects, whatever this one set up.
    sigset_t none;
    sigset_t defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (const int s : {SIGINT, SIGTERM, SIGPIPE, SIGHUP, SIGQUIT, SIGCHLD, SIGUSR1, SIGUSR2})
        sigaddset(&defaults, s);
    bool ready = ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0
                 && ::posix_spawnattr_setsigmask(&attributes, &none) == 0
                 && ::posix_spawnattr_setsigdefault(&attributes, &defaults) == 0
                 && ::posix_spawnattr_setflags(&attributes, static_cast<short>(POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK
                                                                              | POSIX_SPAWN_SETSIGDEF)) == 0;
    pid_t child = 0;
    if (ready)
        ready = ::posix_spawnp(&child, argv.front(), &actions, &attributes, argv.data(), environ) == 0;
    ::posix_spawnattr_destroy(&attributes);
    ::posix_spawn_file_actions_destroy(&actions);
    if (!ready)
        return false;
    *pid = child;
    return true;
}

bool Processes::Release(qint64 pid)
{
    if (pid <= 0)
        return true;
    int status = 0;
    const pid_t done = ::waitpid(static_cast<pid_t>(pid), &status, WNOHANG);
    // ECHILD: not ours, or collected already.
    return done == static_cast<pid_t>(pid) || (done < 0 && errno == ECHILD);
}

bool Processes::IsRunning(qint64 pid)
{
    StatLine line;
    return pid > 0 && ReadStat(pid, &line) && !line.ended;
}

bool Processes::Identify(qint64 pid, ProcessIdentity* identity)
{
    StatLine line;
    if (pid <= 0 || !ReadStat(pid, &line) || line.ended)
        return false;
    *identity = ProcessIdentity {pid, line.startTicks, line.session, line.parent, ExecutableOf(pid)};
    return true;
}

bool Processes::IsSame(const ProcessIdentity& identity)
{
    ProcessIdentity now;
    return Identify(identity.pid, &now) && now.startTicks == identity.startTicks
           && now.executable == identity.executable;
}

QList<ProcessIdentity> Processes::SessionMembers(qint64 session)
{
    QList<ProcessIdentity> members;
    if (session <= 0)
        return members;
    QHash<qint64, StatLine> all;
    for (const qint64 pid : AllPids()) {
        StatLine line;
        if (ReadStat(pid, &line) && !line.ended)
            all.insert(pid, line);
    }
    QSet<qint64> chosen;
    for (const StatLine& line : std::as_const(all)) {
        if (line.session == session)
            chosen.insert(line.pid);
    }
    // Children that started a session of their own stay ours while their
    // parent is one of ours.
    for (bool grew = true; grew;) {
        grew = false;
        for (const StatLine& line : std::as_const(all)) {
            if (!chosen.contains(line.pid) && chosen.contains(line.parent)) {
                chosen.insert(line.pid);
                grew = true;
            }
        }
    }
    const qint64 self = QCoreApplication::applicationPid();
    for (const qint64 pid : std::as_const(chosen)) {
        const StatLine& line = all[pid];
        if (pid != self)
            members << ProcessIdentity {pid, line.startTicks, line.session, line.parent, ExecutableOf(pid)};
    }
    return members;
}

QString Processes::ExecutableOf(qint64 pid)
{
    return QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
}

QString Processes::ResolveProgram(const QString& program)
{
    if (program.contains(NativePath::kSeparator))
        return QFileInfo(program).canonicalFilePath();
    const QString found = QStandardPaths::findExecutable(program);
    return found.isEmpty() ? QString() : QFileInfo(found).canonicalFilePath();
}

QList<qint64> Processes::FindByExecutable(const QString& executable)
{
    QList<qint64> found;
    const QString wanted = QFileInfo(executable).canonicalFilePath();
    if (wanted.isEmpty())
        return found;
    for (const qint64 pid : AllPids()) {
        if (pid != QCoreApplication::applicationPid() && IsRunning(pid) && ExecutableOf(pid) == wanted)
            found << pid;
    }
    return found;
}

bool Processes::Signal(const ProcessIdentity& identity, bool force)
{
    if (identity.pid <= 0 || identity.pid == QCoreApplication::applicationPid())
        return false;
    const int signal = force ? SIGKILL : SIGTERM;
    const int handle = OpenPidHandle(identity.pid);
    if (handle < 0) {
        if (errno != ENOSYS)
            return false;  // gone already, or not ours to signal
        // No process handles on this system: the check and the signal are
        // as close together as they can be.
        return IsSame(identity) && ::kill(static_cast<pid_t>(identity.pid), signal) == 0;
    }
    // The handle names the process that had the id when it was opened; if
    // that is still the one remembered, the signal cannot reach another.
    const bool sent = IsSame(identity) && SendThroughHandle(handle, signal);
    ::close(handle);
    return sent;
}

bool Processes::WaitForExit(const ProcessIdentity& identity, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (IsSame(identity)) {
        if (timer.elapsed() >= milliseconds)
            return false;
        QThread::msleep(20);
    }
    return true;
}

qint64 Processes::ThreadCpuMs()
{
    timespec now {};
    if (::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) != 0)
        return 0;
    return static_cast<qint64>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace nbr
