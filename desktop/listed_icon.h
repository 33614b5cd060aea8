#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "desktop/remote_buffers.h"
#include "text/wstring.h"

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

// Where the list view shows the icon at `index`, silently; false when a step
// failed. Overwrites remotePoint.
[[nodiscard]] bool ReadListedPosition(HWND listView, RemoteBuffers& shell, int index, POINT& position);

// The text the list view shows for the icon at `index`, silently; false when a
// step failed. Overwrites remoteItem, remoteText and remotePoint.
[[nodiscard]] bool ReadListedText(HWND listView, RemoteBuffers& shell, int index, WString& text);
