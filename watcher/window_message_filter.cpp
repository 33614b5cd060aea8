#include "watcher/window_message_filter.h"

bool WindowMessageFilter::Allow(HWND window, UINT message) {
    return ChangeWindowMessageFilterEx(window, message, MSGFLT_ALLOW, nullptr) != FALSE;
}

WindowMessageFilter& WindowMessageFilter::Real() {
    static WindowMessageFilter real;
    return real;
}
