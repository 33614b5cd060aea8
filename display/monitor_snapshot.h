#pragma once

#include <windows.h>

#include "text/seam.h"

struct MonitorEntry {
    HMONITOR monitor;
    MONITORINFO info;      // as the process sees it, which the layout name keeps
    MONITORINFO physical;  // in the list view's own pixels, which placement uses
};

// The monitors as the last capture saw them, process-wide for the one action.
struct MonitorTable {
    int count = 0;                    // as the system reports it
    MonitorEntry* entries = nullptr;  // count entries, in enumeration order
    int filled = 0;                   // monitors reported so far
};

extern MonitorTable monitorTable;

// The primary monitor's work area in physical pixels, which the free-spot scan
// of a restore reads.
extern RECT WorkArea;

// The display services the snapshot asks; tests install a fake set of monitors.
// The enumeration's and the work area's results are not needed: a monitor that
// was not reported is left out of the name, a work area not read stays as it was.
class DisplayPlatform : public Seam<DisplayPlatform> {
public:
    static DisplayPlatform& Real();
    virtual ~DisplayPlatform() = default;
    [[nodiscard]] virtual int GetSystemMetrics(int index);
    virtual BOOL EnumDisplayMonitors(MONITORENUMPROC callback, LPARAM data);
    [[nodiscard]] virtual BOOL GetMonitorInfoW(HMONITOR monitor, MONITORINFO* info);
    virtual BOOL GetWorkArea(RECT* area);
};

// Fills the table and WorkArea; returns the system's monitor count. Each
// monitor is described twice: as the process sees it and, read again from a
// per-monitor DPI aware thread, in physical pixels.
int CaptureMonitors();

BOOL CALLBACK MonitorEnumProc(HMONITOR monitor, HDC deviceContext, LPRECT clip, LPARAM data);

// Frees the entries; safe to call twice. The count stays as it was.
void ReleaseMonitors();
