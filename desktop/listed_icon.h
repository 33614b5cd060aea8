#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "desktop/remote_buffers.h"

// One icon as both of the shell's interfaces know it: the ID list that names it
// to the folder view (relative to the desktop folder, terminator included) and
// where the list view shows it.
struct ListedIcon {
    std::vector<uint8_t> idList;
    POINT position = {};
};

// Reads the icon at `index` from the list view, silently: false when a step
// failed (a message left unanswered included: the shell is then hung) or the
// item carries no ID list (an item the folder view cannot name).
// Overwrites remoteItem, remoteText and remotePoint, and the ID-list buffer.
[[nodiscard]] bool ReadListedIcon(HWND listView, RemoteBuffers& shell, int index, uint8_t* idListBuffer,
                                  ListedIcon& icon);
