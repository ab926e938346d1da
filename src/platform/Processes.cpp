#include "platform/Processes.h"

#include "platform/NativePath.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <sys/types.h>

namespace nbr {

bool Processes::Start(const QStringList& command, qint64* pid)
{
    if (command.isEmpty())
        return false;
    QProcess process;
    process.setProgram(command.first());
    process.setArguments(command.mid(1));
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached(pid);
}

bool Processes::IsRunning(qint64 pid)
{
    if (pid <= 0)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    // "pid (name) S ...": the state follows the last parenthesis.
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0 || close + 2 >= line.size())
        return false;
    const char state = line.at(close + 2);
    return state != 'Z' && state != 'X';
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
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (number && pid != QCoreApplication::applicationPid() && IsRunning(pid) && ExecutableOf(pid) == wanted)
            found << pid;
    }
    return found;
}

bool Processes::Signal(qint64 pid, bool force)
{
    return pid > 0 && ::kill(static_cast<pid_t>(pid), force ? SIGKILL : SIGTERM) == 0;
}

bool Processes::WaitForExit(qint64 pid, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (IsRunning(pid)) {
        if (timer.elapsed() >= milliseconds)
            return false;
        QThread::msleep(20);
    }
    return true;
}

}  // namespace nbr
