#pragma once

#include <windows.h>

#include "watcher/desktop_settle.h"

class TimestampedOutput;

// The watcher's own hidden top-level window (a message-only window receives
// no broadcasts) takes the events that disturb the desktop's icons: a display
// change, the shell starting again ("TaskbarCreated"), a resume from sleep.
// Once the desktop has settled after them, the layout stored for the display
// configuration then in force comes back as `restore /y` brings it back. It
// runs until a stop is requested (app/stop_request.h), which the end of the
// session does too.
class DesktopWatcher {
public:
    DesktopWatcher(TimestampedOutput& output, ULONGLONG quietMilliseconds);
    ~DesktopWatcher();
    DesktopWatcher(const DesktopWatcher&) = delete;
    DesktopWatcher& operator=(const DesktopWatcher&) = delete;

    // Makes the window that takes the events; false when it could not be made.
    [[nodiscard]] bool Listen();

    // Watches until a stop is requested.
    void Run();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnEvent(const wchar_t* what);
    void LookAtDesktop();
    void RestoreLayoutOfDisplay();

    TimestampedOutput& output_;
    DesktopSettle settle_;
    UINT taskbarCreated_;
    HWND window_ = nullptr;
};
