#pragma once

#include <windows.h>

#include "text/wstring.h"

// The save action: records the position of every desktop icon under the named
// layout (or the display's default name when the name is empty), replacing what
// the layout held. Reports only failures.
void SaveLayout(bool assumeYes, const wchar_t* layoutName);

// Whether a save stores the records it read even when the layout holds exactly
// those already.
enum class SaveWhen { Always, Changed };

enum class SaveEnd { Stored, Unchanged, NotStored };

struct DesktopSave {
    SaveEnd end = SaveEnd::NotStored;
    int icons = 0;  // the records read from the desktop
};

// What every save does once it may go ahead: walks the icons of the list view
// and stores their records under the layout, reporting every failure on
// standard error. A failure that leaves records in the layout (written in part,
// or with values of icons that are gone) still ends Stored.
DesktopSave SaveDesktop(HWND listView, const WString& layoutName, SaveWhen when);
