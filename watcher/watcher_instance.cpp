#include "watcher/watcher_instance.h"

#include <initializer_list>

#include "app/stop_request.h"

namespace {

// In the session's own namespace: one watcher per user session, which a
// watcher of the other build's width counts as too.
constexpr wchar_t kMutexName[] = L"Local\\Kelvane.Watcher";
constexpr wchar_t kStopEventName[] = L"Local\\Kelvane.Watcher.Stop";
constexpr wchar_t kPauseEventName[] = L"Local\\Kelvane.Watcher.Pause";
constexpr wchar_t kResumeEventName[] = L"Local\\Kelvane.Watcher.Resume";

// A watcher stops at its next icon when it is restoring; a restore of a large
// desktop under a slow shell can take a while before it gets there.
constexpr DWORD kStopWaitMilliseconds = 30000;

// Closes a handle opened by name when it goes.
class OpenedHandle {
public:
    explicit OpenedHandle(HANDLE handle) : handle_(handle) {}
    ~OpenedHandle() {
        if (handle_ != nullptr) CloseHandle(handle_);
    }
    OpenedHandle(const OpenedHandle&) = delete;
    OpenedHandle& operator=(const OpenedHandle&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

VOID CALLBACK RequestStopOnEvent(void*, BOOLEAN) { RequestStop(); }

}  // namespace

WatcherInstance::WatcherInstance() {
    mutex_ = CreateMutexW(nullptr, TRUE, kMutexName);
    owned_ = mutex_ != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
    if (!owned_) {
        return;
    }
    // Manual reset: once asked, the watcher stays stopping.
    stopEvent_ = CreateEventW(nullptr, TRUE, FALSE, kStopEventName);
    // Auto reset: each request is taken once.
    pauseEvent_ = CreateEventW(nullptr, FALSE, FALSE, kPauseEventName);
    resumeEvent_ = CreateEventW(nullptr, FALSE, FALSE, kResumeEventName);
    listening_ =
        stopEvent_ != nullptr && pauseEvent_ != nullptr && resumeEvent_ != nullptr &&
        RegisterWaitForSingleObject(&stopWait_, stopEvent_, RequestStopOnEvent, nullptr, INFINITE, WT_EXECUTEONLYONCE);
}

WatcherInstance::~WatcherInstance() {
    if (stopWait_ != nullptr) {
        // Waits for a callback under way, so that none runs after this.
        UnregisterWaitEx(stopWait_, INVALID_HANDLE_VALUE);
    }
    for (const HANDLE event : {stopEvent_, pauseEvent_, resumeEvent_}) {
        if (event != nullptr) {
            CloseHandle(event);
        }
    }
    if (mutex_ != nullptr) {
        if (owned_) {
            ReleaseMutex(mutex_);
        }
        CloseHandle(mutex_);
    }
}

bool WatcherRuns() { return OpenedHandle(OpenMutexW(SYNCHRONIZE, FALSE, kMutexName)).get() != nullptr; }

StopOutcome StopRunningWatcher() {
    const OpenedHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, kMutexName));
    const OpenedHandle stopEvent(OpenEventW(EVENT_MODIFY_STATE, FALSE, kStopEventName));
    if (mutex.get() == nullptr || stopEvent.get() == nullptr) {
        return StopOutcome::NoneRunning;
    }
    SetEvent(stopEvent.get());
    // The watcher owns the mutex while it runs: it is ours once the watcher has
    // ended, abandoned if the watcher was ended otherwise.
    const DWORD waited = WaitForSingleObject(mutex.get(), kStopWaitMilliseconds);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        return StopOutcome::StillRunning;
    }
    ReleaseMutex(mutex.get());
    return StopOutcome::Stopped;
}

bool RequestWatcherPause(bool pause) {
    const OpenedHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, kMutexName));
    const OpenedHandle event(OpenEventW(EVENT_MODIFY_STATE, FALSE, pause ? kPauseEventName : kResumeEventName));
    return mutex.get() != nullptr && event.get() != nullptr && SetEvent(event.get()) != FALSE;
}
