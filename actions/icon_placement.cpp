#include "actions/icon_placement.h"

#include <windows.h>
#include <commctrl.h>

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
// otherwise the icon being placed.
Cover TestPoint(HWND listView, int x, int y, RemoteBuffers& shell, int* nearest, bool reportNearest, int placedIndex) {
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
    RECT bounds;
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
        columns_ = columnLimit > kScanStartX ? (columnLimit - kScanStartX + stepX_ - 1) / stepX_ : 0;
        rows_ = rowLimit > kScanStartY ? (rowLimit - kScanStartY + stepY_ - 1) / stepY_ : 0;
    }
    gridKnown_ = true;
}

bool FreeSpotScan::FindFreeIconPosition(HWND listView, POINT& freePoint, RemoteBuffers& shell) {
    if (!gridKnown_) {
        LearnGrid(listView, shell);
    }
    const long long points = static_cast<long long>(columns_) * rows_;
    const long long first = start_ == Start::TopLeft ? 0 : cursor_;
    for (long long step = 0; step < points; ++step) {
        const long long point = (first + step) % points;
        const int x = kScanStartX + static_cast<int>(point / rows_) * stepX_;
        const int y = kScanStartY + static_cast<int>(point % rows_) * stepY_;
        int nearest = -1;
        switch (TestPoint(listView, x, y, shell, &nearest, true, 0)) {
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

ScratchBlocks RestoreIconPosition(HWND listView, int index, int x, int y, RemoteBuffers& shell, FreeSpotScan& scan) {
    // Left unanswered, the point read back would be whatever the block held.
    if (!shell.Send(listView, LVM_GETITEMPOSITION, index, reinterpret_cast<LPARAM>(shell.remotePoint),
                    {RemoteBlock::Point})) {
        return ScratchBlocks::Untouched;
    }
    POINT current;
    if (!ShellPlatform::Current().Read(shell.process(), shell.remotePoint, &current, sizeof(current))) {
        Print(OutputStream::Out, L"RestoreIconPosition. Read Position Mem for Item %d failed\n", index);
        return ScratchBlocks::Untouched;
    }
    if (current.x == x && current.y == y) {
        return ScratchBlocks::Untouched;
    }
    int occupant = -1;
    switch (TestPoint(listView, x, y, shell, &occupant, false, index)) {
        case Cover::Failed:
            return ScratchBlocks::Overwritten;
        case Cover::Covered: {
            POINT freePoint;
            if (scan.FindFreeIconPosition(listView, freePoint, shell)) {
                shell.Send(listView, LVM_SETITEMPOSITION, occupant, PackItemPosition(freePoint.x, freePoint.y));
            }
            break;
        }
        case Cover::Free:
            break;
    }
    shell.Send(listView, LVM_SETITEMPOSITION, index, PackItemPosition(x, y));
    return ScratchBlocks::Overwritten;
}
