#pragma once

#include <windows.h>

#include "display/monitor_areas.h"
#include "store/icon_record.h"

// Carries a layout saved on one display configuration to another. Each icon
// moves from the monitor it stood on to the monitor that corresponds to it now
// (the primary to the primary, every other one to the monitor whose place
// beside the primary is nearest to its own, each taken once; a monitor left
// over maps to the nearest remaining one), in proportion within the two work
// areas, and then to the nearest grid point (`spacing` apart, from 21, 2 past
// the work area's top left) that no other fitted icon took. Both displays are
// in list-view coordinates; icons outside every monitor of `from` go with the
// nearest one. A `from` with the same monitors as `to` leaves every record as
// it is.
[[nodiscard]] IconRecordList FitRecords(const IconRecordList& records, const DisplayConfig& from,
                                        const DisplayConfig& to, SIZE spacing);

// A display in screen coordinates as the desktop's list view of that display
// sees it: moved so that its leftmost and topmost edges are at 0.
[[nodiscard]] DisplayConfig DisplayFromItsOrigin(const DisplayConfig& display);

// The records fitted from the display they were saved on (screen coordinates)
// to the display in force, on the list view's grid. Asks the list view for its
// spacing.
[[nodiscard]] IconRecordList FitToDisplayInForce(HWND listView, const IconRecordList& records,
                                                 const DisplayConfig& saved);

// Whether the two have the same monitors, primary and all; work areas aside.
[[nodiscard]] bool SameMonitors(const DisplayConfig& left, const DisplayConfig& right);
