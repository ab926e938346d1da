#include "platform/InterruptSignal.h"

#include <csignal>

namespace nbr {
namespace {

std::atomic<bool> g_raised {false};

extern "C" void OnInterrupt(int)
{
    g_raised.store(true);
    std::signal(SIGINT, SIG_DFL);  // the next Ctrl+C ends the program at once
}

}  // namespace

void InterruptSignal::Install()
{
    std::signal(SIGINT, OnInterrupt);
}

const std::atomic<bool>& InterruptSignal::Flag()
{
    return g_raised;
}

}  // namespace nbr
