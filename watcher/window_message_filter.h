#pragma once

#include <windows.h>

#include "text/seam.h"

// The integrity filter of a window: a program run as administrator hears a
// message from a process of lower integrity, such as the shell, only when its
// window lets that message through. Tests replace it to see what is let through.
class WindowMessageFilter : public Seam<WindowMessageFilter> {
public:
    static WindowMessageFilter& Real();
    virtual ~WindowMessageFilter() = default;

    // Lets the message through to the window from any process; false when the
    // system refused.
    virtual bool Allow(HWND window, UINT message);
};
