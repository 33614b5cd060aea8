#pragma once

#include <windows.h>
#include <shobjidl.h>

#include "desktop/com_ref.h"

// Looks the desktop's folder view up through the shell's window list, as the
// shell documents it: the desktop's browser, its active view, and the view's
// IFolderView. The shell replaces that object when it restarts or changes the
// desktop's folder flags, so it is looked up afresh for each restore, never
// kept. S_OK with the view; otherwise the failure of the step that failed
// (E_FAIL when the shell knows no desktop window), with nothing held.
// Runs in a COM apartment of the caller's.
[[nodiscard]] HRESULT ReachDesktopFolderView(ComRef<IFolderView>& view);
