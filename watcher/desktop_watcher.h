#pragma once

#include <windows.h>

#include <optional>

#include "watcher/desktop_settle.h"
#include "watcher/notification_icon.h"
#include "watcher/save_schedule.h"

class TimestampedOutput;

// The watcher's own hidden top-level window (a message-only window receives
// no broadcasts) takes the events that disturb the desktop's icons: a display
// change, the shell starting again ("TaskbarCreated"), a resume from sleep.
// Once the desktop has settled after them, the layout stored for the display
// configuration then in force comes back as `restore /y` brings it back. It
// runs until a stop is requested (app/stop_request.h), which the end of the
// session does too. Unless told not to, it also looks at the desktop every few
// seconds and saves the layout of the display configuration in force once an
// arrangement has changed and then stayed as it is for the save delay
// (watcher/save_schedule.h).
class DesktopWatcher {
public:
    // A save delay of none: the watcher never saves.
    DesktopWatcher(TimestampedOutput& output, ULONGLONG quietMilliseconds,
                   std::optional<ULONGLONG> saveDelayMilliseconds);
    ~DesktopWatcher();
    DesktopWatcher(const DesktopWatcher&) = delete;
    DesktopWatcher& operator=(const DesktopWatcher&) = delete;

    // Takes the desktop as it finds it (when saving), then makes the window
    // that takes the events; false when the window could not be made.
    [[nodiscard]] bool Listen();

    // Watches until a stop is requested.
    void Run();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnEvent(const wchar_t* what);
    void LookAtDesktop();
    // False when no layout is stored for the display.
    bool RestoreLayoutOfDisplay();
    void LookForChanges();
    void SaveLayoutOfDisplay();

    TimestampedOutput& output_;
    DesktopSettle settle_;
    std::optional<SaveSchedule> saves_;
    ULONGLONG nextSaveLook_ = 0;
    UINT taskbarCreated_;
    HWND window_ = nullptr;
    // The windowless program's only.
    std::optional<NotificationIcon> icon_;
};
