#include "display/layout_name.h"

#include "display/monitor_snapshot.h"
#include "text/res_string.h"

void BuildLayoutName(WString& name, int monitorCount) {
    if (monitorCount == 1) {
        name.FormatResString(kSingleMonitorNameId, DisplayPlatform::Current().GetSystemMetrics(SM_CXSCREEN),
                             DisplayPlatform::Current().GetSystemMetrics(SM_CYSCREEN));
        return;
    }
    name.Format(L"%s ", LoadResString(kMultiMonitorNameId));
    // Entries the enumeration did not fill are left out rather than named.
    const int named = monitorCount < monitorTable.filled ? monitorCount : monitorTable.filled;
    WString group;
    for (int index = 0; index < named && monitorTable.entries != nullptr; ++index) {
        const MONITORINFO& info = monitorTable.entries[index].info;
        if (info.dwFlags & MONITORINFOF_PRIMARY) {
            name.Append(L"*");
        }
        group.Format(L"[%d,%d,%d,%d]", static_cast<int>(info.rcMonitor.left), static_cast<int>(info.rcMonitor.top),
                     static_cast<int>(info.rcMonitor.right), static_cast<int>(info.rcMonitor.bottom));
        name.Append(group);
    }
}
