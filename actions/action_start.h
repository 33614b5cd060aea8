#pragma once

#include <windows.h>

#include <optional>

#include "display/monitor_capture.h"
#include "store/layout_versions.h"
#include "text/wstring.h"

// What every action begins with: the desktop list view, then the monitor
// snapshot, held until the action ends, and the name of the layout it works on.
class ActionStart {
public:
    // Finds the desktop list view; when there is none it says so on standard
    // error and takes nothing else. Otherwise it captures the monitors and takes
    // the given name or, when that is empty, the current display's default name.
    explicit ActionStart(const wchar_t* givenName);
    ActionStart(const ActionStart&) = delete;
    ActionStart& operator=(const ActionStart&) = delete;

    // False when there is no desktop list view: the action ends at once.
    [[nodiscard]] bool Found() const { return listView != nullptr; }

    const HWND listView;
    WString layoutName;

private:
    std::optional<MonitorCapture> monitors_;
};

// The layout name of an action on the store alone, which needs no desktop list
// view: the given name or, when that is empty, the current display's default one.
WString GivenOrDefaultName(const wchar_t* givenName);

// Version `number` (1 is the newest) kept of the named layout, and what an
// action calls it ("Name, version N"). False, after saying on standard error
// that no such layout was found, when that version is not kept.
[[nodiscard]] bool FindLayoutVersion(const WString& layoutName, int number, WString& label, LayoutVersion& version);

// Says on standard error that the desktop arranges its icons by itself, so that
// a restore can place none, and how to turn that off.
void ReportArrangedDesktop();

// True, after saying so, when the list view arranges its icons by itself: a
// restore then moves nothing and prints no summary.
[[nodiscard]] bool RefuseArrangedDesktop(HWND listView);

// Says on standard error that no stored layout has the name, however long it is.
void ReportLayoutNotFound(const wchar_t* name);

// Says on standard error that the registry refused to keep what the named layout
// held as a version, and that the action (its word: "save", "import", "delete")
// goes on.
void ReportVersionNotKept(const wchar_t* layoutName, const wchar_t* action);
