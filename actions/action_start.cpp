#include "actions/action_start.h"

#include "app/console_output.h"
#include "desktop/desktop_list_view.h"
#include "display/layout_name.h"

HWND LocateDesktopListView() {
    HWND listView = FindDesktopListView();
    if (listView == nullptr) {
        PrintText(OutputStream::Err, L"Could not locate Desktop ListView.\n");
    }
    return listView;
}

void ChooseLayoutName(WString& layoutName, const wchar_t* givenName, int monitorCount) {
    if (givenName[0] != L'\0') {
        layoutName.Assign(givenName);
    } else {
        BuildLayoutName(layoutName, monitorCount);
    }
}
