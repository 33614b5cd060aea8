#include "watcher/nearest_layout.h"

#include <cstdlib>
#include <utility>
#include <vector>

#include "actions/restore_layout.h"
#include "app/console_output.h"
#include "display/monitor_areas.h"
#include "store/display_record.h"
#include "store/stored_layouts.h"

namespace {

bool watcherFits = false;

// The width and height of the smallest rectangle that holds every monitor.
SIZE ExtentOf(const DisplayConfig& display) {
    RECT extent = display.front().monitor;
    for (const MonitorArea& area : display) {
        UnionRect(&extent, &extent, &area.monitor);
    }
    return {extent.right - extent.left, extent.bottom - extent.top};
}

// Smaller is nearer: a different number of monitors outweighs any size.
std::pair<bool, long long> DistanceBetween(const DisplayConfig& stored, const DisplayConfig& current) {
    const SIZE storedExtent = ExtentOf(stored);
    const SIZE currentExtent = ExtentOf(current);
    return {stored.size() != current.size(),
            std::llabs(static_cast<long long>(storedExtent.cx) - currentExtent.cx) +
                std::llabs(static_cast<long long>(storedExtent.cy) - currentExtent.cy)};
}

}  // namespace

void SetWatcherFitsNearestLayout(bool fits) { watcherFits = fits; }

bool RestoreNearestLayoutFitted(HWND listView, const WString& displayName) {
    const DisplayConfig current = CapturedDisplay();
    if (!watcherFits || current.empty()) {
        return false;
    }
    bool found = false;
    WString nearest;
    std::pair<bool, long long> nearestDistance;
    for (const WString& name : StoredLayouts().List()) {
        DisplayConfig saved;
        if (!LayoutDisplay(name.Text(), saved)) {
            continue;
        }
        const std::pair<bool, long long> distance = DistanceBetween(saved, current);
        if (!found || distance < nearestDistance) {
            found = true;
            nearest = name;
            nearestDistance = distance;
        }
    }
    if (!found) {
        return false;
    }
    WString line(L"No layout is stored for ");
    line.Append(displayName);
    line.Append(L": the nearest one, ");
    line.Append(nearest);
    line.Append(L", is fitted to it.\n");
    PrintText(OutputStream::Out, line.Text());
    RestoreFoundLayout(true, listView, nearest, Fitting::ToDisplay);
    return true;
}
