#pragma once

#include <windows.h>

// The list view that shows the desktop icons, owned by the shell: the first
// "SysListView32" child of the first folder view ("SHELLDLL_DefView") found under
// the "Progman" window, or else under the first top-level window hosting one.
// Null when there is none; the caller reports it.
HWND FindDesktopListView();

// EnumWindows callback: stops at the first top-level window that hosts a folder
// view and stores that view through the HWND pointer passed as data.
BOOL CALLBACK DefViewEnumProc(HWND window, LPARAM data);
