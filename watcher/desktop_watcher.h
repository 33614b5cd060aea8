#pragma once

#include <windows.h>

#include <optional>

#include "watcher/desktop_settle.h"
#include "watcher/item_arrivals.h"
#include "watcher/notification_icon.h"
#include "watcher/save_schedule.h"

class TimestampedOutput;
class WatcherInstance;

// The watcher's own hidden top-level window (a message-only window receives
// no broadcasts) takes the events that disturb the desktop's icons: a display
// change, the shell starting again ("TaskbarCreated"), a resume from sleep, and
// its session connected to the console or remotely or unlocked. Once the
// desktop has settled after them, the layout stored for the display
// configuration then in force comes back as `restore /y` brings it back. It
// runs until a stop is requested (app/stop_request.h), which the end of the
// session does too. Between events it looks at the desktop every second: an
// item that appears (made, or deleted and made again) goes back to the place
// the layout of the display in force gives it (watcher/item_arrivals.h), and,
// unless told not to, the layout is saved once an arrangement has changed and
// then stayed as it is for the save delay (watcher/save_schedule.h). Paused, it
// does none of this until it is resumed.
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

    // Watches until a stop is requested, taking the pauses and resumes that the
    // instance is asked for.
    void Run(const WatcherInstance& instance);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnEvent(const wchar_t* what);
    void OnSessionChange(WPARAM change);
    void Pause(bool pause);
    void LookAtDesktop();
    // False when no layout is stored for the display.
    bool RestoreLayoutOfDisplay();
    // Starts the save delay afresh and takes the desktop's items as they stand.
    void BeginQuietPeriod(bool layoutStored);
    void LookForChanges();
    void PutBackAppearedItems(HWND listView, const std::vector<int>& appeared);
    void SaveLayoutOfDisplay();

    TimestampedOutput& output_;
    DesktopSettle settle_;
    std::optional<SaveSchedule> saves_;
    ItemArrivals arrivals_;
    ULONGLONG nextLook_ = 0;
    bool paused_ = false;
    UINT taskbarCreated_;
    HWND window_ = nullptr;
    bool sessionNotified_ = false;
    // The windowless program's only.
    std::optional<NotificationIcon> icon_;
};
