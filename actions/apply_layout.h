#pragma once

#include <windows.h>

#include "actions/icon_placement.h"

// The restore engine: loads the named layout and moves each stored icon back,
// matching records to items by text and then by identity. Returns 1 when it
// walked the whole layout, 0 when it stopped before. Evicted icons go to free
// points found as `scanStart` says.
int ApplyLayout(HWND listView, const wchar_t* layoutName,
                FreeSpotScan::Start scanStart = FreeSpotScan::Start::WhereLastStopped);
