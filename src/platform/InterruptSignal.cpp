#include "platform/InterruptSignal.h"

#include <csignal>

namespace nbr {
namespace {

std::atomic<bool> g_raised {false};

// A polite end asked from outside (kill, a timeout, a service stop) or a
// terminal closed under the command means the same as Ctrl+C: the run
// stops through its clean-up, which wipes decrypted copies and removes a
// half-written file, instead of dying where it stands.
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void OnInterrupt(int)
{
    g_raised.store(true);
    for (const int signal : kSignals)
        std::signal(signal, SIG_DFL);  // the next one ends the program at once
}

}  // namespace

void InterruptSignal::Install()
{
    for (const int signal : kSignals)
        std::signal(signal, OnInterrupt);
}

const std::atomic<bool>& InterruptSignal::Flag()
{
    return g_raised;
}

}  // namespace nbr
