#pragma once

#include <windows.h>

#include "text/wstring.h"

// Whether the watcher, told /fit, restores the nearest stored layout when none
// is stored for the display in force. Set once, as the watcher starts.
void SetWatcherFitsNearestLayout(bool fits);

// When the watcher fits and some stored layout knows the display it was saved
// on: says which of them is nearest to the display in force (the monitors
// captured now, named `displayName`) and restores it, fitted to that display.
// Nearest: the same number of monitors first, then the least difference in the
// width and height of all monitors together; the first listed on a tie. False,
// having said nothing, otherwise.
[[nodiscard]] bool RestoreNearestLayoutFitted(HWND listView, const WString& displayName);
