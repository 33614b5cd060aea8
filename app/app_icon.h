#pragma once

// The resource id of the program's icon, for resources/kelvane.rc too.
#define KELVANE_ICON_ID 1

#ifndef RC_INVOKED
#include <windows.h>

// The program's icon at the given width, or the system's application icon when
// the image has none; the caller destroys it.
HICON LoadAppIcon(int width);
#endif
