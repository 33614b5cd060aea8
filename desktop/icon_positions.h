#pragma once

#include <windows.h>

#include <vector>

// Reads the position of every item of the desktop list view, in index order, and
// nothing else: one message an item, into a block of the shell's memory that is
// read back a batch at a time. The shell is opened for this read alone, so that
// nothing of the caller's stays in it afterwards. False when the shell cannot be
// reached or left a message unanswered, or when the list view went away or lost
// items meanwhile.
[[nodiscard]] bool ReadIconPositions(HWND listView, std::vector<POINT>& positions);
