#pragma once

#include <windows.h>

// When the desktop has settled after the events that disturb it (a display
// change, the shell starting again, a resume): its list view exists, is the
// same window with the same number of items, and no event has come, for the
// quiet time. A burst of events is one wait. A list view that does not appear
// within the bound after the last event ends the wait without a restore.
class DesktopSettle {
public:
    DesktopSettle(ULONGLONG quietMilliseconds, ULONGLONG appearanceBoundMilliseconds)
        : quiet_(quietMilliseconds), appearanceBound_(appearanceBoundMilliseconds) {}

    // An event at `now` starts the wait, or starts the quiet time again.
    void OnEvent(ULONGLONG now);

    enum class Verdict {
        Idle,        // no event is waiting
        Waiting,     // not settled yet: look again later
        Settled,     // restore now; the wait is over
        NoListView,  // the list view did not appear in time; the wait is over
    };

    // One look at the desktop at `now`: its list view (null when there is none)
    // and the list view's item count.
    [[nodiscard]] Verdict Look(ULONGLONG now, HWND listView, int itemCount);

    [[nodiscard]] bool Waiting() const { return waiting_; }

    // Ends a wait without a restore.
    void Cancel() { waiting_ = false; }

private:
    ULONGLONG quiet_;
    ULONGLONG appearanceBound_;
    bool waiting_ = false;
    ULONGLONG lastEvent_ = 0;
    ULONGLONG quietSince_ = 0;
    // What the last look saw; nothing is known right after an event, so the
    // first look does not count as a change.
    bool seen_ = false;
    HWND listView_ = nullptr;
    int itemCount_ = 0;
};
