#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "text/wstring.h"

// The windowless watcher's icon in the notification area, on the watcher's
// window. Its tooltip names the program, the layout of the display in force and
// what the watcher is doing; it comes back when the shell starts again
// ("TaskbarCreated") and goes with the object. Its menu (right-click, or the
// keyboard as the notification area offers it) is a table of entries, each
// doing what its command line does; the windowless program run for an entry
// shows the outcome itself.
class NotificationIcon {
public:
    explicit NotificationIcon(HWND window);
    ~NotificationIcon();
    NotificationIcon(const NotificationIcon&) = delete;
    NotificationIcon& operator=(const NotificationIcon&) = delete;

    // Takes the icon's window messages: its callback and the menu's choices,
    // and those that change the tooltip (which the watcher handles as well).
    // True when the message was the icon's alone.
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // What the tooltip says the watcher does, "watching" until told otherwise;
    // kPausedState also turns the menu's pause entry into its resume entry.
    void SetState(const wchar_t* state);
    static constexpr wchar_t kPausedState[] = L"paused";

private:
    void Add();
    void ShowTip();
    void ShowMenu(POINT at);
    void Choose(UINT command);
    [[nodiscard]] bool Paused() const { return state_ == kPausedState; }

    NOTIFYICONDATAW data_{};
    UINT taskbarCreated_;
    std::wstring state_ = L"watching";
    // The layouts of the restore submenu last shown, by command.
    std::vector<WString> layouts_;
};
