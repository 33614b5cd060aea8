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

bool FindLayoutVersion(const WString& layoutName, int number, WString& label, LayoutVersion& version) {
    WString keptName;
    const std::vector<LayoutVersion> versions = LoadLayoutVersions(layoutName.Text(), keptName);
    label.Assign(versions.empty() ? layoutName : keptName);
    WString numbered;
    numbered.Format(L", version %d", number);
    label.Append(numbered);
    if (number < 1 || static_cast<size_t>(number) > versions.size()) {
        ReportLayoutNotFound(label.Text());
        return false;
    }
    version = versions[number - 1];
    return true;
}

void ReportArrangedDesktop() {
    PrintText(OutputStream::Err,
              L"The desktop arranges its icons by itself, so the restore moved none: turn off \"Auto arrange "
              L"icons\" (right-click the desktop, then View) and restore again.\n");
}

bool RefuseArrangedDesktop(HWND listView) {
    if (!ListViewArrangesIcons(listView)) {
        return false;
    }
    ReportArrangedDesktop();
    return true;
}

void ReportLayoutNotFound(const wchar_t* name) {
    // Joined, not formatted: a formatted text is cut at 1023 characters, and a
    // name from /n can be far longer.
    WString message(L"Layout not found: ");
    message.Append(name);
    message.Append(L".\n");
    PrintText(OutputStream::Err, message.Text());
}

void ReportVersionNotKept(const wchar_t* layoutName, const wchar_t* action) {
    WString message(L"Could not keep a version of the layout ");
    message.Append(layoutName);
    message.Append(L": the registry refused it. The ");
    message.Append(action);
    message.Append(L" goes on.\n");
    PrintText(OutputStream::Err, message.Text());
}
