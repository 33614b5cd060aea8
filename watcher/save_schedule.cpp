#include "watcher/save_schedule.h"

#include <algorithm>

namespace {

bool SamePositions(const std::vector<POINT>& first, const std::vector<POINT>& second) {
    return std::equal(first.begin(), first.end(), second.begin(), second.end(),
                      [](const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; });
}

}  // namespace

void SaveSchedule::Begin(ULONGLONG now, bool layoutStored) {
    quietSince_ = now;
    due_ = due_ || !layoutStored;
}

SaveSchedule::Verdict SaveSchedule::Look(ULONGLONG now, DesktopLook& seen) {
    if (seen.listView == nullptr || !seen.read) {
        seen_ = false;
        quietSince_ = now;
        return Verdict::Wait;
    }
    // A list view found again, or another one (another shell's desktop), is
    // taken as it is found; the delay starts again then.
    if (!seen_ || seen.listView != listView_) {
        quietSince_ = now;
    } else if (!SamePositions(seen.positions, positions_)) {
        quietSince_ = now;
        due_ = true;
    }
    // The arrangement is the user's own only while the list view does not
    // arrange it; the configuration must stay the one the delay began with.
    if (seen.autoArranged || seen.autoArranged != autoArranged_ || seen.displayName != displayName_) {
        quietSince_ = now;
    }
    seen_ = true;
    listView_ = seen.listView;
    autoArranged_ = seen.autoArranged;
    positions_.swap(seen.positions);
    displayName_.swap(seen.displayName);
    if (!due_ || now - quietSince_ < delay_) {
        return Verdict::Wait;
    }
    due_ = false;
    return Verdict::Save;
}
