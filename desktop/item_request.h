#pragma once

#include <windows.h>

#include <cstdint>

#include "desktop/remote_buffers.h"

enum class ItemRequest {
    Filled,           // remoteItem, remoteText and remotePoint hold the item
    NotWritten,       // the request could not be written to remoteItem
    ItemRefused,      // LVM_GETITEMW failed or went unanswered
    PositionRefused,  // LVM_GETITEMPOSITION failed or went unanswered
};

// Has the shell fill remoteItem (text into remoteText, item data into lParam)
// and remotePoint for one item. Prints nothing: each caller says what a failed
// step means to it. The messages go through shell.Send: a shell that leaves one
// unanswered is hung from then on (RemoteBuffers::ShellHung).
[[nodiscard]] ItemRequest RequestItemData(HWND listView, RemoteBuffers& shell, int index);

// Reads back the item data (lParam) of the record in remoteItem: the address of
// the item's ID list in the shell. False when the read failed.
[[nodiscard]] bool ReadItemParam(RemoteBuffers& shell, uint64_t& itemParam);
