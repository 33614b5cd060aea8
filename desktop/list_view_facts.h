#pragma once

#include <windows.h>

#include <optional>

// What the desktop's list view tells of itself for a report, asked with
// messages that carry no pointer, so that a shell of either width answers
// them; each waits a bounded time, and one left unanswered ends the asking.
struct ListViewFacts {
    std::optional<bool> snapToGrid;  // the LVS_EX_SNAPTOGRID extended style
    std::optional<int> icons;        // LVM_GETITEMCOUNT
    std::optional<SIZE> spacing;     // LVM_GETITEMSPACING, large icons
};

ListViewFacts ReadListViewFacts(HWND listView);

// A rectangle of the screen in the list view's client coordinates, those its
// icon positions are given in, as the calling thread's DPI awareness sees them.
RECT ScreenRectInListView(HWND listView, const RECT& screen);
