// Times save and restore against synthetic desktops of growing size, counts their
// cross-process operations where they happen (list-view messages as the fixture
// receives them, memory reads and writes at the program's shell platform), and
// sets each scenario against its floor: a bare loop of the least traffic the
// scenario needs, the walk over every icon and a move of each icon it has to put
// back. Scenario and floor are measured interleaved, round by round (floor,
// scenario, the baseline program's run of the scenario), so that both meet the
// same load of a machine that does other work meanwhile; each row gives both
// medians and their spreads. The restores that move icons run twice: as Wine
// shows them, and with the fixture holding its list view's redrawing off. The
// program locks the list view's window updates while it moves icons, which on
// Windows leaves the list view's painting nothing to draw on; Wine's
// LockWindowUpdate only records the window, so there the list view repaints
// after each move, and that repainting, not the program's traffic, grows with
// the desktop. Last, the restores run on a desktop whose icons carry ID lists,
// once as under Wine's own shell (whose folder view refuses, so the list view
// alone is used) and once with the stand-in shell registered, which takes the
// positions into its own record as Windows 10 1809 and later do: the
// folder-view calls (fv ...) and the added list-view reads of the calibration
// and the commit show beside the list-view traffic. The goals set restores
// against a save of the same desktop measured in the same rounds.
//
// With --watcher it measures instead the watcher on an idle desktop of 100 and
// of 1000 icons, and the time from a move to its save.
//
// With --full-desktop it measures instead a restore on a desktop whose every
// grid point (of the work area, as the program walks it) is covered twice, so
// that no evicted icon can ever find a free point: the case where each eviction
// cost a walk over the whole grid.
//
// benchmark.exe [--sizes 100,500,2000] [--runs 5] [--one-run-above 500] [--out <file prefix>]
//               [--goals-before <goals csv of an earlier run>]
//               [--full-desktop | --watcher] [--baseline <counting program of another build>]
// (--runs rounds of every scenario the goals use, at every size, and of the
// others up to --one-run-above icons; above it the others run once, as their
// restores take minutes; a baseline program runs every scenario a second time
// in each round, for a before and after) writes <prefix>.md (the table) and
// <prefix>.csv (for the plot), and for the sizes the goals' table and csv,
// <prefix>-goals.md and <prefix>-goals.csv, the earlier run's ratios beside.

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
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
    double walkSeconds = 0;                      // a restore's one walk over the desktop
};

// The median of a scenario's or a floor's rounds, with the least and the greatest.
struct Spread {
    double median = 0;
    double least = 0;
    double greatest = 0;
};

Spread SpreadOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.front(), values.back()};
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
    counts.walkSeconds = 0;
    while (file >> name >> count) {
        if (name == "read" || name == "write") counts.operations[name] = count;
        if (name == "walk_us") counts.walkSeconds = count / 1e6;
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

// Returns once the list view has painted what a preparation left invalid, so
// that no repaint of the whole view falls into the timing that follows: for
// another thread's window UpdateWindow sends the WM_PAINT and waits for it, and
// WM_NULL waits out a paint already begun.
void FinishPainting(HWND listView) {
    UpdateWindow(listView);
    SendMessageW(listView, WM_NULL, 0, 0);
}

// The floor of a scenario, the least traffic it needs, timed: the walk a save
// makes (each icon's item request written, the item and its position asked for,
// the record, text and point read back), then one real move, a pixel to the
// right, of each icon the scenario has moved away. Under Wine the list view
// repaints after every move, at a cost that grows with the icons the move's old
// and new spots span, so the moves run the way the scenario runs, with or
// without the shell redrawing. Afterwards the moved icons go back unseen, and
// the list view is left with its redrawing off.
double MeasureFloor(DesktopFixture& fixture, int icons, const std::vector<int>& moving, bool shellRedraws) {
    HWND listView = fixture.ListView();
    FixtureProcess shell(listView);
    HANDLE process = shell.handle;
    void* item = shell.Allocate(sizeof(LVITEMW));
    void* text = shell.Allocate(520);
    void* point = shell.Allocate(sizeof(POINT));
    std::vector<POINT> positions(static_cast<size_t>(icons));
    fixture.Redraw(shellRedraws);
    FinishPainting(listView);
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
        ReadProcessMemory(process, point, &positions[index], sizeof(POINT), nullptr);
    }
    for (int index : moving) {
        SendMessageW(listView, LVM_SETITEMPOSITION, index, MAKELPARAM(positions[index].x + 1, positions[index].y));
    }
    const double seconds = Now() - start;
    fixture.Redraw(false);
    for (int index : moving)
        SendMessageW(listView, LVM_SETITEMPOSITION, index, MAKELPARAM(positions[index].x, positions[index].y));
    return seconds;
}

// Which desktop a scenario runs on.
enum class Desktop {
    Plain,         // synthetic items without ID lists
    WineShell,     // synthetic items with desktop ID lists; Wine's own shell
    StandInShell,  // the same, with the stand-in shell registered and keeping its record
};

// Where a scenario's preparation puts icons before each run: every icon it
// moves away from its saved place, with the point it moves to.
using Arrangement = std::vector<FixtureItem>;

struct Scenario {
    const char* name;
    bool restore;
    // false: the fixture holds its list view's redrawing off while the program
    // runs, which leaves the program's own cost without the shell's repainting.
    bool shellRedraws;
    Arrangement (*arrange)(DesktopFixture&, const std::vector<FixtureItem>&);
    Desktop desktop = Desktop::Plain;
    // A goal sets it against a save: it runs every round at every size.
    bool goal = false;
};

Arrangement LeaveInPlace(DesktopFixture&, const std::vector<FixtureItem>&) { return {}; }

// Every icon onto a grid point beyond the columns the desktop fills: the stored
// spots are all free again, so the restore evicts nothing.
Arrangement ScrambleOntoFreePoints(DesktopFixture& fixture, const std::vector<FixtureItem>& saved) {
    const SIZE spacing = fixture.Spacing();
    int firstFreeColumn = 0;
    for (const FixtureItem& item : saved)
        firstFreeColumn = std::max(firstFreeColumn, static_cast<int>((item.x - 21) / spacing.cx + 1));
    const int rows = static_cast<int>((GetSystemMetrics(SM_CYSCREEN) - 12) / spacing.cy + 1);
    Arrangement shuffled = saved;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    for (size_t slot = 0; slot < shuffled.size(); ++slot) {
        const int column = firstFreeColumn + static_cast<int>(slot) / rows;
        const int row = static_cast<int>(slot) % rows;
        shuffled[slot].x = static_cast<int>(21 + spacing.cx * column);
        shuffled[slot].y = static_cast<int>(2 + spacing.cy * row);
    }
    return shuffled;
}

// The first `count` icons trade places among their own points, so nearly every
// stored spot of theirs is covered by another icon and the restore evicts on
// almost every record.
Arrangement PermuteFirstAmongOwnPoints(const std::vector<FixtureItem>& saved, size_t count) {
    std::vector<size_t> order(count);
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(11));
    Arrangement moves;
    for (size_t i = 0; i < count; ++i) {
        if (order[i] != i) moves.push_back({saved[i].index, saved[order[i]].x, saved[order[i]].y, saved[i].text});
    }
    return moves;
}

Arrangement PermuteAmongOwnPoints(DesktopFixture&, const std::vector<FixtureItem>& saved) {
    return PermuteFirstAmongOwnPoints(saved, saved.size());
}

// The full desktop holds each grid point's icon twice, the covering icons first:
// only they trade places, and the twins keep every point covered.
Arrangement PermuteCoveringIcons(DesktopFixture&, const std::vector<FixtureItem>& saved) {
    return PermuteFirstAmongOwnPoints(saved, saved.size() / 2);
}

struct Program {
    std::wstring path;
    const char* mark;  // appended to the scenario's name in the report
};

struct Result {
    std::string name;  // the scenario's, marked when the baseline program ran it
    bool restore;
    int icons;
    int moved;                    // icons away from their saved places before each run
    std::vector<double> seconds;  // the program's wall time, one a round
    std::vector<double> floors;   // the floor measured right before it in the same round
    std::vector<double> walks;    // the restore's walk, one a round
    Counts counts;                // of the last round
};

// The scenarios the goals set against each other.
const char kSave[] = "save";
const char kInPlace[] = "restore, all in place";
const char kScrambledQuiet[] = "restore, scrambled onto free points, shell not redrawing";
const char kIdListSave[] = "save, ID lists";
const char kScrambledRefused[] =
    "restore, scrambled onto free points, shell not redrawing, ID lists, Wine shell refusing";
const char kScrambledCommitted[] =
    "restore, scrambled onto free points, shell not redrawing, ID lists, committed to the stand-in shell";

// Each desktop's save comes first in every round: the restores restore what it
// stored.
const Scenario kScenarios[] = {
    {kSave, false, true, LeaveInPlace, Desktop::Plain, true},
    {kInPlace, true, true, LeaveInPlace, Desktop::Plain, true},
    {"restore, scrambled onto free points", true, true, ScrambleOntoFreePoints},
    {"restore, permuted among own points", true, true, PermuteAmongOwnPoints},
    {kScrambledQuiet, true, false, ScrambleOntoFreePoints, Desktop::Plain, true},
    {"restore, permuted among own points, shell not redrawing", true, false, PermuteAmongOwnPoints},
};

// Run on the same icons once they carry ID lists (IdListDesktop). The fixture's
// moves keep the stand-in shell's record, a restore refused by Wine's shell
// does not: each committed restore follows its refused twin, whose preparation
// it repeats, so that the record again matches the list view before it runs.
const Scenario kIdListScenarios[] = {
    {kIdListSave, false, true, LeaveInPlace, Desktop::WineShell, true},
    {"restore, all in place, ID lists, Wine shell refusing", true, true, LeaveInPlace, Desktop::WineShell},
    {"restore, all in place, ID lists, committed to the stand-in shell", true, true, LeaveInPlace,
     Desktop::StandInShell},
    {kScrambledRefused, true, false, ScrambleOntoFreePoints, Desktop::WineShell, true},
    {kScrambledCommitted, true, false, ScrambleOntoFreePoints, Desktop::StandInShell, true},
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

// "median (least to greatest)", with the precision given.
std::string SpreadText(const Spread& spread, int digits) {
    char text[96];
    std::snprintf(text, sizeof text, "%.*f (%.*f to %.*f)", digits, spread.median, digits, spread.least, digits,
                  spread.greatest);
    return text;
}

void WriteReport(const std::vector<Result>& results, const std::wstring& prefix) {
    std::ofstream table(ToUtf8(prefix) + ".md");
    std::ofstream csv(ToUtf8(prefix) + ".csv");
    csv << "scenario,icons,runs,seconds,seconds_least,seconds_greatest,floor_seconds,floor_least,floor_greatest,"
           "ms_per_icon,floor_ms_per_icon,ratio_to_floor,walk_seconds,calls_per_moved_icon\n";
    table << "| scenario | icons | runs | wall time (s): median (least to greatest) "
             "| floor (s): median (least to greatest) | ms per icon | floor ms per icon | ratio to floor "
             "| the walk over the desktop (s, share of the wall time) | cross-process operations per icon | calls per "
             "moved icon |\n"
             "|---|---:|---:|---:|---:|---:|---:|---:|---:|---|---:|\n";
    for (const Result& r : results) {
        const Spread seconds = SpreadOf(r.seconds);
        const Spread floor = SpreadOf(r.floors);
        const double walk = SpreadOf(r.walks).median;
        const double perIcon = 1000 * seconds.median / r.icons;
        const double floorPerIcon = 1000 * floor.median / r.icons;
        if (perIcon < floorPerIcon)
            std::fprintf(stderr, "%s, %d icons: faster than its floor, a fault of the measurement\n", r.name.c_str(),
                         r.icons);
        std::ostringstream operations;
        unsigned calls = 0;
        for (const auto& [name, count] : r.counts.operations) {
            char value[64];
            std::snprintf(value, sizeof value, "%s %.2f; ", name.c_str(), static_cast<double>(count) / r.icons);
            operations << value;
            calls += count;
        }
        char walkText[64] = "";
        if (r.restore) std::snprintf(walkText, sizeof walkText, "%.3f (%.0f%%)", walk, 100 * walk / seconds.median);
        // Every read, write and message, over the icons the run had to move back.
        char perMoved[32] = "-";
        if (r.moved > 0) std::snprintf(perMoved, sizeof perMoved, "%.1f", static_cast<double>(calls) / r.moved);
        char line[1024];
        std::snprintf(line, sizeof line, "| %s | %d | %zu | %s | %s | %.3f | %.3f | %.2f | %s | %s | %s |\n",
                      r.name.c_str(), r.icons, r.seconds.size(), SpreadText(seconds, 3).c_str(),
                      SpreadText(floor, 3).c_str(), perIcon, floorPerIcon, perIcon / floorPerIcon, walkText,
                      operations.str().c_str(), perMoved);
        table << line;
        std::snprintf(line, sizeof line, "\"%s\",%d,%zu,%.4f,%.4f,%.4f,%.4f,%.4f,%.4f,%.4f,%.4f,%.3f,%.4f,%s\n",
                      r.name.c_str(), r.icons, r.seconds.size(), seconds.median, seconds.least, seconds.greatest,
                      floor.median, floor.least, floor.greatest, perIcon, floorPerIcon, perIcon / floorPerIcon, walk,
                      perMoved);
        csv << line;
        std::fputs(line, stdout);
    }
}

// A goal sets a restore against a save of the same desktop measured in the same
// rounds: the restore's median over the save's, or, with `without`, the
// difference of the two restores' medians over the save's.
struct Goal {
    const char* name;
    const char* restore;
    const char* without;  // null, or the restore subtracted
    const char* save;
    double limit;
};

const Goal kGoals[] = {
    {"restore, all in place / save", kInPlace, nullptr, kSave, 1.3},
    {"restore, scrambled onto free points, shell not redrawing / save", kScrambledQuiet, nullptr, kSave, 2},
    {"scrambled restore with ID lists: (committed to the stand-in shell - Wine shell refusing) / save",
     kScrambledCommitted, kScrambledRefused, kIdListSave, 0.2},
};

// Where a goal stands at one size: the ratio of the medians, and the least and
// greatest of the ratios each round gave.
struct Standing {
    Spread ratio;
    double limit = 0;
};
using Standings = std::map<std::pair<std::string, int>, Standing>;  // by goal and icons

struct GoalRow {
    std::string goal;  // marked when the baseline program ran its scenarios
    int icons;
    Standing standing;
};

const Result* FindResult(const std::vector<Result>& results, const std::string& name, int icons) {
    for (const Result& result : results) {
        if (result.name == name && result.icons == icons) return &result;
    }
    return nullptr;
}

// Every goal with every program at every size, as far as their scenarios ran.
std::vector<GoalRow> GoalRows(const std::vector<Result>& results, const std::vector<Program>& programs,
                              const std::vector<int>& sizes) {
    std::vector<GoalRow> rows;
    for (const Goal& goal : kGoals) {
        for (const Program& program : programs) {
            for (int icons : sizes) {
                const std::string mark = program.mark;
                const Result* restore = FindResult(results, goal.restore + mark, icons);
                const Result* save = FindResult(results, goal.save + mark, icons);
                const Result* without = goal.without ? FindResult(results, goal.without + mark, icons) : nullptr;
                if (!restore || !save || (goal.without && !without)) continue;
                std::vector<double> ratios;
                for (size_t round = 0; round < std::min(restore->seconds.size(), save->seconds.size()); ++round) {
                    const double subtracted = without ? without->seconds.at(round) : 0;
                    ratios.push_back((restore->seconds[round] - subtracted) / save->seconds[round]);
                }
                Spread ratio = SpreadOf(ratios);
                const double subtracted = without ? SpreadOf(without->seconds).median : 0;
                ratio.median = (SpreadOf(restore->seconds).median - subtracted) / SpreadOf(save->seconds).median;
                rows.push_back({goal.name + mark, icons, {ratio, goal.limit}});
            }
        }
    }
    return rows;
}

// Reads the goals csv an earlier run wrote; false when it cannot.
bool ReadStandings(const std::wstring& path, Standings& standings) {
    std::ifstream file(ToUtf8(path));
    std::string line;
    if (!std::getline(file, line)) return false;
    while (std::getline(file, line)) {
        const size_t close = line.find('"', 1);
        Standing standing;
        int icons = 0;
        if (line.empty() || line[0] != '"' || close == std::string::npos ||
            std::sscanf(line.c_str() + close + 1, ",%d,%lf,%lf,%lf,%lf", &icons, &standing.limit,
                        &standing.ratio.median, &standing.ratio.least, &standing.ratio.greatest) != 5)
            return false;
        standings[{line.substr(1, close - 1), icons}] = standing;
    }
    return true;
}

const char* Met(const Standing& standing) { return standing.ratio.median <= standing.limit ? "yes" : "no"; }

// The goals' table, with the earlier run's standings as "before" when there are
// any, and their csv.
void WriteGoals(const std::vector<GoalRow>& rows, const Standings& before, const std::wstring& prefix) {
    std::ofstream table(ToUtf8(prefix) + "-goals.md");
    std::ofstream csv(ToUtf8(prefix) + "-goals.csv");
    csv << "goal,icons,limit,ratio,ratio_least,ratio_greatest,met\n";
    if (before.empty()) {
        table << "| goal | icons | limit | ratio: median (least to greatest round) | met |\n|---|---:|---:|---:|---|\n";
    } else {
        table << "| goal | icons | limit | before: median (least to greatest round) | met before "
                 "| after: median (least to greatest round) | met after |\n|---|---:|---:|---:|---|---:|---|\n";
    }
    for (const auto& [goal, icons, standing] : rows) {
        char line[768];
        std::snprintf(line, sizeof line, "\"%s\",%d,%.2f,%.3f,%.3f,%.3f,%s\n", goal.c_str(), icons, standing.limit,
                      standing.ratio.median, standing.ratio.least, standing.ratio.greatest, Met(standing));
        csv << line;
        std::fputs(line, stdout);
        const std::string after = SpreadText(standing.ratio, 2) + " | " + Met(standing);
        const auto earlier = before.find({goal, icons});
        const std::string was =
            earlier == before.end() ? "- | -" : SpreadText(earlier->second.ratio, 2) + " | " + Met(earlier->second);
        table << "| " << goal << " | " << icons << " | " << standing.limit << " | "
              << (before.empty() ? after : was + " | " + after) << " |\n";
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

// Whether every icon stands where the layout says, in the stand-in shell's
// record too (the refresh puts each icon where that record has it).
bool RestoredAsSaved(DesktopFixture& fixture, const std::vector<FixtureItem>& saved, bool standIn,
                     const std::string& name) {
    if (standIn) fixture.Refresh();
    const auto now = fixture.Items();
    for (size_t i = 0; i < saved.size(); ++i) {
        if (now[i].x != saved[i].x || now[i].y != saved[i].y) {
            std::fprintf(stderr, "%s: icon %zu not restored\n", name.c_str(), i);
            return false;
        }
    }
    return true;
}

// Measures the scenarios on one desktop in rounds: in each, every scenario with
// rounds left has its floor measured, then runs with each program, so that a
// scenario and its floor meet the machine's load of the same moment. False when
// a restore left an icon elsewhere than the layout says.
bool MeasureDesktop(DesktopFixture& fixture, const Scenario* scenarios, size_t scenarioCount,
                    const std::vector<Program>& programs, const std::function<int(const Scenario&)>& roundsOf,
                    std::vector<Result>& results) {
    const std::wstring standInServer = CurrentExeDirectory() + L"\\..\\tests\\shell_stand_in.dll";
    const std::vector<FixtureItem> saved = fixture.Items();
    const int icons = static_cast<int>(saved.size());
    std::vector<Arrangement> arrangements;
    const size_t first = results.size();  // this desktop's: a row per scenario and program
    int rounds = 0;
    for (size_t which = 0; which < scenarioCount; ++which) {
        const Scenario& scenario = scenarios[which];
        arrangements.push_back(scenario.arrange(fixture, saved));
        for (const Program& program : programs) {
            results.push_back({std::string(scenario.name) + program.mark,
                               scenario.restore,
                               icons,
                               static_cast<int>(arrangements.back().size()),
                               {},
                               {},
                               {},
                               {}});
        }
        rounds = std::max(rounds, roundsOf(scenario));
    }
    const std::vector<std::wstring> save = {L"save", L"/y", L"/n", L"Bench"};
    const std::vector<std::wstring> restore = {L"restore", L"/y", L"/n", L"Bench"};
    for (int round = 0; round < rounds; ++round) {
        for (size_t which = 0; which < scenarioCount; ++which) {
            const Scenario& scenario = scenarios[which];
            if (round >= roundsOf(scenario)) continue;
            const Arrangement& arrangement = arrangements[which];
            std::vector<int> moving;
            for (const FixtureItem& item : arrangement)
                moving.push_back(item.index);
            const double floor = MeasureFloor(fixture, icons, moving, scenario.shellRedraws);
            const bool standIn = scenario.desktop == Desktop::StandInShell;
            std::unique_ptr<StandInRegistration> redirect;
            if (standIn) redirect = std::make_unique<StandInRegistration>(standInServer);
            for (size_t program = 0; program < programs.size(); ++program) {
                Result& result = results[first + which * programs.size() + program];
                // The preparation's own moves are not repainted one by one.
                fixture.Redraw(false);
                for (const FixtureItem& item : arrangement)
                    fixture.Move(item.index, item.x, item.y);
                fixture.Redraw(scenario.shellRedraws);
                FinishPainting(fixture.ListView());
                result.seconds.push_back(RunCounted(fixture, programs[program].path, scenario.restore ? restore : save,
                                                    scenario.desktop != Desktop::Plain, result.counts));
                result.floors.push_back(floor);
                result.walks.push_back(result.counts.walkSeconds);
                fixture.Redraw(true);
                if (scenario.restore && !RestoredAsSaved(fixture, saved, standIn, result.name)) return false;
                std::fprintf(stderr, "%s, %d icons, round %d: %.3f s, floor %.3f s\n", result.name.c_str(), icons,
                             round + 1, result.seconds.back(), floor);
            }
        }
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
    int runs = 5;
    int largeFrom = 500;
    std::wstring goalsBefore;
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
        if (option == L"--goals-before") goalsBefore = value;
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
        const auto once = [](const Scenario&) { return 1; };
        if (!MeasureDesktop(fixture, kFullDesktopScenarios, std::size(kFullDesktopScenarios), programs, once, results))
            return 3;
        WriteReport(results, prefix);
    } else {
        Standings before;
        if (!goalsBefore.empty() && !ReadStandings(goalsBefore, before)) {
            std::fwprintf(stderr, L"cannot read the goals of an earlier run from %ls\n", goalsBefore.c_str());
            return 3;
        }
        for (int icons : sizes) {
            // Restores that move icons take minutes at thousands of icons under Wine.
            const auto roundsOf = [&](const Scenario& scenario) {
                return scenario.goal || icons <= largeFrom ? runs : 1;
            };
            std::vector<FixtureItem> grid;
            {
                DeleteRegistryTree(L"Software\\Brenlow");
                DesktopFixture fixture(fixturePath, {L"--synthetic-count", std::to_wstring(icons)});
                if (!MeasureDesktop(fixture, kScenarios, std::size(kScenarios), programs, roundsOf, results)) return 3;
                grid = fixture.Items();
            }
            DeleteRegistryTree(L"Software\\Brenlow");
            IdListDesktop idListDesktop(fixturePath, grid);
            if (!MeasureDesktop(*idListDesktop.fixture, kIdListScenarios, std::size(kIdListScenarios), programs,
                                roundsOf, results))
                return 3;
        }
        WriteReport(results, prefix);
        WriteGoals(GoalRows(results, programs, sizes), before, prefix);
    }
    DeleteRegistryTree(L"Software\\Brenlow");
    return 0;
}
