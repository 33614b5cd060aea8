#pragma once

#include <windows.h>

// How the program's coordinates relate to the screen's pixels. Windows scales
// the monitors, work areas and window positions it gives a program that is not
// DPI aware, while the shell's list view works in physical pixels.
enum class DpiAwareness { Unaware, SystemAware, PerMonitorAware, Unknown };

// The calling thread's awareness where Windows tells it (Windows 10 1607 and
// later), otherwise the process's (Unaware or SystemAware).
DpiAwareness CurrentDpiAwareness();

// The screen's logical pixels per inch as the calling thread sees them: 96 at a
// scale of 100 %, and always 96 to a thread that is not DPI aware.
int ScreenPixelsPerInch();

// For its lifetime the calling thread is per-monitor DPI aware, where Windows
// lets a thread be (Windows 10 1607 and later), so that monitors, work areas and
// window positions come in physical pixels, the list view's own. Elsewhere it
// changes nothing.
class PerMonitorDpiScope {
public:
    PerMonitorDpiScope();
    ~PerMonitorDpiScope();
    PerMonitorDpiScope(const PerMonitorDpiScope&) = delete;
    PerMonitorDpiScope& operator=(const PerMonitorDpiScope&) = delete;

    // Whether the thread became per-monitor aware.
    [[nodiscard]] bool Active() const { return previous_ != nullptr; }

private:
    DPI_AWARENESS_CONTEXT previous_ = nullptr;
};
