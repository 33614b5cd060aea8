#pragma once

#include <windows.h>

// Holds a window's redrawing back (LockWindowUpdate) for its own lifetime, so
// that the desktop repaints once, after the last icon has moved, whichever way
// the work ends. Only one window can be locked at a time; the results are not
// needed: without the lock the icons only repaint one by one.
class WindowUpdateLock {
public:
    explicit WindowUpdateLock(HWND window) { LockWindowUpdate(window); }
    ~WindowUpdateLock() { LockWindowUpdate(nullptr); }
    WindowUpdateLock(const WindowUpdateLock&) = delete;
    WindowUpdateLock& operator=(const WindowUpdateLock&) = delete;
};
