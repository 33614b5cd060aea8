#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <vector>

#include "actions/item_exchange.h"
#include "desktop/remote_buffers.h"
#include "store/icon_record.h"

enum class WalkEnd { Complete, ShellGone, ShellHung, Stopped };

struct WalkResult {
    WalkEnd end = WalkEnd::Complete;
    // Items that could not be read (each reported unless silent); items the
    // namespace cannot name are left out without counting.
    int itemsFailed = 0;
    // The list view showed at least one item.
    bool anyItem = false;
    // The display texts of the failed items whose text was read before the step
    // that failed; the others' texts are unknown.
    std::vector<WString> failedTexts;
};

// Reads every desktop item, in index order, into the records a save stores: an
// item with a shell item by its identity, one without by its text. Uses
// remoteItem, remoteText and remotePoint. A list view that has gone answers
// every message with 0, which would restart the walk at item 0 for ever: the
// walk ends when the window is gone or the index stops advancing. It also ends
// when the shell leaves a message unanswered, and at the next item when a stop
// is requested (app/stop_request.h), the last item included: what was read then
// is not to be stored.
WalkResult ReadAllItems(HWND listView, RemoteBuffers& shell, IShellFolder* desktopFolder, uint8_t* idListBuffer,
                        ItemReport report, IconRecordList& records);
