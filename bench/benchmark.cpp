// Times save and restore against synthetic desktops of growing size, counts their
// cross-process operations where they happen (list-view messages as the fixture
// receives them, memory reads and writes at the program's shell platform), and
// measures the floor: a bare loop of the least traffic one icon needs. The
// restores that move icons run twice: as Wine shows them, and with the fixture
// holding its list view's redrawing off. The program locks the list view's
// window updates while it moves icons, which on Windows leaves the list view's
// painting nothing to draw on; Wine's LockWindowUpdate only records the window,
// so there the list view repaints after each move, and that repainting, not the
// program's traffic, grows with the desktop. Last, the restores run on a desktop
// whose icons carry ID lists, once as under Wine's own shell (whose folder view
// refuses, so the list view alone is used) and once with the stand-in shell
// registered, which takes the positions into its own record as Windows 10 1809
// and later do: the folder-view calls (fv ...) and the added list-view reads of
// the calibration and the commit show beside the list-view traffic.
//
// With --watcher it measures instead the watcher on an idle desktop of 100 and
// of 1000 icons, and the time from a move to its save.
//
// With --full-desktop it measures instead a restore on a desktop whose every
// grid point (of the work area, as the program walks it) is covered twice, so
// that no evicted icon can ever find a free point: the case where each eviction
// cost a walk over the whole grid.
//
// benchmark.exe [--sizes 100,500,2000] [--runs 3] [--one-run-above 500] [--out <file prefix>]
//               [--full-desktop | --watcher] [--baseline <counting program of another build>]
// (sizes above --one-run-above get one run: their restores take minutes; a
// baseline program runs every scenario a second time, for a before and after)
// writes <prefix>.md (the table) and <prefix>.csv (for the plot).

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bench/seconds_clock.h"
#include "support/current_exe.h"
#include "support/desktop_files.h"
#include "support/fixture_client.h"
#include "support/process_runner.h"
#include "support/registry_reader.h"
#include "support/scratch_folder.h"
#include "support/stand_in_registration.h"
#include "support/utf8.h"

namespace {

struct Counts {
    std::map<std::string, unsigned> operations;  // "read", "write" and message codes
    double keepSeconds = 0;                      // a restore's keep of the arrangement for undo
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string MessageName(UINT code) {
    switch (code) {
        case LVM_GETNEXTITEM:
            return "GETNEXTITEM";
        case LVM_GETITEMCOUNT:
            return "GETITEMCOUNT";
        case LVM_GETITEMW:
            return "GETITEM";
        case LVM_GETITEMPOSITION:
            return "GETITEMPOSITION";
        case LVM_FINDITEMW:
            return "FINDITEM";
        case LVM_GETITEMRECT:
            return "GETITEMRECT";
        case LVM_SETITEMPOSITION:
            return "SETITEMPOSITION";
        case LVM_GETITEMSPACING:
            return "GETITEMSPACING";
    }
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", code);
    return text;
}

std::wstring CountsFile() {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + L"kelvane-bench-counts.txt";
}

// Runs a counting build of the program; returns its wall time. On a desktop
// that plays the stand-in shell the folder-view calls it carried count too.
double RunCounted(DesktopFixture& fixture, const std::wstring& program, const std::vector<std::wstring>& arguments,
                  bool standIn, Counts& counts) {
    DeleteFileW(CountsFile().c_str());
    fixture.ResetCounts();
    const std::map<std::string, unsigned> callsBefore =
        standIn ? fixture.StandInCalls() : std::map<std::string, unsigned>();
    const double start = Now();
    const RunResult result = RunProcess(program, arguments, RunOptions{std::nullopt, 4 * 3600 * 1000});
    const double seconds = Now() - start;
    if (result.exitCode != 0 || result.timedOut) {
        std::fwprintf(stderr, L"the program failed: %ls\n", result.standardError.c_str());
        ExitProcess(1);
    }
    counts.operations.clear();
    for (const auto& [code, count] : fixture.MessageCounts())
        counts.operations["msg " + MessageName(code)] = count;
    if (standIn) {
        for (const auto& [call, count] : fixture.StandInCalls()) {
            const auto before = callsBefore.find(call);
            const unsigned carried = count - (before == callsBefore.end() ? 0 : before->second);
            if (carried > 0) counts.operations["fv " + call] = carried;
        }
    }
    std::ifstream file(ToUtf8(CountsFile()));
    std::string name;
    unsigned count = 0;
    counts.keepSeconds = 0;
    while (file >> name >> count) {
        if (name == "read" || name == "write") counts.operations[name] = count;
        if (name == "keep_us") counts.keepSeconds = count / 1e6;
    }
    return seconds;
}

// The fixture's process, opened as the program opens the shell's.
class FixtureProcess {
public:
    explicit FixtureProcess(HWND listView) {
        DWORD processId = 0;
        GetWindowThreadProcessId(listView, &processId);
        handle = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    }
    FixtureProcess(const FixtureProcess&) = delete;
    FixtureProcess& operator=(const FixtureProcess&) = delete;
    ~FixtureProcess() {
        for (void* block : blocks)
            VirtualFreeEx(handle, block, 0, MEM_RELEASE);
        CloseHandle(handle);
    }
    void* Allocate(SIZE_T size) {
        blocks.push_back(VirtualAllocEx(handle, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
        return blocks.back();
    }

    HANDLE handle;
    std::vector<void*> blocks;
};

// The least traffic a save needs per icon: the item request written, the item
// and its position asked for, the record, text and point read back.
double SaveFloor(DesktopFixture& fixture, int icons) {
    HWND listView = fixture.ListView();
    FixtureProcess shell(listView);
    HANDLE process = shell.handle;
    void* item = shell.Allocate(sizeof(LVITEMW));
    void* text = shell.Allocate(520);
    void* point = shell.Allocate(sizeof(POINT));
    const double start = Now();
    for (int index = 0; index < icons; ++index) {
        LVITEMW request = {};
        request.mask = LVIF_TEXT | LVIF_PARAM;
        request.iItem = index;
        request.pszText = static_cast<wchar_t*>(text);
        request.cchTextMax = 260;
        WriteProcessMemory(process, item, &request, sizeof(request), nullptr);
        SendMessageW(listView, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(item));
        SendMessageW(listView, LVM_GETITEMPOSITION, index, reinterpret_cast<LPARAM>(point));
        BYTE buffer[520];
        ReadProcessMemory(process, item, buffer, sizeof(request), nullptr);
        ReadProcessMemory(process, text, buffer, 520, nullptr);
        ReadProcessMemory(process, point, buffer, sizeof(POINT), nullptr);
    }
    return Now() - start;
}

// The least traffic placing an icon needs: its position asked for and read back,
// and one real move (a pixel to the right). Under Wine the list view repaints
// after every move, at a cost that grows with the icons the move's old and new
// spots span; the floor is measured the way its scenario runs, with or without
// the shell redrawing.
double PlaceFloor(DesktopFixture& fixture, int icons, bool shellRedraws) {
    HWND listView = fixture.ListView();
    fixture.Redraw(shellRedraws);
    FixtureProcess shell(listView);
    void* point = shell.Allocate(sizeof(POINT));
    const double start = Now();
    for (int index = 0; index < icons; ++index) {
        SendMessageW(listView, LVM_GETITEMPOSITION, index, reinterpret_cast<LPARAM>(point));
        POINT position;
        ReadProcessMemory(shell.handle, point, &position, sizeof(position), nullptr);
        SendMessageW(listView, LVM_SETITEMPOSITION, index, MAKELPARAM(position.x + 1, position.y));
    }
    const double seconds = Now() - start;
    fixture.Redraw(true);
    return seconds;
}

// Which desktop a scenario runs on.
enum class Desktop {
    Plain,         // synthetic items without ID lists
    WineShell,     // synthetic items with desktop ID lists; Wine's own shell
    StandInShell,  // the same, with the stand-in shell registered and keeping its record
};

struct Scenario {
    const char* name;
    bool restore;
    // false: the fixture holds its list view's redrawing off while the program
    // runs, which leaves the program's own cost without the shell's repainting.
    bool shellRedraws;
    // Returns how many icons it moved away from their saved places.
    int (*prepare)(DesktopFixture&, const std::vector<FixtureItem>&);
    Desktop desktop = Desktop::Plain;
};

int LeaveInPlace(DesktopFixture&, const std::vector<FixtureItem>&) { return 0; }

// Every icon onto a grid point beyond the columns the desktop fills: the stored
// spots are all free again, so the restore evicts nothing.
int ScrambleOntoFreePoints(DesktopFixture& fixture, const std::vector<FixtureItem>& saved) {
    const SIZE spacing = fixture.Spacing();
    int firstFreeColumn = 0;
    for (const FixtureItem& item : saved)
        firstFreeColumn = std::max(firstFreeColumn, static_cast<int>((item.x - 21) / spacing.cx + 1));
    const int rows = static_cast<int>((GetSystemMetrics(SM_CYSCREEN) - 12) / spacing.cy + 1);
    std::vector<FixtureItem> shuffled = saved;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    for (size_t slot = 0; slot < shuffled.size(); ++slot) {
        const int column = firstFreeColumn + static_cast<int>(slot) / rows;
        const int row = static_cast<int>(slot) % rows;
        fixture.Move(shuffled[slot].index, static_cast<int>(21 + spacing.cx * column),
                     static_cast<int>(2 + spacing.cy * row));
    }
    return static_cast<int>(saved.size());
}

// The first `count` icons trade places among their own points, so nearly every
// stored spot of theirs is covered by another icon and the restore evicts on
// almost every record.
int PermuteFirstAmongOwnPoints(DesktopFixture& fixture, const std::vector<FixtureItem>& saved, size_t count) {
    std::vector<size_t> order(count);
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(11));
    int moved = 0;
    for (size_t i = 0; i < count; ++i) {
        fixture.Move(saved[i].index, saved[order[i]].x, saved[order[i]].y);
        if (order[i] != i) ++moved;
    }
    return moved;
}

int PermuteAmongOwnPoints(DesktopFixture& fixture, const std::vector<FixtureItem>& saved) {
    return PermuteFirstAmongOwnPoints(fixture, saved, saved.size());
}

// The full desktop holds each grid point's icon twice, the covering icons first:
// only they trade places, and the twins keep every point covered.
int PermuteCoveringIcons(DesktopFixture& fixture, const std::vector<FixtureItem>& saved) {
    return PermuteFirstAmongOwnPoints(fixture, saved, saved.size() / 2);
}

struct Result {
    const Scenario* scenario;
    std::string name;  // the scenario's, marked when the baseline program ran it
    int icons;
    int moved;            // icons away from their saved places before the run
    double seconds;       // median wall time of the program
    double floorSeconds;  // median of the bare loop over the same icons
    Counts counts;
    double keepSeconds;  // median of the restores' keeps for undo
};

const Scenario kScenarios[] = {
    {"save", false, true, LeaveInPlace},
    {"restore, all in place", true, true, LeaveInPlace},
    {"restore, scrambled onto free points", true, true, ScrambleOntoFreePoints},
    {"restore, permuted among own points", true, true, PermuteAmongOwnPoints},
    {"restore, scrambled onto free points, shell not redrawing", true, false, ScrambleOntoFreePoints},
    {"restore, permuted among own points, shell not redrawing", true, false, PermuteAmongOwnPoints},
};

// Run on the same icons once they carry ID lists (IdListDesktop).
const Scenario kIdListScenarios[] = {
    {"restore, all in place, ID lists, Wine shell refusing", true, true, LeaveInPlace, Desktop::WineShell},
    {"restore, all in place, ID lists, committed to the stand-in shell", true, true, LeaveInPlace,
     Desktop::StandInShell},
    {"restore, permuted among own points, shell not redrawing, ID lists, Wine shell refusing", true, false,
     PermuteAmongOwnPoints, Desktop::WineShell},
    {"restore, permuted among own points, shell not redrawing, ID lists, committed to the stand-in shell", true, false,
     PermuteAmongOwnPoints, Desktop::StandInShell},
};

// The icons of a plain desktop, standing where they stand, carrying the ID
// lists of as many files on the desktop: the stand-in shell's desktop.
class IdListDesktop {
public:
    IdListDesktop(const std::wstring& fixturePath, const std::vector<FixtureItem>& grid) : files_(FileNames(grid)) {
        const std::vector<std::wstring> names = FileNames(grid);
        std::string lines;
        for (size_t i = 0; i < grid.size(); ++i) {
            lines += ToUtf8(grid[i].text + L"\t" + std::to_wstring(grid[i].x) + L"\t" + std::to_wstring(grid[i].y) +
                            L"\tdesktop:" + names[i]) +
                     "\n";
        }
        itemsFile_ = CountsFile() + L".items";
        std::ofstream(ToUtf8(itemsFile_)) << lines;
        fixture = std::make_unique<DesktopFixture>(
            fixturePath, std::vector<std::wstring>{L"--synthetic", itemsFile_, L"--stand-in"});
    }
    ~IdListDesktop() {
        fixture.reset();
        DeleteFileW(itemsFile_.c_str());
    }
    IdListDesktop(const IdListDesktop&) = delete;
    IdListDesktop& operator=(const IdListDesktop&) = delete;

    std::unique_ptr<DesktopFixture> fixture;

private:
    static std::vector<std::wstring> FileNames(const std::vector<FixtureItem>& grid) {
        std::vector<std::wstring> names;
        for (size_t i = 0; i < grid.size(); ++i)
            names.push_back(L"bench " + std::to_wstring(100000 + i) + L".txt");
        return names;
    }

    DesktopFiles files_;
    std::wstring itemsFile_;
};

const Scenario kFullDesktopScenarios[] = {
    {"save, full desktop", false, true, LeaveInPlace},
    {"restore, full desktop, permuted among own points, shell not redrawing", true, false, PermuteCoveringIcons},
};

std::vector<int> ParseSizes(const std::wstring& text) {
    std::vector<int> sizes;
    std::wstringstream stream(text);
    for (std::wstring size; std::getline(stream, size, L',');)
        sizes.push_back(std::stoi(size));
    return sizes;
}

void WriteReport(const std::vector<Result>& results, const std::wstring& prefix) {
    std::ofstream table(ToUtf8(prefix) + ".md");
    std::ofstream csv(ToUtf8(prefix) + ".csv");
    csv << "scenario,icons,seconds,ms_per_icon,floor_ms_per_icon,ratio_to_floor,keep_seconds,calls_per_moved_icon\n";
    table
        << "| scenario | icons | wall time (s, median) | ms per icon | floor ms per icon | ratio to floor "
           "| keep for undo (s, share of the wall time) | cross-process operations per icon | calls per moved icon |\n"
           "|---|---:|---:|---:|---:|---:|---:|---|---:|\n";
    for (const Result& r : results) {
        const double perIcon = 1000 * r.seconds / r.icons;
        const double floorPerIcon = 1000 * r.floorSeconds / r.icons;
        std::ostringstream operations;
        unsigned calls = 0;
        for (const auto& [name, count] : r.counts.operations) {
            char value[64];
            std::snprintf(value, sizeof value, "%s %.2f; ", name.c_str(), static_cast<double>(count) / r.icons);
            operations << value;
            calls += count;
        }
        char keep[64] = "";
        if (r.scenario->restore) {
            std::snprintf(keep, sizeof keep, "%.3f (%.0f%%)", r.keepSeconds, 100 * r.keepSeconds / r.seconds);
        }
        // Every read, write and message, over the icons the run had to move back.
        char perMoved[32] = "-";
        if (r.moved > 0) std::snprintf(perMoved, sizeof perMoved, "%.1f", static_cast<double>(calls) / r.moved);
        char line[768];
        std::snprintf(line, sizeof line, "| %s | %d | %.3f | %.3f | %.3f | %.2f | %s | %s | %s |\n", r.name.c_str(),
                      r.icons, r.seconds, perIcon, floorPerIcon, perIcon / floorPerIcon, keep, operations.str().c_str(),
                      perMoved);
        table << line;
        std::snprintf(line, sizeof line, "\"%s\",%d,%.4f,%.4f,%.4f,%.3f,%.4f,%s\n", r.name.c_str(), r.icons, r.seconds,
                      perIcon, floorPerIcon, perIcon / floorPerIcon, r.keepSeconds, perMoved);
        csv << line;
        std::fputs(line, stdout);
    }
}

// The grid points the program's free-spot scan walks on this work area, column
// by column, for a spacing of `cell`.
std::vector<POINT> WorkAreaGrid(int cell) {
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    std::vector<POINT> points;
    for (int x = 21; x < area.right - 10; x += cell) {
        for (int y = 2; y < area.bottom - 10; y += cell)
            points.push_back({x, y});
    }
    return points;
}

// A desktop with an icon on every grid point of the work area and a twin on
// each: "Icon N" first, then "Twin N".
std::wstring FullDesktopItems(const ScratchFolder& folder) {
    const std::vector<POINT> grid = WorkAreaGrid(75);
    std::wstring lines;
    for (const wchar_t* name : {L"Icon ", L"Twin "}) {
        for (size_t i = 0; i < grid.size(); ++i) {
            lines += name + std::to_wstring(i + 1) + L"\t" + std::to_wstring(grid[i].x) + L"\t" +
                     std::to_wstring(grid[i].y) + L"\tnone\n";
        }
    }
    folder.WriteTextFile(L"full-desktop.txt", lines);
    return folder.PathOf(L"full-desktop.txt");
}

struct Program {
    std::wstring path;
    const char* mark;  // appended to the scenario's name in the report
};

// Runs each scenario with each program on one desktop, then the floors; false
// when a restore left an icon elsewhere than the layout says.
bool MeasureDesktop(DesktopFixture& fixture, const Scenario* scenarios, size_t scenarioCount,
                    const std::vector<Program>& programs, int runs, std::vector<Result>& results) {
    const std::wstring standInServer = CurrentExeDirectory() + L"\\..\\tests\\shell_stand_in.dll";
    const std::vector<FixtureItem> saved = fixture.Items();
    const int icons = static_cast<int>(saved.size());
    std::vector<Result> desktopResults;
    for (size_t which = 0; which < scenarioCount; ++which) {
        const Scenario& scenario = scenarios[which];
        const bool standIn = scenario.desktop == Desktop::StandInShell;
        std::unique_ptr<StandInRegistration> redirect;
        if (standIn) redirect = std::make_unique<StandInRegistration>(standInServer);
        for (const Program& program : programs) {
            std::vector<double> times;
            std::vector<double> keeps;
            Counts counts;
            int moved = 0;
            for (int run = 0; run < runs; ++run) {
                // The preparation's own moves are not repainted one by one.
                fixture.Redraw(false);
                moved = scenario.prepare(fixture, saved);
                const std::vector<std::wstring> arguments = {scenario.restore ? L"restore" : L"save", L"/y", L"/n",
                                                             L"Bench"};
                fixture.Redraw(scenario.shellRedraws);
                times.push_back(
                    RunCounted(fixture, program.path, arguments, scenario.desktop != Desktop::Plain, counts));
                keeps.push_back(counts.keepSeconds);
                fixture.Redraw(true);
            }
            const std::string name = std::string(scenario.name) + program.mark;
            // Every restore must leave each icon where the layout says, and the
            // stand-in shell's record must agree after its refresh.
            if (scenario.restore) {
                if (standIn) fixture.Refresh();
                const auto now = fixture.Items();
                for (size_t i = 0; i < saved.size(); ++i) {
                    if (now[i].x != saved[i].x || now[i].y != saved[i].y) {
                        std::fprintf(stderr, "%s: icon %zu not restored\n", name.c_str(), i);
                        return false;
                    }
                }
            }
            desktopResults.push_back({&scenario, name, icons, moved, Median(times), 0, counts, Median(keeps)});
            std::fprintf(stderr, "%s, %d icons: %.3f s\n", name.c_str(), icons, Median(times));
        }
    }
    // The floors last: the placement floor moves every icon.
    std::vector<double> saveFloors;
    std::vector<double> placeFloors;
    std::vector<double> quietPlaceFloors;
    for (int run = 0; run < runs; ++run) {
        saveFloors.push_back(SaveFloor(fixture, icons));
        placeFloors.push_back(PlaceFloor(fixture, icons, true));
        quietPlaceFloors.push_back(PlaceFloor(fixture, icons, false));
    }
    for (Result& result : desktopResults) {
        const Scenario& scenario = *result.scenario;
        result.floorSeconds = Median(!scenario.restore       ? saveFloors
                                     : scenario.shellRedraws ? placeFloors
                                                             : quietPlaceFloors);
        results.push_back(result);
    }
    return true;
}

// The watcher, `watch /s 5 /w 1`, on a desktop whose layout is stored: its cost
// over a minute in which nothing moves (the list-view messages the fixture
// received, the reads and writes it made in the shell, its CPU time, start
// and stop included), then, in
// a second watcher, the time from one icon's move to the line of its save. One
// row per size.
bool MeasureWatcher(const std::wstring& fixturePath, const std::wstring& program, const std::vector<int>& sizes,
                    const std::wstring& prefix) {
    std::ofstream table(ToUtf8(prefix) + ".md");
    table << "| icons | list-view messages per minute | reads and writes per minute | CPU time (s per minute) "
             "| last move to the save (s) |\n|---:|---|---:|---:|---:|\n";
    for (int icons : sizes) {
        DeleteRegistryTree(L"Software\\Brenlow");
        DesktopFixture fixture(fixturePath, {L"--synthetic-count", std::to_wstring(icons)});
        RunProcess(program, {L"save", L"/y"});
        const std::vector<std::wstring> watch = {L"watch", L"/s", L"5", L"/w", L"1"};
        // Stopped by the plain program, whose end would write counts of its own.
        const std::wstring stopper = CurrentExeDirectory() + L"\\..\\Kelvane64.exe";
        const auto waitForWindow = [] {
            while (FindWindowW(L"KelvaneWatcher", nullptr) == nullptr)
                Sleep(100);
        };
        {
            DeleteFileW(CountsFile().c_str());
            StartedProcess idle(program, watch, {std::nullopt, 3600 * 1000});
            waitForWindow();
            fixture.ResetCounts();
            Sleep(60000);
            RunProcess(stopper, {L"watch", L"/stop"});
            idle.Finish();
        }
        std::ostringstream messages;
        for (const auto& [code, count] : fixture.MessageCounts())
            messages << MessageName(code) << " " << count << "; ";
        std::ifstream file(ToUtf8(CountsFile()));
        std::string name;
        unsigned count = 0;
        unsigned operations = 0;
        double cpu = 0;
        while (file >> name >> count) {
            if (name == "read" || name == "write") operations += count;
            if (name == "cpu_us") cpu = count / 1e6;
        }
        // A second watcher: the time from a move to its save.
        StartedProcess saving(program, watch, {std::nullopt, 3600 * 1000});
        waitForWindow();
        fixture.Move(0, 600, 400);
        const double moved = Now();
        while (saving.OutputSoFar().find(L"Desktop Saved") == std::wstring::npos && Now() - moved < 600)
            Sleep(50);
        const double toSave = Now() - moved;
        RunProcess(stopper, {L"watch", L"/stop"});
        if (saving.Finish().standardOutput.find(L"Desktop Saved") == std::wstring::npos) {
            std::fprintf(stderr, "the watcher did not save, %d icons\n", icons);
            return false;
        }
        char line[512];
        std::snprintf(line, sizeof line, "| %d | %s | %u | %.3f | %.1f |\n", icons, messages.str().c_str(), operations,
                      cpu, toSave);
        table << line;
        std::fputs(line, stdout);
    }
    DeleteRegistryTree(L"Software\\Brenlow");
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<int> sizes = {100, 500, 2000};
    int runs = 3;
    int largeFrom = 500;
    std::wstring prefix = L"benchmark";
    bool fullDesktop = false;
    bool watcher = false;
    std::vector<Program> programs = {{CurrentExeDirectory() + L"\\Kelvane64-counting.exe", ""}};
    for (int i = 1; i < argc; ++i) {
        const std::wstring option = argv[i];
        if (option == L"--full-desktop") {
            fullDesktop = true;
            continue;
        }
        if (option == L"--watcher") {
            watcher = true;
            continue;
        }
        if (i + 1 == argc) break;
        const std::wstring value = argv[++i];
        if (option == L"--sizes") sizes = ParseSizes(value);
        if (option == L"--runs") runs = std::stoi(value);
        if (option == L"--one-run-above") largeFrom = std::stoi(value);
        if (option == L"--out") prefix = value;
        if (option == L"--baseline") programs.push_back({value, " [baseline]"});
    }
    SetEnvironmentVariableW(L"KELVANE_COUNTS_FILE", CountsFile().c_str());
    const std::wstring fixturePath = CurrentExeDirectory() + L"\\..\\tests\\desktop_fixture.exe";

    if (watcher) {
        return MeasureWatcher(fixturePath, programs.front().path, {100, 1000}, prefix) ? 0 : 3;
    }
    std::vector<Result> results;
    if (fullDesktop) {
        DeleteRegistryTree(L"Software\\Brenlow");
        ScratchFolder folder(ScratchLocation::Temp, {});
        DesktopFixture fixture(fixturePath, {L"--synthetic", FullDesktopItems(folder)});
        if (fixture.Spacing().cx != 75 || fixture.Spacing().cy != 75) {
            std::fprintf(stderr, "the list view's spacing is not the 75 x 75 the grid was laid out for\n");
            return 3;
        }
        // A run of the program before the full-desktop scan took minutes.
        if (!MeasureDesktop(fixture, kFullDesktopScenarios, std::size(kFullDesktopScenarios), programs, 1, results))
            return 3;
    } else {
        for (int icons : sizes) {
            // Restores that move icons take minutes at thousands of icons under Wine.
            const int runsHere = icons > largeFrom ? 1 : runs;
            std::vector<FixtureItem> grid;
            {
                DeleteRegistryTree(L"Software\\Brenlow");
                DesktopFixture fixture(fixturePath, {L"--synthetic-count", std::to_wstring(icons)});
                if (!MeasureDesktop(fixture, kScenarios, std::size(kScenarios), programs, runsHere, results)) return 3;
                grid = fixture.Items();
            }
            DeleteRegistryTree(L"Software\\Brenlow");
            IdListDesktop idListDesktop(fixturePath, grid);
            RunProcess(programs.front().path, {L"save", L"/y", L"/n", L"Bench"});
            if (!MeasureDesktop(*idListDesktop.fixture, kIdListScenarios, std::size(kIdListScenarios), programs,
                                runsHere, results))
                return 3;
        }
    }
    WriteReport(results, prefix);
    DeleteRegistryTree(L"Software\\Brenlow");
    return 0;
}
