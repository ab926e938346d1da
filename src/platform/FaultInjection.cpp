#include "platform/FaultInjection.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <time.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace nbr {
namespace {

std::atomic<std::uint64_t> g_changes {0};
std::atomic<int> g_mode {0};
std::atomic<std::uint64_t> g_at {0};
std::string g_countFile;
std::atomic<FaultInjection::Observer> g_observer {nullptr};
std::atomic<long> g_slowMs {0};
std::thread::id g_slowExempt;  // the thread that armed it: only workers wait

[[noreturn]] void Die()
{
#ifdef _WIN32
    ::TerminateProcess(::GetCurrentProcess(), 137);
    std::_Exit(137);
#else
    ::kill(::getpid(), SIGKILL);
    ::_exit(137);
#endif
}

void WriteCount()
{
    if (FILE* f = std::fopen(g_countFile.c_str(), "w")) {
        std::fprintf(f, "%llu\n", static_cast<unsigned long long>(g_changes.load()));
        std::fclose(f);
    }
}

// What the next change meets: 0 go on, 1 fail, 2 die, 3 tear.
int Next(const char* what)
{
    if (const FaultInjection::Observer observer = g_observer.load())
        observer(what);
    const std::uint64_t n = ++g_changes;
    const auto mode = static_cast<FaultInjection::Mode>(g_mode.load());
    const std::uint64_t at = g_at.load();
    if (mode == FaultInjection::Mode::Off || at == 0 || n < at)
        return 0;
    switch (mode) {
    case FaultInjection::Mode::Kill:
        return n == at ? 2 : 0;
    case FaultInjection::Mode::Tear:
        return n == at ? 3 : 0;
    case FaultInjection::Mode::Full:
        return 1;  // a full disk stays full
    default:
        return 0;
    }
}

}  // namespace

void FaultInjection::Arm(Mode mode, std::uint64_t at)
{
    g_changes = 0;
    g_at = at;
    g_mode = static_cast<int>(mode);
}

void FaultInjection::ArmFromEnvironment()
{
    const char* armed = std::getenv("NIMBRA_FAULT");
    if (!armed || !*armed)
        return;
    const std::string text(armed);
    const auto colon = text.find(':');
    if (colon == std::string::npos)
        return;
    const std::string kind = text.substr(0, colon);
    const std::string value = text.substr(colon + 1);
    if (kind == "slow") {
        g_slowExempt = std::this_thread::get_id();
        g_slowMs = std::strtol(value.c_str(), nullptr, 10);
        return;
    }
    if (kind == "count") {
        g_countFile = value;
        std::atexit(WriteCount);
        return;
    }
    const std::uint64_t at = std::strtoull(value.c_str(), nullptr, 10);
    if (kind == "kill")
        Arm(Mode::Kill, at);
    else if (kind == "tear")
        Arm(Mode::Tear, at);
    else if (kind == "full")
        Arm(Mode::Full, at);
}

std::uint64_t FaultInjection::Changes()
{
    return g_changes.load();
}

void FaultInjection::Observe(Observer observer)
{
    g_observer = observer;
}

bool FaultInjection::BeforeChange(const char* what)
{
    switch (Next(what)) {
    case 1:
        errno = ENOSPC;
        return false;
    case 2:
    case 3:
        Die();
    default:
        return true;
    }
}

std::size_t FaultInjection::BeforeWrite(std::size_t size, bool* allowed)
{
    *allowed = true;
    if (const long ms = g_slowMs.load(); ms > 0 && std::this_thread::get_id() != g_slowExempt) {
        const timespec pause {ms / 1000, (ms % 1000) * 1000000L};
        ::nanosleep(&pause, nullptr);
    }
    switch (Next("write")) {
    case 1:
        errno = ENOSPC;
        *allowed = false;
        return 0;
    case 2:
        Die();
    case 3:
        return size / 2;
    default:
        return size;
    }
}

void FaultInjection::AfterTornWrite()
{
    Die();
}

}  // namespace nbr
