#include "store/display_record.h"

#include <algorithm>
#include <cwchar>
#include <vector>

#include "display/layout_name.h"
#include "store/reg_key.h"
#include "text/res_string.h"

namespace {

WString DisplaysKeyPath() {
    WString path(LoadResString(kStoreBaseKeyId));
    path.Append(L" Displays");
    return path;
}

bool HasArea(const RECT& rect) { return rect.right > rect.left && rect.bottom > rect.top; }

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

}  // namespace

std::wstring DisplayRecordText(const DisplayConfig& display) {
    std::wstring text;
    for (const MonitorArea& area : display) {
        WString group;
        group.Format(L"%s%d,%d,%d,%d/%d,%d,%d,%d", area.primary ? L"*" : L"", static_cast<int>(area.monitor.left),
                     static_cast<int>(area.monitor.top), static_cast<int>(area.monitor.right),
                     static_cast<int>(area.monitor.bottom), static_cast<int>(area.work.left),
                     static_cast<int>(area.work.top), static_cast<int>(area.work.right),
                     static_cast<int>(area.work.bottom));
        text += (text.empty() ? L"" : L";");
        text += group.Text();
    }
    return text;
}

bool ParseDisplayRecordText(const std::wstring& text, DisplayConfig& display) {
    display.clear();
    int primaries = 0;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find(L';', start), text.size());
        const std::wstring group = text.substr(start, end - start);
        MonitorArea area = {};
        area.primary = !group.empty() && group[0] == L'*';
        int values[8];
        int consumed = -1;
        if (std::swscanf(group.c_str() + (area.primary ? 1 : 0), L"%d,%d,%d,%d/%d,%d,%d,%d%n", &values[0], &values[1],
                         &values[2], &values[3], &values[4], &values[5], &values[6], &values[7], &consumed) != 8 ||
            static_cast<size_t>(consumed) != group.size() - (area.primary ? 1 : 0)) {
            return false;
        }
        area.monitor = {values[0], values[1], values[2], values[3]};
        area.work = {values[4], values[5], values[6], values[7]};
        if (!HasArea(area.monitor) || !HasArea(area.work) || !Inside(area.work, area.monitor)) {
            return false;
        }
        primaries += area.primary ? 1 : 0;
        display.push_back(area);
        start = end + 1;
    }
    return primaries == 1;
}

bool RecordLayoutDisplay(const wchar_t* layoutName, const DisplayConfig& display) {
    DisplayConfig named;
    if (display.empty() || DisplayOfLayoutName(layoutName, named)) {
        // Nothing to remove where no record was ever kept: the key is not made for it.
        RegKey key(DisplaysKeyPath().Text(), kStoreWriteAccess, 0, KeyOpening::ExistingOnly);
        return key.handle == nullptr || key.DeleteValue(layoutName);
    }
    RegKey key(DisplaysKeyPath().Text(), kStoreWriteAccess, 0);
    return key.SetString(layoutName, DisplayRecordText(display).c_str());
}

bool LoadDisplayRecord(const wchar_t* layoutName, DisplayConfig& display) {
    RegKey key(DisplaysKeyPath().Text(), kStoreReadAccess, 0, KeyOpening::ExistingOnly);
    WString text;
    return key.handle != nullptr && key.ReadString(layoutName, text) && ParseDisplayRecordText(text.Text(), display);
}

bool LayoutDisplay(const wchar_t* layoutName, DisplayConfig& display) {
    return DisplayOfLayoutName(layoutName, display) || LoadDisplayRecord(layoutName, display);
}
