#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstdint>

#include "desktop/remote_buffers.h"

// Keeps the desktop's current arrangement, as a save would store it, for `undo`
// to put back: every restore calls it once the user has said yes and before the
// first icon moves, with the blocks it holds (remoteItem, remoteText and
// remotePoint are used). A keep that fails, wholly or for some icons, says so in
// one line on standard error and nothing else, and the restore goes on. A shell
// that stops answering, or a stop request, ends the keep without a line and
// keeps nothing: the restore then stops, and says why.
void KeepArrangementForUndo(HWND listView, RemoteBuffers& shell, IShellFolder* desktopFolder, uint8_t* idListBuffer);
