#include "desktop/desktop_list_view.h"

#include <commctrl.h>

bool ListViewArrangesIcons(HWND listView) {
    // The style is read from the window itself, with no message to the shell.
    return (GetWindowLongPtrW(listView, GWL_STYLE) & LVS_AUTOARRANGE) != 0;
}

BOOL CALLBACK DefViewEnumProc(HWND window, LPARAM data) {
    HWND folderView = FindWindowExW(window, nullptr, L"SHELLDLL_DefView", nullptr);
    if (folderView == nullptr) {
        return TRUE;
    }
    *reinterpret_cast<HWND*>(data) = folderView;
    return FALSE;
}

HWND FindDesktopListView() {
    HWND programManager = FindWindowExW(nullptr, nullptr, L"Progman", nullptr);
    if (programManager == nullptr) {
        return nullptr;
    }
    // With a wallpaper slideshow or after certain shell refreshes the folder view
    // moves from Progman to a "WorkerW" window, hence the search among all.
    HWND folderView = FindWindowExW(programManager, nullptr, L"SHELLDLL_DefView", nullptr);
    if (folderView == nullptr) {
        EnumWindows(DefViewEnumProc, reinterpret_cast<LPARAM>(&folderView));
        if (folderView == nullptr) {
            return nullptr;
        }
    }
    return FindWindowExW(folderView, nullptr, L"SysListView32", nullptr);
}
