#include "display/layout_name.h"

#include <cwchar>
#include <string>

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

bool DisplayOfLayoutName(const wchar_t* name, DisplayConfig& display) {
    display.clear();
    int width = 0;
    int height = 0;
    WString rebuilt;
    // Read loosely, then held to the exact text the name's format makes of it.
    if (std::swscanf(name, LoadResString(kSingleMonitorNameId), &width, &height) == 2 && width > 0 && height > 0) {
        rebuilt.FormatResString(kSingleMonitorNameId, width, height);
        if (std::wcscmp(rebuilt.Text(), name) == 0) {
            const RECT screen = {0, 0, width, height};
            display.push_back({screen, screen, true});
            return true;
        }
        return false;
    }
    const std::wstring prefix = std::wstring(LoadResString(kMultiMonitorNameId)) + L" ";
    if (std::wcsncmp(name, prefix.c_str(), prefix.size()) != 0) {
        return false;
    }
    rebuilt.Assign(prefix.c_str());
    int primaries = 0;
    for (const wchar_t* rest = name + prefix.size(); *rest != L'\0';) {
        const bool primary = *rest == L'*';
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
        int consumed = 0;
        if (std::swscanf(rest + (primary ? 1 : 0), L"[%d,%d,%d,%d]%n", &left, &top, &right, &bottom, &consumed) != 4 ||
            consumed == 0 || right <= left || bottom <= top) {
            display.clear();
            return false;
        }
        const RECT rect = {left, top, right, bottom};
        display.push_back({rect, rect, primary});
        primaries += primary ? 1 : 0;
        WString group;
        group.Format(L"%s[%d,%d,%d,%d]", primary ? L"*" : L"", left, top, right, bottom);
        rebuilt.Append(group);
        rest += consumed + (primary ? 1 : 0);
    }
    if (primaries != 1 || std::wcscmp(rebuilt.Text(), name) != 0) {
        display.clear();
        return false;
    }
    return true;
}
