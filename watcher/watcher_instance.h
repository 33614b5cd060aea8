#pragma once

#include <windows.h>

// The one watcher of a user session: a named mutex that the watcher owns while
// it runs, and a named event through which `watch /stop`, from any console of
// the session, requests the watcher's stop (app/stop_request.h), as Ctrl+C and
// the end of the session do: a restore under way stops at its next icon, and
// the watcher ends. Two more named events carry `watch /pause` and `/resume`
// to it; the watcher waits on them.
class WatcherInstance {
public:
    WatcherInstance();
    ~WatcherInstance();
    WatcherInstance(const WatcherInstance&) = delete;
    WatcherInstance& operator=(const WatcherInstance&) = delete;

    // False when another watcher of the session runs: this one must not start.
    [[nodiscard]] bool IsTheOnlyOne() const { return listening_; }

    // Signalled, each once per request, when the watcher is asked to pause or to
    // resume.
    [[nodiscard]] HANDLE PauseRequested() const { return pauseEvent_; }
    [[nodiscard]] HANDLE ResumeRequested() const { return resumeEvent_; }

private:
    HANDLE mutex_ = nullptr;
    HANDLE stopEvent_ = nullptr;
    HANDLE pauseEvent_ = nullptr;
    HANDLE resumeEvent_ = nullptr;
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

// Asks the watcher of this session to pause (true) or to resume; false when no
// watcher runs. The watcher takes the request once it is between two actions.
[[nodiscard]] bool RequestWatcherPause(bool pause);
