#pragma once

// Running the real program for end-to-end tests, and the texts it must print.

#include <windows.h>

#include <string>
#include <vector>

#include "build_layout.h"
#include "support/current_exe.h"
#include "support/fixture_client.h"
#include "support/process_runner.h"
#include "support/registry_reader.h"

// The program of this build, in the folder above the tests.
inline std::wstring KelvanePath() { return CurrentExeDirectory() + L"\\..\\" + kKelvaneExeName; }

// The windowless program of this build, beside the console one.
inline std::wstring WindowlessPath() { return CurrentExeDirectory() + L"\\..\\" + kWindowlessExeName; }

// The program and the desktop fixture of the other pointer width's build.
inline std::wstring OtherWidthKelvanePath() {
    return CurrentExeDirectory() + L"\\" + kOtherWidthBuild + L"\\" + kOtherWidthExeName;
}
inline std::wstring OtherWidthFixturePath() {
    return CurrentExeDirectory() + L"\\" + kOtherWidthBuild + L"\\tests\\desktop_fixture.exe";
}

inline RunResult RunKelvane(const std::vector<std::wstring>& arguments, const RunOptions& options = {}) {
    return RunProcess(KelvanePath(), arguments, options);
}

inline constexpr wchar_t kStoreKey[] = L"Software\\Brenlow\\DeskTop";
inline constexpr wchar_t kBannerStart[] = L"Kelvane Ver: 1.5.4.019 ";
inline constexpr wchar_t kUsage[] =
    L"  Usage: Kelvane [<save | restore | query> /n \"Layout\" /y /?]\n"
    L"    /n \"Layout\" - Use the named layout for save or restore.\n"
    L"                - Quote \"Layout\" if it contains embedded spaces.\n"
    L"    /y          - Answer 'yes' to any questions: silent operation.\n"
    L"    /?          - Display this text.\n"
    L"  restore [/n \"Layout\"] /v N   - Put back version N of a layout (1 is the newest).\n"
    L"  restore [/n \"Layout\"] /fit   - Fit a layout saved on another display to this one.\n"
    L"  list [/n \"Layout\"]           - List the layouts, or the icons of one.\n"
    L"  delete [/n \"Layout\"] /y      - Delete a layout.\n"
    L"  export /f File [/n \"Layout\"] - Write every layout, or one, to a JSON file.\n"
    L"  import /f File [/n \"Layout\"] - Store a file's layouts, or its one as Layout.\n"
    L"  undo /y                      - Take back the last restore.\n"
    L"  history [/n \"Layout\"]        - List the kept versions of the layouts, or of one.\n"
    L"  watch [/w Seconds] [/s Seconds | /nosave] [/fit]\n"
    L"        [/stop | /pause | /resume | /install | /uninstall]\n"
    L"                               - Put the icons back, and keep their layout saved, by themselves.\n"
    L"  status [/n \"Layout\"] [/v N]  - Compare the desktop with a layout, or a version of it.\n"
    L"  doctor                       - Print the facts a problem report needs.\n"
    L"  menu /install | /uninstall   - Add Kelvane to the desktop's menu, or take it out.\n";
inline constexpr DWORD kCommandLineError = 0xFFFFFFFF;
// The exit code of list, delete, export, import, undo and history when they did not do
// what was asked.
inline constexpr DWORD kNotDone = 1;

inline std::wstring LayoutKey(const std::wstring& layout) { return std::wstring(kStoreKey) + L"\\" + layout; }

// Where the versions of a layout are kept, beside the layouts.
inline std::wstring VersionsKey(const std::wstring& layout) {
    return std::wstring(kStoreKey) + L" Versions\\" + layout;
}
// Where the display each layout was saved on is kept, one value per layout.
inline constexpr wchar_t kDisplaysKey[] = L"Software\\Brenlow\\DeskTop Displays";
// Records the display a layout was saved on, in the stored form: one
// "l,t,r,b/l,t,r,b" group per monitor (rectangle, work area), "*" before the primary's.
void WriteDisplayRecord(const std::wstring& layout, const std::wstring& display);

// A local time as the program prints it, in a regular expression.
inline constexpr wchar_t kTimePattern[] = L"\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d";

// Standard output less the banner line, which must come first.
inline std::wstring AfterBanner(const std::wstring& output) {
    if (output.rfind(kBannerStart, 0) != 0) return L"<no banner first>" + output;
    const size_t end = output.find(L'\n');
    return end == std::wstring::npos ? L"<banner without line feed>" : output.substr(end + 1);
}

// The default layout name of the test display's single screen.
inline std::wstring DefaultLayoutName() {
    return L"Layout " + std::to_wstring(GetSystemMetrics(SM_CXSCREEN)) + L" x " +
           std::to_wstring(GetSystemMetrics(SM_CYSCREEN));
}

// The log that the windowless program and the background watcher write, and
// what it holds (empty when there is none).
std::wstring WatcherLogFile();
std::wstring WatcherLogText();

// The message box a process shows, waited for; null after a minute.
HWND WaitForMessageBox(HANDLE process);
// Its text, and a press of one of its buttons (IDYES, IDOK, ...).
std::wstring MessageBoxText(HWND box);
void PressButton(HWND box, int button);

// The data of a REG_BINARY record: x, y, the text and its zero, little-endian.
std::vector<BYTE> ShellRecordData(int x, int y, const std::wstring& text);

// The data of a REG_DWORD record: each coordinate's low 16 bits, y in the high half.
std::vector<BYTE> PackedRecordData(int x, int y);

// A synthetic desktop: one "text<TAB>x<TAB>y<TAB>data" line per item, written
// to a file the fixture reads.
std::wstring WriteItemsFile(const std::vector<std::wstring>& lines);
