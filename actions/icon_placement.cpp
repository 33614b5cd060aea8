#include "actions/icon_placement.h"

#include <windows.h>
#include <commctrl.h>

#include "app/console_output.h"
#include "desktop/remote_records.h"
#include "desktop/shell_platform.h"
#include "display/monitor_snapshot.h"

namespace {

constexpr int kScanStartX = 21;
constexpr int kScanStartY = 2;
constexpr int kScanMargin = 10;

enum class Cover { Free, Covered, Failed };

// Whether the item nearest to the point covers it; prints the step that failed.
// A failed read of the bounds names the nearest item when reportNearest is set,
// otherwise the icon being placed.
Cover TestPoint(HWND listView, int x, int y, HANDLE process, void* remoteFind, void* remoteRect, int* nearest,
                bool reportNearest, int placedIndex) {
    const RemoteRecord query = EncodeNearestSearch(kNativeLayout, x, y);
    if (!ShellPlatform::Current().Write(process, remoteFind, query.bytes, query.size)) {
        PrintText(OutputStream::Out, L"RestoreIconPosition. Write Mem for Item failed\n");
        return Cover::Failed;
    }
    *nearest = static_cast<int>(ShellPlatform::Current().Send(listView, LVM_FINDITEMW, static_cast<WPARAM>(-1),
                                                              reinterpret_cast<LPARAM>(remoteFind)));
    if (*nearest == -1) {
        return Cover::Free;
    }
    RECT bounds;
    SetRect(&bounds, 0, 0, 0, 0);  // left = LVIR_BOUNDS: icon and label
    if (!ShellPlatform::Current().Write(process, remoteRect, &bounds, sizeof(bounds))) {
        PrintText(OutputStream::Out, L"RestoreIconPosition. Write Mem for RECT failed\n");
        return Cover::Failed;
    }
    if (ShellPlatform::Current().Send(listView, LVM_GETITEMRECT, *nearest, reinterpret_cast<LPARAM>(remoteRect)) == 0) {
        PrintText(OutputStream::Out, L"LVM_GETITEMRECT. failed\n");
        return Cover::Failed;
    }
    if (!ShellPlatform::Current().Read(process, remoteRect, &bounds, sizeof(bounds))) {
        Print(OutputStream::Out, L"RestoreIconPosition. Read RECT Mem for Item %d failed\n",
              reportNearest ? *nearest : placedIndex);
        return Cover::Failed;
    }
    const POINT point = {x, y};
    return PtInRect(&bounds, point) ? Cover::Covered : Cover::Free;
}

}  // namespace

LPARAM PackItemPosition(int x, int y) {
    return static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y))));
}

bool FindFreeIconPosition(HWND listView, POINT& freePoint, HANDLE process, void* remoteFind, void* remoteRect,
                          FreeSpotScan& scan) {
    // The spacing and the work area stay as they are for a restore's few
    // seconds: the grid is worked out once.
    if (!scan.gridKnown_) {
        const DWORD spacing = static_cast<DWORD>(ShellPlatform::Current().Send(listView, LVM_GETITEMSPACING, FALSE, 0));
        scan.stepX_ = LOWORD(spacing);
        scan.stepY_ = HIWORD(spacing);
        // Without a step there is no grid to walk; the scan would stay on one point.
        if (scan.stepX_ != 0 && scan.stepY_ != 0) {
            const int columnLimit = WorkArea.right - kScanMargin;
            const int rowLimit = WorkArea.bottom - kScanMargin;
            scan.columns_ = columnLimit > kScanStartX ? (columnLimit - kScanStartX + scan.stepX_ - 1) / scan.stepX_ : 0;
            scan.rows_ = rowLimit > kScanStartY ? (rowLimit - kScanStartY + scan.stepY_ - 1) / scan.stepY_ : 0;
        }
        scan.gridKnown_ = true;
    }
    const long long points = static_cast<long long>(scan.columns_) * scan.rows_;
    const long long first = scan.start_ == FreeSpotScan::Start::TopLeft ? 0 : scan.cursor_;
    for (long long step = 0; step < points; ++step) {
        const long long point = (first + step) % points;
        const int x = kScanStartX + static_cast<int>(point / scan.rows_) * scan.stepX_;
        const int y = kScanStartY + static_cast<int>(point % scan.rows_) * scan.stepY_;
        int nearest = -1;
        switch (TestPoint(listView, x, y, process, remoteFind, remoteRect, &nearest, true, 0)) {
            case Cover::Free:
                freePoint = {x, y};
                // The point is about to be taken: the next search starts after it.
                scan.cursor_ = (point + 1) % points;
                return true;
            case Cover::Failed:
                return false;
            case Cover::Covered:
                break;
        }
    }
    return false;
}

bool RestoreIconPosition(HWND listView, int index, int x, int y, HANDLE process, void* remoteFind, void* remotePoint,
                         void* remoteRect, FreeSpotScan& scan) {
    ShellPlatform::Current().Send(listView, LVM_GETITEMPOSITION, index, reinterpret_cast<LPARAM>(remotePoint));
    POINT current;
    if (!ShellPlatform::Current().Read(process, remotePoint, &current, sizeof(current))) {
        Print(OutputStream::Out, L"RestoreIconPosition. Read Position Mem for Item %d failed\n", index);
        return false;
    }
    if (current.x == x && current.y == y) {
        return false;
    }
    int occupant = -1;
    switch (TestPoint(listView, x, y, process, remoteFind, remoteRect, &occupant, false, index)) {
        case Cover::Failed:
            return true;
        case Cover::Covered: {
            POINT freePoint;
            if (FindFreeIconPosition(listView, freePoint, process, remoteFind, remoteRect, scan)) {
                ShellPlatform::Current().Send(listView, LVM_SETITEMPOSITION, occupant,
                                              PackItemPosition(freePoint.x, freePoint.y));
            }
            break;
        }
        case Cover::Free:
            break;
    }
    ShellPlatform::Current().Send(listView, LVM_SETITEMPOSITION, index, PackItemPosition(x, y));
    return true;
}
