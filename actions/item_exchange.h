#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstdint>

#include "desktop/item_identity.h"
#include "desktop/remote_buffers.h"
#include "text/wstring.h"

// The item exchanges that saving and the restore engine's candidate check share,
// with the messages both print (standard output, naming the item's index). The
// messages read "Desktop Saving." during a restore too: that is the program's
// fixed wording, which scripts may match, not a slip to correct.

// Whether a failed step is printed, or left to the caller to count: keeping the
// arrangement for undo must not add lines to what a restore prints.
enum class ItemReport { Printed, Silent };

// Has the shell fill remoteItem (text into remoteText, item data into lParam) and
// remotePoint for one item. False after reporting the step that failed.
[[nodiscard]] bool RequestItem(HWND listView, RemoteBuffers& shell, int index, ItemReport report = ItemReport::Printed);

// The identity of the item whose ID list lies at idList in the shell. A failed
// read is reported; when the namespace knows no identity nothing is. An empty
// name counts as found.
[[nodiscard]] IdentityOutcome IdentifyItem(RemoteBuffers& shell, uint64_t idList, IShellFolder* desktopFolder,
                                           uint8_t* idListBuffer, int index, WString& identity,
                                           ItemReport report = ItemReport::Printed);

// Prints the failure line of a step, with the item's index, unless silent.
void ReportItemFailure(ItemReport report, const wchar_t* format, int index);
