#pragma once

#include <windows.h>

// The shell's windows that show the desktop icons: the folder view
// ("SHELLDLL_DefView") under the "Progman" window or, when Progman has none, under
// the first top-level window hosting one, and its first "SysListView32" child.
// Each is null from the first that is not found on.
struct DesktopWindows {
    HWND programManager = nullptr;
    HWND host = nullptr;  // the window the folder view was found under
    HWND folderView = nullptr;
    HWND listView = nullptr;
};

DesktopWindows FindDesktopWindows();

// The desktop's list view, owned by the shell, as FindDesktopWindows finds it.
// Null when there is none; the caller reports it.
HWND FindDesktopListView();

// Whether the list view arranges its icons by itself (the desktop's "Auto
// arrange icons"): it then puts every icon a restore moves straight back.
[[nodiscard]] bool ListViewArrangesIcons(HWND listView);

// EnumWindows callback: stops at the first top-level window that hosts a folder
// view and stores the window and the view in the DesktopWindows passed as data.
BOOL CALLBACK DefViewEnumProc(HWND window, LPARAM data);
