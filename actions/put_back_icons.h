#pragma once

#include <windows.h>

#include <vector>

#include "desktop/item_tags.h"

// Puts the desktop items at `appeared` (indices into `tags`, the items as just
// read) back at the places the layout stored for the display configuration in
// force gives them, as a restore places icons and commits them to the shell;
// an item the layout has no record of stays where it is. Says in one line which
// icons it put back; prints nothing when no layout is stored for the display or
// it moved none.
void PutBackAppearedIcons(HWND listView, const std::vector<ItemTag>& tags, const std::vector<int>& appeared);
