#include "app/stop_request.h"

#include <windows.h>

#include <atomic>

namespace {

// How long the handler of a closing console holds the process back for the walk
// to end: the system ends the process as soon as the handler returns, and after
// five seconds whatever it does.
constexpr DWORD kCloseWaitMilliseconds = 4500;

std::atomic<bool> stopRequested{false};
std::atomic<bool> stopObeyed{false};

// Scopes begin and end on the thread that runs the action only.
int scopeDepth = 0;

// Signalled while no scope is installed: what a closing console's handler
// waits for.
HANDLE NoScopeEvent() {
    static const HANDLE event = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    return event;
}

}  // namespace

// Runs on a thread of its own that the console starts for the signal.
BOOL WINAPI StopOnConsoleSignal(DWORD signal) {
    RequestStop();
    if (signal != CTRL_C_EVENT && signal != CTRL_BREAK_EVENT) {
        // The console closes or the session ends: the process ends as soon as
        // this returns, so the walk gets its time to release what it holds.
        WaitForSingleObject(NoScopeEvent(), kCloseWaitMilliseconds);
    }
    return TRUE;
}

HANDLE StopRequestedEvent() {
    static const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

void RequestStop() {
    stopRequested.store(true);
    SetEvent(StopRequestedEvent());
}

bool StopRequested() { return stopRequested.load(); }

void NoteStopObeyed() { stopObeyed.store(true); }

bool StopObeyed() { return stopObeyed.load(); }

void ClearStopRequest() {
    stopRequested.store(false);
    stopObeyed.store(false);
    ResetEvent(StopRequestedEvent());
}

ConsoleStopScope::ConsoleStopScope() {
    if (scopeDepth++ == 0) {
        ResetEvent(NoScopeEvent());
        SetConsoleCtrlHandler(StopOnConsoleSignal, TRUE);
    }
}

ConsoleStopScope::~ConsoleStopScope() {
    if (--scopeDepth == 0) {
        // The event first: the console may hold its handler list while a handler
        // waits, and removing this one would then wait for that handler.
        SetEvent(NoScopeEvent());
        SetConsoleCtrlHandler(StopOnConsoleSignal, FALSE);
    }
}
