#pragma once

#include <windows.h>

// The one watcher of a user session: a named mutex that the watcher owns while
// it runs, and a named event through which `watch /stop`, from any console of
// the session, requests the watcher's stop (app/stop_request.h), as Ctrl+C and
// the end of the session do: a restore under way stops at its next icon, and
// the watcher ends.
class WatcherInstance {
public:
    WatcherInstance();
    ~WatcherInstance();
    WatcherInstance(const WatcherInstance&) = delete;
    WatcherInstance& operator=(const WatcherInstance&) = delete;

    // False when another watcher of the session runs: this one must not start.
    [[nodiscard]] bool IsTheOnlyOne() const { return listening_; }

private:
    HANDLE mutex_ = nullptr;
    HANDLE stopEvent_ = nullptr;
    HANDLE stopWait_ = nullptr;  // the thread-pool wait that turns the event into a stop request
    bool owned_ = false;
    bool listening_ = false;
};

// Whether a watcher of this session runs, of either build's width.
[[nodiscard]] bool WatcherRuns();

enum class StopOutcome { Stopped, NoneRunning, StillRunning };

// Asks the watcher of this session to stop and waits, a bounded time, until it
// has ended.
[[nodiscard]] StopOutcome StopRunningWatcher();
