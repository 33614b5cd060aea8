#include "diagnose/doctor.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/console_output.h"
#include "app/log_file_output.h"
#include "app/program_path.h"
#include "desktop/desktop_list_view.h"
#include "desktop/folder_view_calibration.h"
#include "desktop/item_identity.h"
#include "desktop/list_view_facts.h"
#include "desktop/listed_icon.h"
#include "desktop/remote_buffers.h"
#include "diagnose/windows_version.h"
#include "display/dpi_awareness.h"
#include "display/layout_name.h"
#include "display/monitor_capture.h"
#include "store/desktop_menu_entries.h"
#include "store/layout_versions.h"
#include "store/logon_start.h"
#include "store/stored_layouts.h"
#include "store/undo_store.h"
#include "watcher/watcher_instance.h"

namespace {

constexpr bool kBuildIs64Bit = sizeof(void*) == 8;

// Joined rather than formatted: a value (a path, a command line) may be longer
// than a formatted text can be.
void PrintFact(const wchar_t* name, const wchar_t* value) {
    WString line(name);
    line.Append(L": ");
    line.Append(value);
    line.Append(L"\n");
    PrintText(OutputStream::Out, line.Text());
}

WString Formatted(const wchar_t* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    WString text;
    text.FormatV(format, arguments);
    va_end(arguments);
    return text;
}

const wchar_t* Width(bool is64Bit) { return is64Bit ? L"64-bit" : L"32-bit"; }

const wchar_t* OnOff(bool on) { return on ? L"on" : L"off"; }

// The form of the default layout name's monitor groups.
WString RectText(const RECT& rect) {
    return Formatted(L"[%d,%d,%d,%d]", static_cast<int>(rect.left), static_cast<int>(rect.top),
                     static_cast<int>(rect.right), static_cast<int>(rect.bottom));
}

void ReportProgram() {
    PrintFact(L"program", ProgramPath().c_str());
    PrintFact(L"version", VersionText().Text());
    PrintFact(L"program width", Width(kBuildIs64Bit));
    RTL_OSVERSIONINFOW version;
    if (ReadWindowsVersion(version)) {
        PrintFact(L"windows version", Formatted(L"%lu.%lu", version.dwMajorVersion, version.dwMinorVersion).Text());
        PrintFact(L"windows build", Formatted(L"%lu", version.dwBuildNumber).Text());
    } else {
        PrintFact(L"windows version", L"unknown: ntdll does not tell it");
        PrintFact(L"windows build", L"unknown: ntdll does not tell it");
    }
}

WString WindowClass(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return WString(name);
}

void ReportDesktopWindows(const DesktopWindows& windows) {
    if (windows.programManager == nullptr) {
        PrintFact(L"desktop windows", L"not found: there is no \"Progman\" window");
    } else if (windows.folderView == nullptr) {
        PrintFact(L"desktop windows", L"not found: no folder view under \"Progman\" or any other top-level window");
    } else {
        WString value(windows.listView != nullptr ? L"under \"" : L"not found: the folder view under \"");
        value.Append(WindowClass(windows.host));
        value.Append(windows.listView != nullptr ? L"\"" : L"\" has no list view");
        PrintFact(L"desktop windows", value.Text());
    }
}

// Opens the shell process as every action does; the answer is the shell's width.
ShellAccess ReportShellWidth(RemoteBuffers& shell, HWND listView) {
    const ShellAccess access = shell.Open(listView);
    const DWORD error = GetLastError();
    switch (access) {
        case ShellAccess::Granted:
            PrintFact(L"shell process width", Width(kBuildIs64Bit));
            break;
        case ShellAccess::ShellIs32Bit:
            PrintFact(L"shell process width", L"32-bit: use Kelvane.exe, this build cannot drive it");
            break;
        case ShellAccess::ShellIs64Bit:
            PrintFact(L"shell process width", L"64-bit: use Kelvane64.exe, this build cannot drive it");
            break;
        case ShellAccess::NoProcess:
            PrintFact(L"shell process width",
                      Formatted(L"unknown: the process could not be opened (error %lu)", error).Text());
            break;
        case ShellAccess::WidthUnknown:
            PrintFact(L"shell process width", L"unknown: Windows did not tell the process's width");
            break;
    }
    return access;
}

// Returns whether the list view answered.
bool ReportListView(HWND listView) {
    const ListViewFacts facts = ReadListViewFacts(listView);
    const wchar_t* const unanswered = L"unknown: the list view did not answer";
    PrintFact(L"auto arrange", OnOff(ListViewArrangesIcons(listView)));
    PrintFact(L"align to grid", facts.snapToGrid ? OnOff(*facts.snapToGrid) : unanswered);
    PrintFact(L"icons", facts.icons ? Formatted(L"%d", *facts.icons).Text() : unanswered);
    PrintFact(L"icon spacing",
              facts.spacing ? Formatted(L"%ld x %ld", facts.spacing->cx, facts.spacing->cy).Text() : unanswered);
    return facts.spacing.has_value();
}

const wchar_t* AwarenessText(DpiAwareness awareness) {
    switch (awareness) {
        case DpiAwareness::Unaware:
            return L"unaware";
        case DpiAwareness::SystemAware:
            return L"system aware";
        case DpiAwareness::PerMonitorAware:
            return L"per-monitor aware";
        case DpiAwareness::Unknown:
            break;
    }
    return L"unknown: Windows names an awareness this program does not know";
}

// Each monitor as the capture saw it, and again in the list view's own pixels:
// a program without DPI awareness on a scaled display sees the two differ.
void ReportMonitors(const MonitorCapture& monitors, HWND listView) {
    PrintFact(L"monitors", Formatted(L"%d", monitors.count).Text());
    const DpiAwareness awareness = CurrentDpiAwareness();
    const PerMonitorDpiScope physical;
    const int listed = monitors.count < monitorTable.filled ? monitors.count : monitorTable.filled;
    for (int index = 0; index < listed; ++index) {
        const MonitorEntry& entry = monitorTable.entries[index];
        const WString name = Formatted(L"monitor %d", index + 1);
        WString value = RectText(entry.info.rcMonitor);
        value.Append(L" work area ");
        value.Append(RectText(entry.info.rcWork));
        value.Append((entry.info.dwFlags & MONITORINFOF_PRIMARY) != 0 ? L" primary" : L"");
        PrintFact(name.Text(), value.Text());

        WString inListView(name);
        inListView.Append(L" in list view");
        MONITORINFO info = {};
        info.cbSize = sizeof(info);
        if (listView == nullptr) {
            value.Assign(L"unknown: no desktop list view");
        } else if (!DisplayPlatform::Current().GetMonitorInfoW(entry.monitor, &info)) {
            value.Assign(L"unknown: Windows did not describe the monitor");
        } else {
            value = RectText(ScreenRectInListView(listView, info.rcMonitor));
            value.Append(L" work area ");
            value.Append(RectText(ScreenRectInListView(listView, info.rcWork)));
            value.Append(
                physical.Active() ? L"" : L" (as the program sees them: this Windows has no per-thread DPI awareness)");
        }
        PrintFact(inListView.Text(), value.Text());
    }
    const int pixelsPerInch = ScreenPixelsPerInch();
    PrintFact(L"scale", pixelsPerInch > 0
                            ? Formatted(L"%d%% (%d pixels per inch)", pixelsPerInch * 100 / 96, pixelsPerInch).Text()
                            : L"unknown: the screen's device context could not be had");
    PrintFact(L"dpi awareness", AwarenessText(awareness));
}

void ReportStore(const MonitorCapture& monitors) {
    WString defaultName;
    BuildLayoutName(defaultName, monitors.count);
    PrintFact(L"default layout", defaultName.Text());
    StoredLayouts layouts(KeyOpening::ExistingOnly);
    WString storedName;
    PrintFact(L"default layout stored", layouts.Find(defaultName.Text(), storedName) ? L"yes" : L"no");
    PrintFact(L"layouts", layouts.Opened() ? Formatted(L"%d", static_cast<int>(layouts.List().size())).Text()
                                           : L"0: nothing was ever stored");
    int versions = 0;
    const std::vector<WString> versioned = VersionedLayoutNames();
    for (const WString& name : versioned) {
        WString keptName;
        versions += static_cast<int>(LoadLayoutVersions(name.Text(), keptName).size());
    }
    PrintFact(L"versions", Formatted(L"%d, of %d layout names", versions, static_cast<int>(versioned.size())).Text());
    IconRecordList undo;
    PrintFact(L"undo kept", LoadUndoArrangement(undo, KeyOpening::ExistingOnly)
                                ? Formatted(L"yes, %d icons", static_cast<int>(undo.size())).Text()
                                : L"no");
}

// Reaches the folder view and calibrates it against the list view, as a restore
// does before its first move; nothing moves.
void ReportFolderView(HWND listView, RemoteBuffers& shell, ShellAccess access, bool listViewAnswered) {
    const wchar_t* notTried = nullptr;
    IdListBuffer idListBuffer;
    if (listView == nullptr) {
        notTried = L"not tried: no desktop list view";
    } else if (access != ShellAccess::Granted) {
        notTried = L"not tried: this build cannot use the shell process";
    } else if (!listViewAnswered) {
        notTried = L"not tried: the list view did not answer";
    } else if (!shell.Allocate({RemoteBlock::Item, RemoteBlock::Text, RemoteBlock::Point}) ||
               !(idListBuffer = AllocateIdListBuffer())) {
        notTried = L"not tried: the memory it needs could not be had";
    }
    if (notTried != nullptr) {
        PrintFact(L"folder view", notTried);
        PrintFact(L"calibration", notTried);
        return;
    }
    FolderViewThread thread(kFolderViewBudgetMilliseconds);
    const Calibration calibration = CalibrateFolderView(thread, [&](int index, ListedIcon& icon) {
        return ReadListedIcon(listView, shell, index, idListBuffer.get(), icon);
    });
    const HRESULT lookup = thread.Lookup();
    if (lookup == E_PENDING) {
        PrintFact(L"folder view", Formatted(L"unknown: no answer within %lu ms", kFolderViewBudgetMilliseconds).Text());
    } else {
        PrintFact(L"folder view",
                  SUCCEEDED(lookup) ? WString(L"reached").Text() : Formatted(L"not reached (0x%08lX)", lookup).Text());
    }
    switch (calibration.verdict) {
        case CalibrationVerdict::Agrees:
            PrintFact(L"calibration",
                      Formatted(L"agrees, offset %ld, %ld", calibration.offset.x, calibration.offset.y).Text());
            break;
        case CalibrationVerdict::Disagrees:
            PrintFact(L"calibration", L"disagrees: a restore tells the folder view nothing");
            break;
        case CalibrationVerdict::Unanswered:
            PrintFact(L"calibration", L"unanswered: a restore tells the folder view nothing");
            break;
    }
}

void ReportWatcher() {
    PrintFact(L"watcher", WatcherRuns() ? L"running" : L"not running");
    WString commandLine;
    if (ReadLogonStart(commandLine)) {
        WString value(L"installed: ");
        value.Append(commandLine);
        PrintFact(L"watcher at log-on", value.Text());
    } else {
        PrintFact(L"watcher at log-on", L"not installed");
    }
    const std::vector<WString> entries = FindKelvaneMenuEntries();
    WString value(entries.empty() ? L"not installed" : L"installed:");
    for (size_t index = 0; index < entries.size(); ++index) {
        value.Append(index == 0 ? L" " : L", ");
        value.Append(entries[index]);
    }
    PrintFact(L"desktop menu entries", value.Text());
}

void ReportLogFile() {
    const std::wstring path = WatcherLogPath();
    if (path.empty()) {
        PrintFact(L"log file", L"unknown: Windows did not tell the local application data folder");
        PrintFact(L"log file size", L"unknown: the log file's path is not known");
        return;
    }
    PrintFact(L"log file", path.c_str());
    WIN32_FILE_ATTRIBUTE_DATA file;
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &file)) {
        const ULONGLONG size = (static_cast<ULONGLONG>(file.nFileSizeHigh) << 32) | file.nFileSizeLow;
        PrintFact(L"log file size", (std::to_wstring(size) + L" bytes").c_str());
    } else {
        PrintFact(L"log file size", L"none: there is no such file");
    }
}

}  // namespace

int RunDoctor() {
    ReportProgram();
    const DesktopWindows windows = FindDesktopWindows();
    ReportDesktopWindows(windows);
    const HWND listView = windows.listView;
    RemoteBuffers shell;
    ShellAccess access = ShellAccess::NoProcess;
    bool listViewAnswered = false;
    if (listView != nullptr) {
        access = ReportShellWidth(shell, listView);
        listViewAnswered = ReportListView(listView);
    } else {
        for (const wchar_t* name :
             {L"shell process width", L"auto arrange", L"align to grid", L"icons", L"icon spacing"}) {
            PrintFact(name, L"unknown: no desktop list view");
        }
    }
    const MonitorCapture monitors;
    ReportMonitors(monitors, listView);
    ReportStore(monitors);
    ReportFolderView(listView, shell, access, listViewAnswered);
    ReportWatcher();
    ReportLogFile();
    return 0;
}
