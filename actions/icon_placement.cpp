#include "actions/icon_placement.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <optional>

#include "app/console_output.h"
#include "desktop/remote_records.h"
#include "desktop/shell_platform.h"

namespace {

constexpr int kScanStartX = 21;
constexpr int kScanStartY = 2;
constexpr int kScanMargin = 10;

enum class Cover { Free, Covered, Failed };
enum class BoundsRead { Read, WriteFailed, Failed, ReadFailed };

// The bounds of an item, icon and label (LVIR_BOUNDS), into `bounds`.
BoundsRead ReadItemBounds(HWND listView, int item, RemoteBuffers& shell, RECT& bounds) {
    SetRect(&bounds, 0, 0, 0, 0);  // left = LVIR_BOUNDS
    if (!ShellPlatform::Current().Write(shell.process(), shell.remoteRect, &bounds, sizeof(bounds))) {
        return BoundsRead::WriteFailed;
    }
    if (shell.Send(listView, LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(shell.remoteRect), {RemoteBlock::Rect})
            .value_or(0) == 0) {
        return BoundsRead::Failed;
    }
    if (!ShellPlatform::Current().Read(shell.process(), shell.remoteRect, &bounds, sizeof(bounds))) {
        return BoundsRead::ReadFailed;
    }
    return BoundsRead::Read;
}

// Whether the item nearest to the point covers it; prints the step that failed.
// A failed read of the bounds names the nearest item when reportNearest is set,
// otherwise the icon being placed. The nearest item's bounds are left in
// `bounds` when they were read.
Cover TestPoint(HWND listView, int x, int y, RemoteBuffers& shell, int* nearest, RECT& bounds, bool reportNearest,
                int placedIndex) {
    const RemoteRecord query = EncodeNearestSearch(kNativeLayout, x, y);
    if (!ShellPlatform::Current().Write(shell.process(), shell.remoteFind, query.bytes, query.size)) {
        PrintText(OutputStream::Out, L"RestoreIconPosition. Write Mem for Item failed\n");
        return Cover::Failed;
    }
    // -1 would call the point free: a search left unanswered tells nothing.
    const std::optional<LRESULT> found = shell.Send(listView, LVM_FINDITEMW, static_cast<WPARAM>(-1),
                                                    reinterpret_cast<LPARAM>(shell.remoteFind), {RemoteBlock::Find});
    if (!found) {
        return Cover::Failed;
    }
    *nearest = static_cast<int>(*found);
    if (*nearest == -1) {
        return Cover::Free;
    }
    switch (ReadItemBounds(listView, *nearest, shell, bounds)) {
        case BoundsRead::Read:
            break;
        case BoundsRead::WriteFailed:
            PrintText(OutputStream::Out, L"RestoreIconPosition. Write Mem for RECT failed\n");
            return Cover::Failed;
        case BoundsRead::Failed:
            PrintText(OutputStream::Out, L"LVM_GETITEMRECT. failed\n");
            return Cover::Failed;
        case BoundsRead::ReadFailed:
            Print(OutputStream::Out, L"RestoreIconPosition. Read RECT Mem for Item %d failed\n",
                  reportNearest ? *nearest : placedIndex);
            return Cover::Failed;
    }
    const POINT point = {x, y};
    return PtInRect(&bounds, point) ? Cover::Covered : Cover::Free;
}

// The first index i >= 0 whose grid line start + i * step is at or after value.
long long FirstLineAtOrAfter(long long value, long long start, long long step) {
    const long long offset = value - start;
    return offset <= 0 ? 0 : (offset + step - 1) / step;
}

// Sends the icon to `to`, after telling the scan what the icon leaves.
void MoveIcon(HWND listView, int index, POINT to, RemoteBuffers& shell, FreeSpotScan& scan, Placement& placement) {
    // Asked only on a desktop found full: wherever the icon stands now (at the
    // free point, when it was its own occupant), that is what it leaves.
    if (scan.WantsVacatedBounds()) {
        RECT bounds;
        if (ReadItemBounds(listView, index, shell, bounds) == BoundsRead::Read) {
            scan.NoteVacated(bounds);
        } else {
            scan.ForgetCoverage();
        }
    }
    shell.Send(listView, LVM_SETITEMPOSITION, index, PackItemPosition(to.x, to.y));
    placement.moved = true;
    placement.placedAt = to;
}

}  // namespace

LPARAM PackItemPosition(int x, int y) {
    return static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y))));
}

void FreeSpotScan::LearnGrid(HWND listView, RemoteBuffers& shell) {
    const DWORD spacing = static_cast<DWORD>(shell.Send(listView, LVM_GETITEMSPACING, FALSE, 0).value_or(0));
    stepX_ = LOWORD(spacing);
    stepY_ = HIWORD(spacing);
    // Without a step there is no grid to walk; the scan would stay on one point.
    if (stepX_ != 0 && stepY_ != 0) {
        const int columnLimit = workArea_.right - kScanMargin;
        const int rowLimit = workArea_.bottom - kScanMargin;
        const int startX = origin_.x + kScanStartX;
        const int startY = origin_.y + kScanStartY;
        columns_ = columnLimit > startX ? (columnLimit - startX + stepX_ - 1) / stepX_ : 0;
        rows_ = rowLimit > startY ? (rowLimit - startY + stepY_ - 1) / stepY_ : 0;
    }
    gridKnown_ = true;
}

FreeSpotScan::Found FreeSpotScan::TestGridPoint(HWND listView, long long point, POINT& freePoint,
                                                RemoteBuffers& shell) {
    const int x = origin_.x + kScanStartX + static_cast<int>(point / rows_) * stepX_;
    const int y = origin_.y + kScanStartY + static_cast<int>(point % rows_) * stepY_;
    int nearest = -1;
    RECT bounds;
    switch (TestPoint(listView, x, y, shell, &nearest, bounds, true, 0)) {
        case Cover::Free:
            freePoint = {x, y};
            // The point is about to be taken: the next search starts after it.
            cursor_ = (point + 1) % (static_cast<long long>(columns_) * rows_);
            return Found::Point;
        case Cover::Failed:
            return Found::Failed;
        case Cover::Covered:
            break;
    }
    return Found::None;
}

bool FreeSpotScan::FindFreeIconPosition(HWND listView, POINT& freePoint, RemoteBuffers& shell) {
    if (!gridKnown_) {
        LearnGrid(listView, shell);
    }
    if (allCovered_) {
        return SearchVacatedPoints(listView, freePoint, shell);
    }
    const long long points = static_cast<long long>(columns_) * rows_;
    const long long first = start_ == Start::TopLeft ? 0 : cursor_;
    for (long long step = 0; step < points; ++step) {
        switch (TestGridPoint(listView, (first + step) % points, freePoint, shell)) {
            case Found::Point:
                return true;
            case Found::Failed:
                return false;
            case Found::None:
                break;
        }
    }
    allCovered_ = points > 0 && start_ == Start::WhereLastStopped;
    mayBeFree_.clear();
    return false;
}

bool FreeSpotScan::SearchVacatedPoints(HWND listView, POINT& freePoint, RemoteBuffers& shell) {
    // In the order the round from the cursor would reach them: the first free one
    // is the point the round would find, as every other point is covered.
    while (!mayBeFree_.empty()) {
        auto next = mayBeFree_.lower_bound(cursor_);
        if (next == mayBeFree_.end()) {
            next = mayBeFree_.begin();
        }
        const long long point = *next;
        mayBeFree_.erase(next);
        switch (TestGridPoint(listView, point, freePoint, shell)) {
            case Found::Point:
                return true;
            case Found::Failed:
                // Not known either way: it waits for the next search.
                mayBeFree_.insert(point);
                return false;
            case Found::None:
                break;
        }
    }
    return false;
}

bool FreeSpotScan::WantsVacatedBounds() const {
    for (const std::unique_ptr<FreeSpotScan>& monitorScan : monitorScans_) {
        if (monitorScan && monitorScan->WantsVacatedBounds()) {
            return true;
        }
    }
    return allCovered_;
}

void FreeSpotScan::NoteVacated(const RECT& bounds) {
    for (const std::unique_ptr<FreeSpotScan>& monitorScan : monitorScans_) {
        if (monitorScan) {
            monitorScan->NoteVacated(bounds);
        }
    }
    if (!allCovered_) {
        return;
    }
    const int startX = origin_.x + kScanStartX;
    const int startY = origin_.y + kScanStartY;
    // The columns and rows whose lines fall inside the bounds; PtInRect counts
    // the left and top edges in and the right and bottom edges out.
    const long long firstColumn = FirstLineAtOrAfter(bounds.left, startX, stepX_);
    const long long endColumn = std::min<long long>(FirstLineAtOrAfter(bounds.right, startX, stepX_), columns_);
    const long long firstRow = FirstLineAtOrAfter(bounds.top, startY, stepY_);
    const long long endRow = std::min<long long>(FirstLineAtOrAfter(bounds.bottom, startY, stepY_), rows_);
    for (long long column = firstColumn; column < endColumn; ++column) {
        for (long long row = firstRow; row < endRow; ++row) {
            mayBeFree_.insert(column * rows_ + row);
        }
    }
}

void FreeSpotScan::ForgetCoverage() {
    for (const std::unique_ptr<FreeSpotScan>& monitorScan : monitorScans_) {
        if (monitorScan) {
            monitorScan->ForgetCoverage();
        }
    }
    allCovered_ = false;
    mayBeFree_.clear();
}

const DisplayConfig& FreeSpotScan::Display(HWND listView) {
    if (!displayKnown_) {
        display_ = DisplayInListView(listView);
        monitorScans_.resize(display_.size());
        displayKnown_ = true;
    }
    return display_;
}

bool FreeSpotScan::ShownOnScreen(HWND listView, POINT point) {
    const DisplayConfig& display = Display(listView);
    return display.empty() || WorkAreaShows(display, point);
}

POINT FreeSpotScan::PointInViewNear(HWND listView, POINT place, RemoteBuffers& shell) {
    const DisplayConfig& display = Display(listView);
    const size_t nearest = NearestMonitor(display, place);
    const RECT& area = display[nearest].work;
    FreeSpotScan* scan = this;
    if (!EqualRect(&area, &workArea_)) {
        if (!monitorScans_[nearest]) {
            monitorScans_[nearest].reset(new FreeSpotScan(area, POINT{area.left, area.top}));
        }
        scan = monitorScans_[nearest].get();
    }
    POINT freePoint;
    return scan->FindFreeIconPosition(listView, freePoint, shell) ? freePoint : ClampIntoRect(area, place);
}

Placement RestoreIconPosition(HWND listView, int index, int x, int y, std::optional<POINT> standsAt,
                              RemoteBuffers& shell, FreeSpotScan& scan) {
    Placement placement;
    if (!scan.ShownOnScreen(listView, POINT{x, y})) {
        // The point found is free, or there is none on that monitor: the icon
        // goes there without a look at what stands there.
        placement.blocks = ScratchBlocks::Overwritten;
        placement.broughtIntoView = true;
        const POINT inView = scan.PointInViewNear(listView, POINT{x, y}, shell);
        MoveIcon(listView, index, inView, shell, scan, placement);
        return placement;
    }
    if (!standsAt) {
        // Left unanswered, the point read back would be whatever the block held.
        if (!shell.Send(listView, LVM_GETITEMPOSITION, index, reinterpret_cast<LPARAM>(shell.remotePoint),
                        {RemoteBlock::Point})) {
            return placement;
        }
        POINT read;
        if (!ShellPlatform::Current().Read(shell.process(), shell.remotePoint, &read, sizeof(read))) {
            Print(OutputStream::Out, L"RestoreIconPosition. Read Position Mem for Item %d failed\n", index);
            return placement;
        }
        standsAt = read;
    }
    const POINT current = *standsAt;
    if (current.x == x && current.y == y) {
        return placement;
    }
    placement.blocks = ScratchBlocks::Overwritten;
    int occupant = -1;
    RECT occupantBounds;
    switch (TestPoint(listView, x, y, shell, &occupant, occupantBounds, false, index)) {
        case Cover::Failed:
            return placement;
        case Cover::Covered: {
            POINT freePoint;
            if (scan.FindFreeIconPosition(listView, freePoint, shell)) {
                shell.Send(listView, LVM_SETITEMPOSITION, occupant, PackItemPosition(freePoint.x, freePoint.y));
                scan.NoteVacated(occupantBounds);
                placement.evicted = occupant;
                placement.evictedTo = freePoint;
            }
            break;
        }
        case Cover::Free:
            break;
    }
    MoveIcon(listView, index, POINT{x, y}, shell, scan, placement);
    return placement;
}
