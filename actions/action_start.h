#pragma once

#include <windows.h>

#include "text/wstring.h"

// Every action begins by finding the desktop list view; when there is none it
// says so on standard error and the action ends with nothing acquired.
HWND LocateDesktopListView();

// The name given on the command line, or else the current display's default name.
void ChooseLayoutName(WString& layoutName, const wchar_t* givenName, int monitorCount);
