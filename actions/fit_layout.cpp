#include "actions/fit_layout.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>
#include <vector>

#include "desktop/shell_platform.h"

namespace {

constexpr int kGridStartX = 21;
constexpr int kGridStartY = 2;
constexpr int kGridMargin = 10;

struct Center {
    double x;
    double y;
};

Center CenterOf(const RECT& rect) { return {(rect.left + rect.right) / 2.0, (rect.top + rect.bottom) / 2.0}; }

size_t PrimaryOf(const DisplayConfig& display) {
    for (size_t index = 0; index < display.size(); ++index) {
        if (display[index].primary) {
            return index;
        }
    }
    return 0;
}

// Each monitor's center less the primary's: where it stands beside the primary.
std::vector<Center> PlacesBesidePrimary(const DisplayConfig& display) {
    const Center primary = CenterOf(display[PrimaryOf(display)].monitor);
    std::vector<Center> places;
    for (const MonitorArea& area : display) {
        const Center center = CenterOf(area.monitor);
        places.push_back({center.x - primary.x, center.y - primary.y});
    }
    return places;
}

double Distance(Center left, Center right) { return std::hypot(left.x - right.x, left.y - right.y); }

// For each monitor of `from`, the index of its monitor in `to`.
std::vector<size_t> CorrespondingMonitors(const DisplayConfig& from, const DisplayConfig& to) {
    const std::vector<Center> fromPlaces = PlacesBesidePrimary(from);
    const std::vector<Center> toPlaces = PlacesBesidePrimary(to);
    const size_t none = to.size();
    std::vector<size_t> mapped(from.size(), none);
    std::vector<bool> taken(to.size(), false);
    mapped[PrimaryOf(from)] = PrimaryOf(to);
    taken[PrimaryOf(to)] = true;
    // The closest pairs first, each monitor of either side in one pair.
    std::vector<std::tuple<double, size_t, size_t>> pairs;
    for (size_t source = 0; source < from.size(); ++source) {
        for (size_t target = 0; target < to.size(); ++target) {
            if (source != PrimaryOf(from) && target != PrimaryOf(to)) {
                pairs.emplace_back(Distance(fromPlaces[source], toPlaces[target]), source, target);
            }
        }
    }
    std::sort(pairs.begin(), pairs.end());
    for (const auto& [distance, source, target] : pairs) {
        if (mapped[source] == none && !taken[target]) {
            mapped[source] = target;
            taken[target] = true;
        }
    }
    for (size_t source = 0; source < from.size(); ++source) {
        if (mapped[source] != none) {
            continue;
        }
        size_t nearest = 0;
        for (size_t target = 1; target < to.size(); ++target) {
            if (Distance(fromPlaces[source], toPlaces[target]) < Distance(fromPlaces[source], toPlaces[nearest])) {
                nearest = target;
            }
        }
        mapped[source] = nearest;
    }
    return mapped;
}

double Proportion(LONG value, LONG low, LONG high) {
    return high > low ? static_cast<double>(value - low) / static_cast<double>(high - low) : 0.0;
}

// The grid of one work area, and the points of it that fitted icons took.
struct FitGrid {
    RECT work;
    int columns;
    int rows;
    std::set<std::pair<int, int>> taken;
};

FitGrid GridOf(const RECT& work, SIZE spacing) {
    const auto lines = [](LONG start, LONG limit, LONG step) {
        return step > 0 && limit > start ? static_cast<int>((limit - start + step - 1) / step) : 0;
    };
    // The free-spot scan's margin: no point this close to the far edges.
    return {work,
            lines(work.left + kGridStartX, work.right - kGridMargin, spacing.cx),
            lines(work.top + kGridStartY, work.bottom - kGridMargin, spacing.cy),
            {}};
}

// The free grid point nearest to the point, taken; the point itself when the
// grid has none left.
POINT TakeNearestGridPoint(FitGrid& grid, POINT point, SIZE spacing) {
    if (grid.columns == 0 || grid.rows == 0) {
        return point;
    }
    const int column = std::clamp(
        static_cast<int>(std::lround(static_cast<double>(point.x - grid.work.left - kGridStartX) / spacing.cx)), 0,
        grid.columns - 1);
    const int row = std::clamp(
        static_cast<int>(std::lround(static_cast<double>(point.y - grid.work.top - kGridStartY) / spacing.cy)), 0,
        grid.rows - 1);
    // Rings of growing size around the nearest point, the nearest free one of
    // the first ring that has one.
    const int rings = std::max(grid.columns, grid.rows);
    for (int ring = 0; ring <= rings; ++ring) {
        bool found = false;
        std::pair<int, int> best;
        long long bestDistance = 0;
        for (int c = column - ring; c <= column + ring; ++c) {
            for (int r = row - ring; r <= row + ring; ++r) {
                const bool onRing = std::abs(c - column) == ring || std::abs(r - row) == ring;
                if (!onRing || c < 0 || r < 0 || c >= grid.columns || r >= grid.rows || grid.taken.count({c, r})) {
                    continue;
                }
                const long long dx = c - column;
                const long long dy = r - row;
                if (!found || dx * dx + dy * dy < bestDistance) {
                    found = true;
                    best = {c, r};
                    bestDistance = dx * dx + dy * dy;
                }
            }
        }
        if (found) {
            grid.taken.insert(best);
            return {grid.work.left + kGridStartX + best.first * spacing.cx,
                    grid.work.top + kGridStartY + best.second * spacing.cy};
        }
    }
    return point;
}

}  // namespace

IconRecordList FitToDisplayInForce(HWND listView, const IconRecordList& records, const DisplayConfig& saved) {
    const DWORD spacing =
        static_cast<DWORD>(ShellPlatform::Current().Send(listView, LVM_GETITEMSPACING, FALSE, 0).value_or(0));
    return FitRecords(records, DisplayFromItsOrigin(saved), DisplayInListView(listView),
                      SIZE{LOWORD(spacing), HIWORD(spacing)});
}

DisplayConfig DisplayFromItsOrigin(const DisplayConfig& display) {
    if (display.empty()) {
        return display;
    }
    LONG left = display[0].monitor.left;
    LONG top = display[0].monitor.top;
    for (const MonitorArea& area : display) {
        left = std::min(left, area.monitor.left);
        top = std::min(top, area.monitor.top);
    }
    DisplayConfig moved = display;
    for (MonitorArea& area : moved) {
        OffsetRect(&area.monitor, -left, -top);
        OffsetRect(&area.work, -left, -top);
    }
    return moved;
}

bool SameMonitors(const DisplayConfig& left, const DisplayConfig& right) {
    return std::equal(left.begin(), left.end(), right.begin(), right.end(),
                      [](const MonitorArea& one, const MonitorArea& other) {
                          return EqualRect(&one.monitor, &other.monitor) && one.primary == other.primary;
                      });
}

IconRecordList FitRecords(const IconRecordList& records, const DisplayConfig& from, const DisplayConfig& to,
                          SIZE spacing) {
    if (from.empty() || to.empty() || SameMonitors(from, to)) {
        return records;
    }
    const std::vector<size_t> mapped = CorrespondingMonitors(from, to);
    std::vector<FitGrid> grids;
    for (const MonitorArea& area : to) {
        grids.push_back(GridOf(area.work, spacing));
    }
    IconRecordList fitted = records;
    for (IconRecord& record : fitted) {
        const POINT place = {record.x, record.y};
        const size_t source = NearestMonitor(from, place);
        const RECT& was = from[source].work;
        const RECT& now = to[mapped[source]].work;
        const double across = std::clamp(Proportion(place.x, was.left, was.right), 0.0, 1.0);
        const double down = std::clamp(Proportion(place.y, was.top, was.bottom), 0.0, 1.0);
        const POINT scaled = {now.left + static_cast<LONG>(std::lround(across * (now.right - now.left))),
                              now.top + static_cast<LONG>(std::lround(down * (now.bottom - now.top)))};
        const POINT point = TakeNearestGridPoint(grids[mapped[source]], scaled, spacing);
        record.x = point.x;
        record.y = point.y;
    }
    return fitted;
}
