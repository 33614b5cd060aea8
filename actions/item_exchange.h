#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstdint>

#include "desktop/remote_buffers.h"
#include "text/wstring.h"

// The item exchanges that saving and the restore engine's candidate check share,
// with the messages both print (standard output, naming the item's index). The
// messages read "Desktop Saving." during a restore too: that is the program's
// fixed wording, which scripts may match, not a slip to correct.

// Has the shell fill remoteItem (text into remoteText, item data into lParam) and
// remotePoint for one item. False after printing the step that failed.
[[nodiscard]] bool RequestItem(HWND listView, RemoteBuffers& shell, int index);

// The identity of the item whose ID list lies at idList in the shell. False after
// printing a failed read, or silently when the namespace knows no identity; an
// empty name counts as found.
[[nodiscard]] bool IdentifyItem(RemoteBuffers& shell, uint64_t idList, IShellFolder* desktopFolder,
                                uint8_t* idListBuffer, int index, WString& identity);
