#include "app/outcome_notice.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <iterator>

#include "app/app_icon.h"

namespace {

constexpr wchar_t kNoticeWindowClass[] = L"KelvaneNotice";
constexpr UINT kIconCallback = WM_APP + 1;
constexpr UINT_PTR kBoundTimer = 1;

LRESULT CALLBACK NoticeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // With the icon's first behaviour, the taskbar passes its news in lParam.
    const bool gone = (message == kIconCallback &&
                       (lParam == NIN_BALLOONTIMEOUT || lParam == NIN_BALLOONHIDE || lParam == NIN_BALLOONUSERCLICK)) ||
                      (message == WM_TIMER && wParam == kBoundTimer);
    if (gone) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The window that owns the icon: a message-only one, which the taskbar reaches
// by its handle. Destroyed, and its class let go, with the owner.
class NoticeWindow {
public:
    NoticeWindow() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = NoticeWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kNoticeWindowClass;
        registered_ = RegisterClassW(&windowClass) != 0;
        if (registered_) {
            window_ = CreateWindowExW(0, kNoticeWindowClass, L"Kelvane", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      windowClass.hInstance, nullptr);
        }
    }
    NoticeWindow(const NoticeWindow&) = delete;
    NoticeWindow& operator=(const NoticeWindow&) = delete;
    ~NoticeWindow() {
        if (window_ != nullptr) DestroyWindow(window_);
        if (registered_) UnregisterClassW(kNoticeWindowClass, GetModuleHandleW(nullptr));
    }

    HWND Handle() const { return window_; }

private:
    bool registered_ = false;
    HWND window_ = nullptr;
};

// False when no taskbar took the icon.
bool ShowNotification(const wchar_t* text, bool failed) {
    const NoticeWindow window;
    if (window.Handle() == nullptr) return false;
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = window.Handle();
    icon.uID = 1;
    icon.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE | NIF_INFO;
    icon.uCallbackMessage = kIconCallback;
    icon.hIcon = LoadAppIcon(GetSystemMetrics(SM_CXSMICON));
    wcsncpy(icon.szTip, L"Kelvane", std::size(icon.szTip) - 1);
    // Cut to what the taskbar takes; the log holds the whole line.
    wcsncpy(icon.szInfo, text, std::size(icon.szInfo) - 1);
    wcsncpy(icon.szInfoTitle, L"Kelvane", std::size(icon.szInfoTitle) - 1);
    icon.dwInfoFlags = failed ? NIIF_ERROR : NIIF_INFO;
    const bool added = Shell_NotifyIconW(NIM_ADD, &icon) != FALSE;
    if (added) {
        SetTimer(window.Handle(), kBoundTimer, kNoticeMilliseconds, nullptr);
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            DispatchMessageW(&message);
        }
        Shell_NotifyIconW(NIM_DELETE, &icon);
    }
    DestroyIcon(icon.hIcon);
    return added;
}

}  // namespace

void ShowOutcome(const wchar_t* text, bool failed) {
    if (ShowNotification(text, failed)) return;
    MessageBoxW(nullptr, text, L"Kelvane", MB_OK | MB_SETFOREGROUND | (failed ? MB_ICONERROR : MB_ICONINFORMATION));
}
