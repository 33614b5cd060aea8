#include "display/monitor_areas.h"

#include "display/dpi_awareness.h"
#include "display/monitor_snapshot.h"

namespace {

// The square of the distance from the point to the nearest point of the rectangle.
long long DistanceSquared(const RECT& rect, POINT point) {
    const POINT inside = ClampIntoRect(rect, point);
    const long long dx = static_cast<long long>(point.x) - inside.x;
    const long long dy = static_cast<long long>(point.y) - inside.y;
    return dx * dx + dy * dy;
}

}  // namespace

DisplayConfig CapturedDisplay() {
    DisplayConfig display;
    const int filled = monitorTable.count < monitorTable.filled ? monitorTable.count : monitorTable.filled;
    for (int index = 0; index < filled && monitorTable.entries != nullptr; ++index) {
        const MONITORINFO& info = monitorTable.entries[index].physical;
        display.push_back({info.rcMonitor, info.rcWork, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    }
    return display;
}

DisplayConfig DisplayInListView(HWND listView) {
    DisplayConfig display = CapturedDisplay();
    // Mapped in physical pixels, as the rectangles are.
    const PerMonitorDpiScope physical;
    for (MonitorArea& area : display) {
        MapWindowPoints(HWND_DESKTOP, listView, reinterpret_cast<POINT*>(&area.monitor), 2);
        MapWindowPoints(HWND_DESKTOP, listView, reinterpret_cast<POINT*>(&area.work), 2);
    }
    return display;
}

bool WorkAreaShows(const DisplayConfig& display, POINT point) {
    for (const MonitorArea& area : display) {
        if (PtInRect(&area.work, point)) {
            return true;
        }
    }
    return false;
}

size_t NearestMonitor(const DisplayConfig& display, POINT point) {
    size_t nearest = 0;
    for (size_t index = 1; index < display.size(); ++index) {
        if (DistanceSquared(display[index].monitor, point) < DistanceSquared(display[nearest].monitor, point)) {
            nearest = index;
        }
    }
    return nearest;
}

POINT ClampIntoRect(const RECT& area, POINT point) {
    // PtInRect leaves the right and bottom edges out.
    const LONG right = area.right > area.left ? area.right - 1 : area.left;
    const LONG bottom = area.bottom > area.top ? area.bottom - 1 : area.top;
    return {point.x < area.left ? area.left : (point.x > right ? right : point.x),
            point.y < area.top ? area.top : (point.y > bottom ? bottom : point.y)};
}
