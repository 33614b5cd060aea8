#include "display/monitor_snapshot.h"

#include <cstring>

#include "display/dpi_awareness.h"

MonitorTable monitorTable;
RECT WorkArea = {0, 0, 0, 0};

int DisplayPlatform::GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

BOOL DisplayPlatform::EnumDisplayMonitors(MONITORENUMPROC callback, LPARAM data) {
    return ::EnumDisplayMonitors(nullptr, nullptr, callback, data);
}

BOOL DisplayPlatform::GetMonitorInfoW(HMONITOR monitor, MONITORINFO* info) { return ::GetMonitorInfoW(monitor, info); }

BOOL DisplayPlatform::GetWorkArea(RECT* area) { return ::SystemParametersInfoW(SPI_GETWORKAREA, 0, area, 0); }

DisplayPlatform& DisplayPlatform::Real() {
    static DisplayPlatform real;
    return real;
}

int CaptureMonitors() {
    monitorTable.count = DisplayPlatform::Current().GetSystemMetrics(SM_CMONITORS);
    // Cleared, so that an entry the enumeration leaves unfilled (a monitor whose
    // information could not be read) never shows stray memory in a layout name.
    const int count = monitorTable.count > 0 ? monitorTable.count : 0;
    monitorTable.entries = new MonitorEntry[count]();
    if (monitorTable.count == 0) {
        return 0;
    }
    monitorTable.filled = 0;
    DisplayPlatform::Current().EnumDisplayMonitors(MonitorEnumProc, reinterpret_cast<LPARAM>(&monitorTable.filled));
    const PerMonitorDpiScope physical;
    const int filled = monitorTable.count < monitorTable.filled ? monitorTable.count : monitorTable.filled;
    for (int index = 0; index < filled; ++index) {
        MonitorEntry& entry = monitorTable.entries[index];
        // A monitor that no longer answers keeps what the enumeration read.
        entry.physical = entry.info;
        MONITORINFO info = {};
        info.cbSize = sizeof(info);
        if (physical.Active() && DisplayPlatform::Current().GetMonitorInfoW(entry.monitor, &info)) {
            entry.physical = info;
        }
    }
    DisplayPlatform::Current().GetWorkArea(&WorkArea);
    return monitorTable.count;
}

BOOL CALLBACK MonitorEnumProc(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info;
    std::memset(&info, 0, sizeof(info));
    info.cbSize = sizeof(info);
    if (!DisplayPlatform::Current().GetMonitorInfoW(monitor, &info)) {
        return TRUE;
    }
    int& filled = *reinterpret_cast<int*>(data);
    // A monitor attached between the count and the enumeration finds no entry.
    if (filled < monitorTable.count) {
        monitorTable.entries[filled].monitor = monitor;
        monitorTable.entries[filled].info = info;
    }
    ++filled;
    return TRUE;
}

void ReleaseMonitors() {
    delete[] monitorTable.entries;
    monitorTable.entries = nullptr;
    monitorTable.filled = 0;
}
