#pragma once

#include <windows.h>

#include "desktop/shell_platform.h"

// Holds a window's redrawing back (LockWindowUpdate) for its own lifetime, so
// that the desktop repaints once, after the last icon has moved, whichever way
// the work ends. Only one window can be locked at a time; the results are not
// needed: without the lock the icons only repaint one by one.
class WindowUpdateLock {
public:
    explicit WindowUpdateLock(HWND window) { ShellPlatform::Current().LockWindowUpdate(window); }
    ~WindowUpdateLock() { ShellPlatform::Current().LockWindowUpdate(nullptr); }
    WindowUpdateLock(const WindowUpdateLock&) = delete;
    WindowUpdateLock& operator=(const WindowUpdateLock&) = delete;
};
