#include "watcher/desktop_settle.h"

void DesktopSettle::OnEvent(ULONGLONG now) {
    waiting_ = true;
    lastEvent_ = now;
    quietSince_ = now;
    seen_ = false;
}

DesktopSettle::Verdict DesktopSettle::Look(ULONGLONG now, HWND listView, int itemCount) {
    if (!waiting_) {
        return Verdict::Idle;
    }
    if (listView == nullptr) {
        if (now - lastEvent_ >= appearanceBound_) {
            waiting_ = false;
            return Verdict::NoListView;
        }
        // A desktop that comes back is a change: the quiet time starts then.
        seen_ = true;
        listView_ = nullptr;
        quietSince_ = now;
        return Verdict::Waiting;
    }
    if (seen_ && (listView != listView_ || itemCount != itemCount_)) {
        quietSince_ = now;
    }
    seen_ = true;
    listView_ = listView;
    itemCount_ = itemCount;
    if (now - quietSince_ < quiet_) {
        return Verdict::Waiting;
    }
    waiting_ = false;
    return Verdict::Settled;
}
