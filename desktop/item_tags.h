#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "text/wstring.h"

// What tells one item of the list view from another without asking the shell's
// namespace: its text and its item data. The shell gives every item it inserts
// item data of its own (its ID list), so an item deleted and made again comes
// back with another, or at another place in the list view's order.
struct ItemTag {
    WString text;
    uint64_t data = 0;
};

[[nodiscard]] bool operator==(const ItemTag& left, const ItemTag& right);
[[nodiscard]] bool operator<(const ItemTag& left, const ItemTag& right);

// Reads the tag of every item of the desktop list view, in index order: one
// message an item, into a block of the shell's memory that is written and read
// back a batch at a time. The shell is opened for this read alone, so that nothing of
// the caller's stays in it afterwards. False when the shell cannot be reached or
// left a message unanswered, or when the list view went away or lost items
// meanwhile.
[[nodiscard]] bool ReadItemTags(HWND listView, std::vector<ItemTag>& tags);
