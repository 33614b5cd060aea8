#pragma once

#include <windows.h>

// Stopping an action between two icons. While a walk runs, a ConsoleStopScope
// turns Ctrl+C, Ctrl+Break and the console's close into a stop request, a
// process-wide flag the walks poll between two icons, so that no blocks stay in
// the shell and no save is left half done. A walk that finds it set stops, says
// so and releases everything; a stop that comes once no walk is left lets the
// last step finish. Anything else that must stop the action under way (the
// watcher told to end) calls RequestStop. Questions and menus keep the console's
// own handling: a scope is installed only after them.

// Asks the action under way (and any that would follow) to stop at the next
// icon. Safe from any thread, at any time, and more than once.
void RequestStop();

// Whether a stop was requested since the process started.
[[nodiscard]] bool StopRequested();

// Signalled once a stop has been requested: for a loop that waits rather than
// walks, such as the watcher's.
[[nodiscard]] HANDLE StopRequestedEvent();

// What a ConsoleStopScope's handler does with a console signal: it requests the
// stop and, when the console closes or the session ends, holds the process back
// until the last scope has ended. Tests call it as the console would, since
// under Wine only Ctrl+C can be sent to a console.
BOOL WINAPI StopOnConsoleSignal(DWORD signal);

// Records that the action under way has left work undone on the stop request
// and said so: only then does the process end with kStoppedExitCode.
void NoteStopObeyed();
[[nodiscard]] bool StopObeyed();

// Forgets a stop request, for the tests that stop a watcher inside their own
// process and go on: a program runs one action and ends.
void ClearStopRequest();

// The exit code of a console program stopped by Ctrl+C (STATUS_CONTROL_C_EXIT).
constexpr int kStoppedExitCode = static_cast<int>(0xC000013A);

// For its lifetime, Ctrl+C, Ctrl+Break and the close, log-off and shut-down
// signals of the console request a stop instead of ending the process. Scopes
// may nest (a watcher's around a restore's); the handler stays until the last
// one ends. Declare it before what the walk holds, so that it ends after the
// walk has released everything.
class ConsoleStopScope {
public:
    ConsoleStopScope();
    ~ConsoleStopScope();
    ConsoleStopScope(const ConsoleStopScope&) = delete;
    ConsoleStopScope& operator=(const ConsoleStopScope&) = delete;
};
