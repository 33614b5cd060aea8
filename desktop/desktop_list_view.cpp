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
    DesktopWindows& found = *reinterpret_cast<DesktopWindows*>(data);
    found.host = window;
    found.folderView = folderView;
    return FALSE;
}

DesktopWindows FindDesktopWindows() {
    DesktopWindows found;
    found.programManager = FindWindowExW(nullptr, nullptr, L"Progman", nullptr);
    if (found.programManager == nullptr) {
        return found;
    }
    // With a wallpaper slideshow or after certain shell refreshes the folder view
    // moves from Progman to a "WorkerW" window, hence the search among all.
    found.folderView = FindWindowExW(found.programManager, nullptr, L"SHELLDLL_DefView", nullptr);
    if (found.folderView != nullptr) {
        found.host = found.programManager;
    } else {
        EnumWindows(DefViewEnumProc, reinterpret_cast<LPARAM>(&found));
        if (found.folderView == nullptr) {
            return found;
        }
    }
    found.listView = FindWindowExW(found.folderView, nullptr, L"SysListView32", nullptr);
    return found;
}

HWND FindDesktopListView() { return FindDesktopWindows().listView; }
