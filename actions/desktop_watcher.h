#pragma once

#include <windows.h>

#include "actions/desktop_settle.h"
#include "actions/watcher_instance.h"

class TimestampedOutput;

// The watcher's own hidden top-level window (a message-only window receives
// no broadcasts) takes the events that disturb the desktop's icons: a display
// change, the shell starting again ("TaskbarCreated"), a resume from sleep.
// Once the desktop has settled after them, the layout stored for the display
// configuration then in force comes back as `restore /y` brings it back. The
// end of the session stops the watcher, as does a stop asked for through its
// instance.
class DesktopWatcher {
public:
    DesktopWatcher(const WatcherInstance& instance, TimestampedOutput& output, ULONGLONG quietMilliseconds);
    ~DesktopWatcher();
    DesktopWatcher(const DesktopWatcher&) = delete;
    DesktopWatcher& operator=(const DesktopWatcher&) = delete;

    // Makes the window that takes the events; false when it could not be made.
    [[nodiscard]] bool Listen();

    // Watches until a stop is asked for or the session ends.
    void Run();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnEvent(const wchar_t* what);
    void LookAtDesktop();
    void RestoreLayoutOfDisplay();

    const WatcherInstance& instance_;
    TimestampedOutput& output_;
    DesktopSettle settle_;
    UINT taskbarCreated_;
    HWND window_ = nullptr;
    bool sessionEnding_ = false;
};
