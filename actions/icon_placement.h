#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "desktop/remote_buffers.h"
#include "display/monitor_areas.h"

// The free-spot grid of one restore: the work area's icon grid, walked column by
// column from where the last search stopped, so that a restore that evicts on
// every icon stays linear; a search that reaches the end goes round once from the
// top left. Every point is tested against the list view before it is used.
//
// Once a whole round found every point covered, only an icon the restore moves
// can free one: the scan is then told the bounds each moved icon leaves and tests
// only the points inside them, in the order the round would reach them, so it
// finds the point the round would find. (A point an icon lands near may look free
// to the nearest-item test; it is no less covered, and is not looked at again.)
class FreeSpotScan {
public:
    // TopLeft is the straightforward scan: every search walks the grid from the
    // top left and remembers nothing. It stays as the reference that the tests
    // hold the resumed scan to.
    enum class Start { WhereLastStopped, TopLeft };
    explicit FreeSpotScan(const RECT& workArea, Start start = Start::WhereLastStopped)
        : workArea_(workArea), start_(start) {}

    // Finds a grid point that no icon covers. False when there is none (nothing
    // printed) or when a shell exchange failed (after printing it); the point is
    // then unchanged. Overwrites remoteFind and remoteRect.
    [[nodiscard]] bool FindFreeIconPosition(HWND listView, POINT& freePoint, RemoteBuffers& shell);

    // Whether the scan needs to be told the bounds that moved icons leave: only
    // once a whole round (of this scan or of one of another monitor) found every
    // point covered.
    [[nodiscard]] bool WantsVacatedBounds() const;

    // The bounds an icon leaves (list-view coordinates, as LVM_GETITEMRECT gives
    // them): the grid points inside may be free once it has gone.
    void NoteVacated(const RECT& bounds);

    // The bounds an icon leaves are not known: any point may be free again, and
    // the next search walks the whole round.
    void ForgetCoverage();

    // Whether the work area of some captured monitor shows the point (list-view
    // coordinates). With no monitor captured every point counts as shown.
    [[nodiscard]] bool ShownOnScreen(HWND listView, POINT point);

    // For an icon whose place no work area shows: a free grid point of the work
    // area of the monitor nearest to `place`, or when there is none, the point of
    // that work area nearest to `place`. Overwrites remoteFind and remoteRect.
    [[nodiscard]] POINT PointInViewNear(HWND listView, POINT place, RemoteBuffers& shell);

private:
    // The scan of another monitor's work area, in list-view coordinates, whose
    // grid starts at that area's top left as the main one starts at the screen's.
    FreeSpotScan(const RECT& workArea, POINT origin) : workArea_(workArea), origin_(origin) {}
    const DisplayConfig& Display(HWND listView);

    // The spacing and the work area stay as they are for a restore's few
    // seconds: the grid is worked out once, at the first search.
    void LearnGrid(HWND listView, RemoteBuffers& shell);

    enum class Found { Point, None, Failed };
    // Tests the point at a column-major index; on Point, takes it.
    Found TestGridPoint(HWND listView, long long point, POINT& freePoint, RemoteBuffers& shell);
    // The remembered round: tests the points that may have been freed since.
    bool SearchVacatedPoints(HWND listView, POINT& freePoint, RemoteBuffers& shell);

    RECT workArea_;
    Start start_ = Start::WhereLastStopped;
    POINT origin_ = {0, 0};  // added to the grid's first point
    bool displayKnown_ = false;
    DisplayConfig display_;  // the monitors in list-view coordinates
    // One scan per monitor that an icon was brought onto, by monitor index; the
    // main scan serves the monitor whose work area it walks.
    std::vector<std::unique_ptr<FreeSpotScan>> monitorScans_;
    bool gridKnown_ = false;
    int stepX_ = 0;
    int stepY_ = 0;
    int columns_ = 0;
    int rows_ = 0;
    long long cursor_ = 0;  // column-major index of the next point to test
    // A whole round found every point covered; since then only the points in
    // mayBeFree_ can have been freed.
    bool allCovered_ = false;
    std::set<long long> mayBeFree_;
};

// Whether a placement wrote its own queries into remoteFind and remoteRect:
// the restore engine then writes its text search into remoteFind again.
enum class ScratchBlocks { Untouched, Overwritten };

// What placing one icon did.
struct Placement {
    ScratchBlocks blocks = ScratchBlocks::Untouched;
    bool moved = false;            // the icon was sent to its place
    POINT placedAt = {};           // where it was sent
    bool broughtIntoView = false;  // no work area showed its place: it went to placedAt instead
    int evicted = -1;              // the occupant sent out of the way, or -1
    POINT evictedTo = {};
};

// Moves the icon at `index` to (x, y). When another icon (the occupant) covers
// that point, the occupant first moves to a free point of the work area. When no
// monitor's work area shows (x, y), the icon goes where PointInViewNear says.
// `standsAt` is where the icon stands when the caller knows it; otherwise it is
// read from the list view. The blocks belong to the caller; messages go to
// standard output. The blocks stay untouched when the icon already stood at its
// place or its position could not be read.
Placement RestoreIconPosition(HWND listView, int index, int x, int y, std::optional<POINT> standsAt,
                              RemoteBuffers& shell, FreeSpotScan& scan);

// The lParam of LVM_SETITEMPOSITION: each coordinate cut to its low 16 bits.
LPARAM PackItemPosition(int x, int y);
