#include "actions/icon_placement.h"

#include <windows.h>
#include <commctrl.h>

#include "app/console_output.h"
#include "desktop/remote_records.h"
#include "desktop/shell_platform.h"

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

void FreeSpotScan::LearnGrid(HWND listView) {
    const DWORD spacing = static_cast<DWORD>(ShellPlatform::Current().Send(listView, LVM_GETITEMSPACING, FALSE, 0));
    stepX_ = LOWORD(spacing);
    stepY_ = HIWORD(spacing);
    // Without a step there is no grid to walk; the scan would stay on one point.
    if (stepX_ != 0 && stepY_ != 0) {
        const int columnLimit = workArea_.right - kScanMargin;
        const int rowLimit = workArea_.bottom - kScanMargin;
        columns_ = columnLimit > kScanStartX ? (columnLimit - kScanStartX + stepX_ - 1) / stepX_ : 0;
        rows_ = rowLimit > kScanStartY ? (rowLimit - kScanStartY + stepY_ - 1) / stepY_ : 0;
    }
    gridKnown_ = true;
}

bool FreeSpotScan::FindFreeIconPosition(HWND listView, POINT& freePoint, HANDLE process, void* remoteFind,
                                        void* remoteRect) {
    if (!gridKnown_) {
        LearnGrid(listView);
    }
    const long long points = static_cast<long long>(columns_) * rows_;
    const long long first = start_ == Start::TopLeft ? 0 : cursor_;
    for (long long step = 0; step < points; ++step) {
        const long long point = (first + step) % points;
        const int x = kScanStartX + static_cast<int>(point / rows_) * stepX_;
        const int y = kScanStartY + static_cast<int>(point % rows_) * stepY_;
        int nearest = -1;
        switch (TestPoint(listView, x, y, process, remoteFind, remoteRect, &nearest, true, 0)) {
            case Cover::Free:
                freePoint = {x, y};
                // The point is about to be taken: the next search starts after it.
                cursor_ = (point + 1) % points;
                return true;
            case Cover::Failed:
                return false;
            case Cover::Covered:
                break;
        }
    }
    return false;
}

ScratchBlocks RestoreIconPosition(HWND listView, int index, int x, int y, HANDLE process, void* remoteFind,
                                  void* remotePoint, void* remoteRect, FreeSpotScan& scan) {
    ShellPlatform::Current().Send(listView, LVM_GETITEMPOSITION, index, reinterpret_cast<LPARAM>(remotePoint));
    POINT current;
    if (!ShellPlatform::Current().Read(process, remotePoint, &current, sizeof(current))) {
        Print(OutputStream::Out, L"RestoreIconPosition. Read Position Mem for Item %d failed\n", index);
        return ScratchBlocks::Untouched;
    }
    if (current.x == x && current.y == y) {
        return ScratchBlocks::Untouched;
    }
    int occupant = -1;
    switch (TestPoint(listView, x, y, process, remoteFind, remoteRect, &occupant, false, index)) {
        case Cover::Failed:
            return ScratchBlocks::Overwritten;
        case Cover::Covered: {
            POINT freePoint;
            if (scan.FindFreeIconPosition(listView, freePoint, process, remoteFind, remoteRect)) {
                ShellPlatform::Current().Send(listView, LVM_SETITEMPOSITION, occupant,
                                              PackItemPosition(freePoint.x, freePoint.y));
            }
            break;
        }
        case Cover::Free:
            break;
    }
    ShellPlatform::Current().Send(listView, LVM_SETITEMPOSITION, index, PackItemPosition(x, y));
    return ScratchBlocks::Overwritten;
}
