#pragma once

#include <windows.h>

#include <string>
#include <vector>

// What one periodic look at the desktop saw.
struct DesktopLook {
    HWND listView = nullptr;  // null when there is none
    bool read = false;        // the positions were read whole
    std::vector<POINT> positions;
    bool autoArranged = false;  // the list view's LVS_AUTOARRANGE style
    std::wstring displayName;   // the default layout name of the display configuration
};

// When the watcher saves the arrangement: once it has changed since the
// watcher took the desktop as it found it (or no layout is stored for the
// display) and then stayed as it is for the delay, with the same list view, the
// same display configuration and no automatic arrangement all that time. The
// watcher does not look while it waits after an event, and begins the delay
// again once that wait (and its restore) is over.
class SaveSchedule {
public:
    explicit SaveSchedule(ULONGLONG delayMilliseconds) : delay_(delayMilliseconds) {}

    // The delay starts at `now`: at the watcher's start, and at the end of each
    // event's wait. With no layout stored for the display the first quiet
    // period saves one.
    void Begin(ULONGLONG now, bool layoutStored);

    enum class Verdict { Wait, Save };

    // One look at `now`. Save ends the period: the next needs a new change.
    [[nodiscard]] Verdict Look(ULONGLONG now, DesktopLook& seen);

private:
    ULONGLONG delay_;
    bool due_ = false;  // a change (or a missing layout) waits to be saved
    ULONGLONG quietSince_ = 0;
    // What the last look saw; nothing is known at the start, nor after a look
    // without a readable list view, and the next look then takes the desktop as
    // it finds it.
    bool seen_ = false;
    HWND listView_ = nullptr;
    std::vector<POINT> positions_;
    bool autoArranged_ = false;
    std::wstring displayName_;
};
