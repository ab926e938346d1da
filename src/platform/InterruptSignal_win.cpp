#include "platform/InterruptSignal.h"

#include <windows.h>

#include <cstdlib>

namespace nbr {
namespace {

std::atomic<bool> g_raised {false};

BOOL WINAPI OnConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    if (g_raised.exchange(true))
        std::_Exit(130);  // the second Ctrl+C ends the program
    return TRUE;
}

}  // namespace

void InterruptSignal::Install()
{
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

const std::atomic<bool>& InterruptSignal::Flag()
{
    return g_raised;
}

}  // namespace nbr
