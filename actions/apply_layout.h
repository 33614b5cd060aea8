#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "actions/icon_placement.h"
#include "store/icon_record.h"

// The restore engine: loads the named layout and moves each stored icon back,
// matching records to items by text and then by identity. Returns 1 when it
// walked the whole layout, 0 when it stopped before. Evicted icons go to free
// points found as `scanStart` says.
int ApplyLayout(HWND listView, const wchar_t* layoutName,
                FreeSpotScan::Start scanStart = FreeSpotScan::Start::WhereLastStopped);

// The engine's work on records already loaded, under the name its summary shows.
// Before the first icon moves it keeps the current arrangement for undo.
int ApplyRecords(HWND listView, const wchar_t* layoutName, const IconRecordList& records,
                 FreeSpotScan::Start scanStart = FreeSpotScan::Start::WhereLastStopped);

// Puts the icons at `indices` (items that have just appeared) back at the
// places the records give them, placed as a restore places icons, and moves no
// other icon of the records: it keeps nothing for undo and prints no summary.
// Once the icons stand, and before the commit's own report, `report` is given
// the texts of the records whose icon it moved.
void PutBackRecords(HWND listView, const IconRecordList& records, std::vector<int> indices,
                    const std::function<void(const std::vector<WString>& moved)>& report);
