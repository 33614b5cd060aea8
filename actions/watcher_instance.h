#pragma once

#include <windows.h>

// The one watcher of a user session: a named mutex that the watcher owns while
// it runs, and a named event through which `watch /stop` from any console of
// the session asks it to stop. While it lives, Ctrl+C, Ctrl+Break and closing
// the console ask for the stop too, instead of ending the process at once.
class WatcherInstance {
public:
    WatcherInstance();
    ~WatcherInstance();
    WatcherInstance(const WatcherInstance&) = delete;
    WatcherInstance& operator=(const WatcherInstance&) = delete;

    // False when another watcher of the session runs: this one must not start.
    [[nodiscard]] bool IsTheOnlyOne() const { return owned_; }

    // Signalled when a stop has been asked for.
    [[nodiscard]] HANDLE StopEvent() const { return stopEvent_; }

    // Stops the watcher from this process, as the end of the session does.
    void RequestStop() const { SetEvent(stopEvent_); }

    // The console control handler of the watcher: asks for the stop. When the
    // console is closing, the process ends as soon as the handler returns, so
    // it first waits, a bounded time, until the watcher has let go of
    // everything.
    static BOOL WINAPI OnConsoleEvent(DWORD event);

private:
    HANDLE mutex_ = nullptr;
    HANDLE stopEvent_ = nullptr;
    HANDLE endedEvent_ = nullptr;  // set once the watcher has let go of everything
    bool owned_ = false;
};

enum class StopOutcome { Stopped, NoneRunning, StillRunning };

// Asks the watcher of this session to stop and waits, a bounded time, until it
// has ended.
[[nodiscard]] StopOutcome StopRunningWatcher();
