#pragma once

#include <windows.h>

// The list view that shows the desktop icons, owned by the shell: the first
// "SysListView32" child of the first folder view ("SHELLDLL_DefView") found under
// the "Progman" window, or else under the first top-level window hosting one.
// Null when there is none; the caller reports it.
HWND FindDesktopListView();

// Whether the list view arranges its icons by itself (the desktop's "Auto
// arrange icons"): it then puts every icon a restore moves straight back.
[[nodiscard]] bool ListViewArrangesIcons(HWND listView);

// EnumWindows callback: stops at the first top-level window that hosts a folder
// view and stores that view through the HWND pointer passed as data.
BOOL CALLBACK DefViewEnumProc(HWND window, LPARAM data);
