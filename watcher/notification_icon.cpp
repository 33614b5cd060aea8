#include "watcher/notification_icon.h"

#include <windowsx.h>

#include <cwchar>
#include <iterator>

#include "actions/action_start.h"
#include "app/app_icon.h"
#include "app/log_file_output.h"
#include "app/program_path.h"
#include "app/stop_request.h"
#include "store/stored_layouts.h"
#include "watcher/watcher_instance.h"

namespace {

constexpr UINT kIconCallback = WM_APP + 2;
constexpr UINT kIconId = 1;

// Runs the windowless program (this one) with the arguments, without waiting:
// it shows its own outcome.
void RunProgram(const wchar_t* arguments) {
    std::wstring commandLine = L"\"" + ProgramPath() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
}

void OpenLog() { ShellExecuteW(nullptr, L"open", WatcherLogPath().c_str(), nullptr, nullptr, SW_SHOWNORMAL); }

// The menu, top to bottom. The restore entry opens the submenu of the stored
// layouts instead of doing anything itself; an entry with a text for a paused
// watcher shows it then, and chosen then resumes the watcher.
struct MenuEntry {
    const wchar_t* text;
    void (*choose)();  // null for the restore submenu
    const wchar_t* pausedText = nullptr;
};
const MenuEntry kMenu[] = {
    {L"Save the icon layout now", [] { RunProgram(L"save /y"); }},
    {L"Restore", nullptr},
    {L"Undo the last restore", [] { RunProgram(L"undo /y"); }},
    {L"Pause watching", [] { (void)RequestWatcherPause(true); }, L"Resume watching"},
    {L"Open the log", OpenLog},
    {L"Stop watching", RequestStop},
};
// Commands: 1 and up for the entries, from kFirstLayoutCommand for the layouts.
constexpr UINT kFirstLayoutCommand = 100;

}  // namespace

NotificationIcon::NotificationIcon(HWND window) : taskbarCreated_(RegisterWindowMessageW(L"TaskbarCreated")) {
    data_.cbSize = sizeof data_;
    data_.hWnd = window;
    data_.uID = kIconId;
    data_.uCallbackMessage = kIconCallback;
    data_.hIcon = LoadAppIcon(GetSystemMetrics(SM_CXSMICON));
    Add();
}

NotificationIcon::~NotificationIcon() {
    Shell_NotifyIconW(NIM_DELETE, &data_);
    DestroyIcon(data_.hIcon);
}

void NotificationIcon::Add() {
    data_.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP | NIF_SHOWTIP;
    ShowTip();
    Shell_NotifyIconW(NIM_ADD, &data_);
    // The fourth behaviour: right-click and the keyboard's menu key both come as
    // WM_CONTEXTMENU, with the point to open the menu at.
    data_.uVersion = NOTIFYICON_VERSION_4;
    Shell_NotifyIconW(NIM_SETVERSION, &data_);
}

void NotificationIcon::ShowTip() {
    std::wstring tip = L"Kelvane: " + state_ + L"\n" + GivenOrDefaultName(L"").Text();
    data_.szTip[0] = L'\0';
    wcsncat(data_.szTip, tip.c_str(), std::size(data_.szTip) - 1);
}

void NotificationIcon::SetState(const wchar_t* state) {
    state_ = state;
    ShowTip();
    data_.uFlags = NIF_TIP | NIF_SHOWTIP;
    Shell_NotifyIconW(NIM_MODIFY, &data_);
}

bool NotificationIcon::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == taskbarCreated_ && taskbarCreated_ != 0) {
        Add();
        return false;
    }
    if (message == WM_DISPLAYCHANGE) {
        SetState(state_.c_str());
        return false;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == 0) {
        Choose(LOWORD(wParam));
        return true;
    }
    if (message == kIconCallback) {
        if (LOWORD(lParam) == WM_CONTEXTMENU) ShowMenu(POINT{GET_X_LPARAM(wParam), GET_Y_LPARAM(wParam)});
        return true;
    }
    return false;
}

void NotificationIcon::ShowMenu(POINT at) {
    // The layout of the display in force first, then the others as stored.
    layouts_.clear();
    StoredLayouts store(KeyOpening::ExistingOnly);
    WString current;
    if (store.Find(GivenOrDefaultName(L"").Text(), current)) layouts_.push_back(current);
    for (WString& name : store.List()) {
        if (layouts_.empty() || _wcsicmp(name.Text(), layouts_[0].Text()) != 0) layouts_.push_back(name);
    }
    const HMENU menu = CreatePopupMenu();
    const HMENU restore = CreatePopupMenu();
    for (UINT index = 0; index < layouts_.size(); ++index) {
        AppendMenuW(restore, MF_STRING, kFirstLayoutCommand + index, layouts_[index].Text());
    }
    for (UINT row = 0; row < std::size(kMenu); ++row) {
        if (kMenu[row].choose != nullptr) {
            AppendMenuW(menu, MF_STRING, row + 1,
                        Paused() && kMenu[row].pausedText != nullptr ? kMenu[row].pausedText : kMenu[row].text);
        } else {
            AppendMenuW(menu, MF_POPUP | (layouts_.empty() ? MF_GRAYED : 0), reinterpret_cast<UINT_PTR>(restore),
                        kMenu[row].text);
        }
    }
    // The menu closes when the user clicks elsewhere only when its window is in
    // front, and takes its choice only after the next message.
    SetForegroundWindow(data_.hWnd);
    TrackPopupMenuEx(menu, TPM_RIGHTBUTTON, at.x, at.y, data_.hWnd, nullptr);
    PostMessageW(data_.hWnd, WM_NULL, 0, 0);
    DestroyMenu(menu);  // the submenu with it
}

void NotificationIcon::Choose(UINT command) {
    if (command >= 1 && command <= std::size(kMenu) && kMenu[command - 1].choose != nullptr) {
        if (Paused() && kMenu[command - 1].pausedText != nullptr) {
            (void)RequestWatcherPause(false);
        } else {
            kMenu[command - 1].choose();
        }
    } else if (command >= kFirstLayoutCommand && command - kFirstLayoutCommand < layouts_.size()) {
        // Quoted, for the spaces; a quote in the name is escaped as the runtime
        // reads it (a name holds no backslash, the registry's separator).
        std::wstring arguments = L"restore /n \"";
        for (const wchar_t* at = layouts_[command - kFirstLayoutCommand].Text(); *at != L'\0'; ++at) {
            arguments += *at == L'"' ? L"\\\"" : std::wstring(1, *at);
        }
        arguments += L"\" /y";
        RunProgram(arguments.c_str());
    }
}
