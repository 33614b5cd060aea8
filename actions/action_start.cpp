#include "actions/action_start.h"

#include "app/console_output.h"
#include "desktop/desktop_list_view.h"
#include "display/layout_name.h"

ActionStart::ActionStart(const wchar_t* givenName) : listView(FindDesktopListView()) {
    if (listView == nullptr) {
        PrintText(OutputStream::Err, L"Could not locate Desktop ListView.\n");
        return;
    }
    monitors_.emplace();
    if (givenName[0] != L'\0') {
        layoutName.Assign(givenName);
    } else {
        BuildLayoutName(layoutName, monitors_->count);
    }
}

WString GivenOrDefaultName(const wchar_t* givenName) {
    WString name(givenName);
    if (name.IsEmpty()) {
        const MonitorCapture monitors;
        BuildLayoutName(name, monitors.count);
    }
    return name;
}
