#include "platform/Processes.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

#include <windows.h>
#include <tlhelp32.h>

#include <cstdint>
#include <vector>

// Processes through handles: a process is named by its id and its creation
// time, checked through a handle that keeps the id from passing to another
// process while it is open. A "session" is the process started and every
// process descended from it, kept in a job object of its own (membership
// passes to every descendant, even once the one between has ended); the
// polite close posts WM_CLOSE to its windows, the forced one is
// TerminateProcess.
namespace nbr {
namespace {

QMutex g_lock;
QHash<qint64, HANDLE> g_started;  // held open until Release: the id stays reserved
QHash<qint64, HANDLE> g_jobs;     // a started process's job; none where one cannot be made

quint64 Ticks(const FILETIME& t)
{
    return (static_cast<quint64>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

quint64 CreationOf(HANDLE h)
{
    FILETIME created {}, ended {}, kernel {}, user {};
    return ::GetProcessTimes(h, &created, &ended, &kernel, &user) ? Ticks(created) : 0;
}

QString ImageOf(HANDLE h)
{
    wchar_t path[32768];
    DWORD size = 32768;
    if (!::QueryFullProcessImageNameW(h, 0, path, &size))
        return {};
    return QDir::fromNativeSeparators(QString::fromWCharArray(path, static_cast<qsizetype>(size)));
}

bool Running(HANDLE h)
{
    return ::WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
}

// A handle on the process `identity` describes; null when it has ended or
// another process now has its id.
HANDLE OpenSame(const ProcessIdentity& identity, DWORD access)
{
    HANDLE h = ::OpenProcess(access | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE,
                             static_cast<DWORD>(identity.pid));
    if (h == nullptr)
        return nullptr;
    if (!Running(h) || CreationOf(h) != identity.startTicks
        || (!identity.executable.isEmpty() && ImageOf(h).compare(identity.executable, Qt::CaseInsensitive) != 0)) {
        ::CloseHandle(h);
        return nullptr;
    }
    return h;
}

QString Quoted(const QString& argument)
{
    if (!argument.isEmpty() && !argument.contains(QLatin1Char(' ')) && !argument.contains(QLatin1Char('\t'))
        && !argument.contains(QLatin1Char('"')))
        return argument;
    // The rules CommandLineToArgvW reads back: backslashes double before a quote.
    QString out = QStringLiteral("\"");
    int slashes = 0;
    for (const QChar c : argument) {
        if (c == QLatin1Char('\\')) {
            ++slashes;
            continue;
        }
        out += QString(c == QLatin1Char('"') ? slashes * 2 + 1 : slashes, QLatin1Char('\\'));
        slashes = 0;
        out += c;
    }
    out += QString(slashes * 2, QLatin1Char('\\'));
    return out + QLatin1Char('"');
}

struct Entry {
    qint64 pid;
    qint64 parent;
};

QList<Entry> Snapshot()
{
    QList<Entry> entries;
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return entries;
    PROCESSENTRY32W entry {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snap, &entry); more; more = ::Process32NextW(snap, &entry))
        entries.append({static_cast<qint64>(entry.th32ProcessID), static_cast<qint64>(entry.th32ParentProcessID)});
    ::CloseHandle(snap);
    return entries;
}

struct Windows {
    DWORD pid;
    int posted = 0;
};

BOOL CALLBACK PostClose(HWND window, LPARAM data)
{
    auto* target = reinterpret_cast<Windows*>(data);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != target->pid || !::IsWindowVisible(window) || ::GetWindow(window, GW_OWNER) != nullptr)
        return TRUE;
    wchar_t title[256];
    if (::GetWindowTextW(window, title, 256) <= 0)
        return TRUE;
    if (::PostMessageW(window, WM_CLOSE, 0, 0))
        ++target->posted;
    return TRUE;
}

}  // namespace

bool Processes::Start(const QStringList& command, qint64* pid)
{
    if (command.isEmpty())
        return false;
    const QString program = ResolveProgram(command.first());
    if (program.isEmpty())
        return false;
    QStringList parts {Quoted(QDir::toNativeSeparators(program))};
    for (qsizetype i = 1; i < command.size(); ++i)
        parts << Quoted(command.at(i));
    std::wstring line = parts.join(QLatin1Char(' ')).toStdWString();
    STARTUPINFOW startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info {};
    // Started suspended, so that it is in its job before it can start anything.
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_PROCESS_GROUP | CREATE_SUSPENDED,
                          nullptr, nullptr, &startup, &info))
        return false;
    HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
    if (job != nullptr && !::AssignProcessToJobObject(job, info.hProcess)) {
        ::CloseHandle(job);
        job = nullptr;
    }
    ::ResumeThread(info.hThread);
    ::CloseHandle(info.hThread);
    *pid = static_cast<qint64>(info.dwProcessId);
    QMutexLocker lock(&g_lock);
    g_started.insert(*pid, info.hProcess);
    if (job != nullptr)
        g_jobs.insert(*pid, job);
    return true;
}

bool Processes::Release(qint64 pid)
{
    QMutexLocker lock(&g_lock);
    const auto it = g_started.find(pid);
    if (it == g_started.end())
        return true;
    if (Running(it.value()))
        return false;
    ::CloseHandle(it.value());
    g_started.erase(it);
    // Letting go of the job leaves what runs in it running.
    if (const HANDLE job = g_jobs.take(pid))
        ::CloseHandle(job);
    return true;
}

bool Processes::IsRunning(qint64 pid)
{
    HANDLE h = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (h == nullptr)
        return false;
    const bool running = Running(h);
    ::CloseHandle(h);
    return running;
}

bool Processes::Identify(qint64 pid, ProcessIdentity* identity)
{
    HANDLE h = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (h == nullptr)
        return false;
    const bool running = Running(h);
    if (running) {
        *identity = ProcessIdentity {};
        identity->pid = pid;
        identity->startTicks = CreationOf(h);
        identity->executable = ImageOf(h);
        for (const Entry& e : Snapshot()) {
            if (e.pid == pid)
                identity->parent = e.parent;
        }
    }
    ::CloseHandle(h);
    return running;
}

bool Processes::IsSame(const ProcessIdentity& identity)
{
    HANDLE h = OpenSame(identity, 0);
    if (h == nullptr)
        return false;
    ::CloseHandle(h);
    return true;
}

qint64 Processes::ThreadCpuMs()
{
    FILETIME created {}, ended {}, kernel {}, user {};
    if (!::GetThreadTimes(::GetCurrentThread(), &created, &ended, &kernel, &user))
        return 0;
    return static_cast<qint64>((Ticks(kernel) + Ticks(user)) / 10000);
}

QList<ProcessIdentity> Processes::SessionMembers(qint64 session)
{
    {
        QMutexLocker lock(&g_lock);
        if (const HANDLE job = g_jobs.value(session)) {
            // Room for a few hundred; a job with more lists only those.
            std::vector<std::uint8_t> buffer(sizeof(JOBOBJECT_BASIC_PROCESS_ID_LIST) + 512 * sizeof(ULONG_PTR));
            auto* list = reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(buffer.data());
            list->NumberOfAssignedProcesses = 512;
            if (::QueryInformationJobObject(job, JobObjectBasicProcessIdList, list, static_cast<DWORD>(buffer.size()),
                                            nullptr)
                || ::GetLastError() == ERROR_MORE_DATA) {
                QList<ProcessIdentity> members;
                for (DWORD i = 0; i < list->NumberOfProcessIdsInList; ++i) {
                    ProcessIdentity member;
                    if (Identify(static_cast<qint64>(list->ProcessIdList[i]), &member)) {
                        member.session = session;
                        members.append(member);
                    }
                }
                return members;
            }
        }
    }
    // The leader and its descendants. A child is only counted when it was
    // created after its parent, or a reused id would adopt strangers.
    const QList<Entry> all = Snapshot();
    QList<ProcessIdentity> members;
    QList<qint64> frontier {session};
    QHash<qint64, quint64> created;
    ProcessIdentity leader;
    if (Identify(session, &leader)) {
        leader.session = session;
        members.append(leader);
        created.insert(session, leader.startTicks);
    } else {
        created.insert(session, 0);
    }
    while (!frontier.isEmpty()) {
        const qint64 parent = frontier.takeFirst();
        for (const Entry& e : all) {
            if (e.parent != parent || e.pid == parent || created.contains(e.pid))
                continue;
            ProcessIdentity child;
            if (!Identify(e.pid, &child) || child.startTicks < created.value(parent))
                continue;
            child.session = session;
            created.insert(e.pid, child.startTicks);
            members.append(child);
            frontier.append(e.pid);
        }
    }
    return members;
}

QString Processes::ExecutableOf(qint64 pid)
{
    HANDLE h = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (h == nullptr)
        return {};
    const QString image = ImageOf(h);
    ::CloseHandle(h);
    return image;
}

QList<qint64> Processes::FindByExecutable(const QString& executable)
{
    const QString wanted = QFileInfo(executable).absoluteFilePath();
    QList<qint64> found;
    for (const Entry& e : Snapshot()) {
        if (e.pid != static_cast<qint64>(::GetCurrentProcessId())
            && ExecutableOf(e.pid).compare(wanted, Qt::CaseInsensitive) == 0)
            found << e.pid;
    }
    return found;
}

QString Processes::ResolveProgram(const QString& program)
{
    if (program.isEmpty())
        return {};
    if (program.contains(QLatin1Char('/')) || program.contains(QLatin1Char('\\'))) {
        const QFileInfo info(program);
        return info.isFile() ? info.absoluteFilePath() : QString();
    }
    wchar_t found[MAX_PATH + 1];
    const DWORD n = ::SearchPathW(nullptr, program.toStdWString().c_str(), L".exe", MAX_PATH + 1, found, nullptr);
    if (n == 0 || n > MAX_PATH)
        return {};
    return QDir::fromNativeSeparators(QString::fromWCharArray(found, static_cast<qsizetype>(n)));
}

bool Processes::Signal(const ProcessIdentity& identity, bool force)
{
    HANDLE h = OpenSame(identity, force ? PROCESS_TERMINATE : 0);
    if (h == nullptr)
        return false;
    bool sent = false;
    if (force) {
        sent = ::TerminateProcess(h, 1) != 0;
    } else {
        // The handle keeps the id ours while the windows are asked.
        Windows target {static_cast<DWORD>(identity.pid)};
        ::EnumWindows(PostClose, reinterpret_cast<LPARAM>(&target));
        sent = target.posted > 0;
    }
    ::CloseHandle(h);
    return sent;
}

bool Processes::WaitForExit(const ProcessIdentity& identity, int milliseconds)
{
    HANDLE h = OpenSame(identity, 0);
    if (h == nullptr)
        return true;
    const bool ended = ::WaitForSingleObject(h, static_cast<DWORD>(std::max(milliseconds, 0))) == WAIT_OBJECT_0;
    ::CloseHandle(h);
    return ended;
}

}  // namespace nbr
