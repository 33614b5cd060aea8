#include "actions/watcher_instance.h"

namespace {

// In the session's own namespace: one watcher per user session, which a
// watcher of the other build's width counts as too.
constexpr wchar_t kMutexName[] = L"Local\\Kelvane.Watcher";
constexpr wchar_t kStopEventName[] = L"Local\\Kelvane.Watcher.Stop";

// A watcher stops at its next icon when it is restoring; a restore of a large
// desktop under a slow shell can take a while before it gets there.
constexpr DWORD kStopWaitMilliseconds = 30000;

// A console that closes ends the process about five seconds after it asks.
constexpr DWORD kCloseWaitMilliseconds = 4000;

// The instance whose stop the console control handler asks for.
const WatcherInstance* consoleInstance = nullptr;
HANDLE consoleEndedEvent = nullptr;

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

}  // namespace

WatcherInstance::WatcherInstance() {
    mutex_ = CreateMutexW(nullptr, TRUE, kMutexName);
    owned_ = mutex_ != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
    if (owned_) {
        // Manual reset: once asked, the watcher stays stopping.
        stopEvent_ = CreateEventW(nullptr, TRUE, FALSE, kStopEventName);
        endedEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        owned_ = stopEvent_ != nullptr && endedEvent_ != nullptr;
    }
    if (owned_) {
        consoleInstance = this;
        consoleEndedEvent = endedEvent_;
        SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    }
}

WatcherInstance::~WatcherInstance() {
    if (consoleInstance == this) {
        SetEvent(endedEvent_);
        SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
        consoleInstance = nullptr;
    }
    if (endedEvent_ != nullptr) {
        CloseHandle(endedEvent_);
    }
    if (stopEvent_ != nullptr) {
        CloseHandle(stopEvent_);
    }
    if (mutex_ != nullptr) {
        if (owned_) {
            ReleaseMutex(mutex_);
        }
        CloseHandle(mutex_);
    }
}

BOOL WINAPI WatcherInstance::OnConsoleEvent(DWORD event) {
    const WatcherInstance* instance = consoleInstance;
    if (instance == nullptr) {
        return FALSE;
    }
    instance->RequestStop();
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        WaitForSingleObject(consoleEndedEvent, kCloseWaitMilliseconds);
    }
    return TRUE;
}

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
