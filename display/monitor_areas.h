#pragma once

#include <windows.h>

#include <vector>

// One monitor of a display configuration: its rectangle, its work area, and
// whether it is the primary one.
struct MonitorArea {
    RECT monitor;
    RECT work;
    bool primary;
};

// The monitors of one display configuration, in enumeration order.
using DisplayConfig = std::vector<MonitorArea>;

// The captured monitors in physical pixels (the list view's own), in screen
// coordinates. Empty when none was captured.
DisplayConfig CapturedDisplay();

// The same monitors in the list view's coordinates, which icon positions use.
DisplayConfig DisplayInListView(HWND listView);

// Whether any monitor's work area holds the point.
[[nodiscard]] bool WorkAreaShows(const DisplayConfig& display, POINT point);

// The index of the monitor whose rectangle lies nearest to the point (one that
// holds it is at distance 0); the first one on a tie. The display is not empty.
[[nodiscard]] size_t NearestMonitor(const DisplayConfig& display, POINT point);

// The point moved the least distance that puts it inside `area`.
[[nodiscard]] POINT ClampIntoRect(const RECT& area, POINT point);
