#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <wtsapi32.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "e2e/kelvane_process.h"
#include "support/desktop_files.h"
#include "support/remote_memory.h"
#include "support/scratch_folder.h"
#include "support/stand_in_registration.h"
#include "support/utf8.h"

// The watcher as a user runs it, `watch /w 1`, against the desktop fixture: it
// puts the icons back after each kind of event, once per burst, only when a
// layout is stored for the display, and after the shell itself has started
// again. Every wait has a generous deadline; the watcher's own quiet time is a
// second.

namespace {

constexpr DWORD kDeadlineMilliseconds = 90000;

bool WaitUntil(const std::function<bool()>& done) {
    const ULONGLONG deadline = GetTickCount64() + kDeadlineMilliseconds;
    while (GetTickCount64() < deadline) {
        if (done()) return true;
        Sleep(100);
    }
    return done();
}

bool SamePlaces(const std::vector<FixtureItem>& expected, const std::vector<FixtureItem>& now) {
    if (expected.size() != now.size()) return false;
    for (size_t i = 0; i < expected.size(); ++i) {
        if (expected[i].x != now[i].x || expected[i].y != now[i].y) return false;
    }
    return true;
}

void Scramble(DesktopFixture& fixture) {
    for (const FixtureItem& item : fixture.Items())
        fixture.Move(item.index, 900 - item.y, 700 - item.x / 2);
}

size_t Occurrences(const std::wstring& text, const std::wstring& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// Every line begins with the local time.
void ExpectTimestamped(const std::wstring& output) {
    const std::wregex stamped(L"\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} .*");
    size_t start = 0;
    for (size_t end = output.find(L'\n'); end != std::wstring::npos; end = output.find(L'\n', start)) {
        const std::wstring line = output.substr(start, end - start);
        EXPECT_TRUE(std::regex_match(line, stamped)) << ToUtf8(line);
        start = end + 1;
    }
    EXPECT_EQ(output.size(), start) << "an unfinished last line";
}

void Broadcast(UINT message, WPARAM wParam, LPARAM lParam) {
    SendMessageTimeoutW(HWND_BROADCAST, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, nullptr);
}

UINT TaskbarCreated() { return RegisterWindowMessageW(L"TaskbarCreated"); }

void BroadcastDisplayChange() {
    Broadcast(WM_DISPLAYCHANGE, 24, MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
}

void SendToWatcher(UINT message, WPARAM wParam) {
    SendMessageTimeoutW(FindWindowW(L"KelvaneWatcher", nullptr), message, wParam, 0, SMTO_ABORTIFHUNG, 10000, nullptr);
}

// A watcher started as a user starts it, stopped with `watch /stop`.
class RunningWatcher {
public:
    explicit RunningWatcher(std::vector<std::wstring> arguments = {L"watch", L"/w", L"1"})
        : process_(KelvanePath(), arguments, {std::nullopt, 10 * kDeadlineMilliseconds}) {
        // Its window exists once it listens.
        ready_ = WaitUntil([] { return FindWindowW(L"KelvaneWatcher", nullptr) != nullptr; });
    }

    bool Ready() const { return ready_; }
    bool Printed(const std::wstring& text, size_t times = 1) {
        return WaitUntil([&] { return Occurrences(process_.OutputSoFar(), text) >= times; });
    }

    RunResult Stop() {
        const RunResult stop = RunKelvane({L"watch", L"/stop"});
        EXPECT_EQ(0u, stop.exitCode);
        EXPECT_EQ(L"The watcher stopped.\n", AfterBanner(stop.standardOutput));
        return process_.Finish();
    }

private:
    StartedProcess process_;
    bool ready_ = false;
};

class Watch : public ::testing::Test {
protected:
    void SetUp() override { DeleteRegistryTree(L"Software\\Brenlow"); }
    void TearDown() override {
        DeleteRegistryTree(L"Software\\Brenlow");
        for (const std::wstring& file : files)
            DeleteFileW(file.c_str());
    }

    std::wstring Items(const std::vector<std::wstring>& lines) {
        files.push_back(WriteItemsFile(lines));
        return files.back();
    }

    std::vector<std::wstring> files;
};

TEST_F(Watch, EachKindOfEventBringsTheIconsBack) {
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic-count", L"12"});
    const auto saved = fixture.Items();
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y"}).exitCode);
    RunningWatcher watcher;
    ASSERT_TRUE(watcher.Ready());

    struct EventCase {
        const char* name;
        std::function<void()> send;
        const wchar_t* line;
    };
    const EventCase events[] = {
        {"display change", BroadcastDisplayChange, L"The display changed.\n"},
        {"shell start", [] { Broadcast(TaskbarCreated(), 0, 0); }, L"The shell started again.\n"},
        {"resume", [] { Broadcast(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0); },
         L"The computer resumed from sleep.\n"},
        // Wine raises no session events: they come as the system sends them.
        {"console connect", [] { SendToWatcher(WM_WTSSESSION_CHANGE, WTS_CONSOLE_CONNECT); },
         L"The session was connected to the console.\n"},
        {"remote connect", [] { SendToWatcher(WM_WTSSESSION_CHANGE, WTS_REMOTE_CONNECT); },
         L"The session was connected from another computer.\n"},
        {"unlock", [] { SendToWatcher(WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK); }, L"The session was unlocked.\n"},
    };
    size_t restores = 0;
    for (const EventCase& event : events) {
        SCOPED_TRACE(event.name);
        Scramble(fixture);
        ASSERT_FALSE(SamePlaces(saved, fixture.Items()));
        const auto blocksBefore = PrivateAllocationBases(fixture.Process());
        event.send();
        EXPECT_TRUE(watcher.Printed(L"Desktop Restored: 12 icons\n", ++restores));
        EXPECT_TRUE(SamePlaces(saved, fixture.Items()));
        // The watcher's periodic look at the icons holds a block for a moment:
        // only a block that stays was left behind.
        EXPECT_TRUE(WaitUntil([&] {
            return AllocationBasesAdded(blocksBefore, PrivateAllocationBases(fixture.Process())).empty();
        })) << "the restore left memory in the shell";
    }

    const RunResult result = watcher.Stop();
    EXPECT_EQ(0u, result.exitCode);
    const std::wstring output = AfterBanner(result.standardOutput);
    ExpectTimestamped(output);
    EXPECT_EQ(L"", result.standardError);
    for (const EventCase& event : events)
        EXPECT_EQ(1u, Occurrences(output, event.line)) << event.name;
    EXPECT_EQ(std::size(events), Occurrences(output, L" Layout: " + DefaultLayoutName() + L"\n"));
    EXPECT_EQ(1u, Occurrences(output, L" The watcher stopped.\n"));
}

// One synthetic item a line, in a column, each named by a file of the desktop
// folder so that it carries an ID list.
std::vector<std::wstring> WatchedItems(const std::vector<std::wstring>& names) {
    std::vector<std::wstring> lines;
    for (size_t i = 0; i < names.size(); ++i)
        lines.push_back(L"Watched " + std::to_wstring(i) + L"\t21\t" + std::to_wstring(2 + 75 * i) + L"\tdesktop:" +
                        names[i]);
    return lines;
}

// On a shell that keeps its own record of positions (the fixture's stand-in,
// reached through the test prefix's redirect), the watcher's restore is told to
// the record as restore's is, survives the shell's refresh, and is checked.
TEST_F(Watch, ItsRestoreIsKeptByTheShell) {
    const std::vector<std::wstring> names = {L"watched 1.txt", L"watched 2.txt", L"watched 3.txt"};
    const DesktopFiles desktopFiles(names);
    const StandInRegistration redirect(StandInServerBesideTest());
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", Items(WatchedItems(names)), L"--stand-in"});
    const auto saved = fixture.Items();
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y"}).exitCode);
    RunningWatcher watcher;
    ASSERT_TRUE(watcher.Ready());
    // The fixture's own moves are the shell's: its record follows them.
    Scramble(fixture);
    BroadcastDisplayChange();
    EXPECT_TRUE(watcher.Printed(L"Desktop Restored: 3 icons\n"));
    EXPECT_TRUE(SamePlaces(saved, fixture.Items()));
    // The folder view's thread lets go of the server's objects as the restore ends,
    // which may come just after its last line.
    EXPECT_TRUE(WaitUntil([&] { return fixture.StandInObjectCount().live == 0; }))
        << "objects of the server not released";
    fixture.Refresh();
    EXPECT_TRUE(SamePlaces(saved, fixture.Items())) << "the shell keeps the watcher's restore";

    // Its restores are checked as every restore is, each line with its time.
    fixture.StandIn("commit snap 40");
    Scramble(fixture);
    BroadcastDisplayChange();
    const std::wstring notKept = L"3 icons do not stand where the restore put them: ";
    EXPECT_TRUE(watcher.Printed(notKept));
    fixture.AutoArrange(true);
    BroadcastDisplayChange();
    const std::wstring refused = L"The desktop arranges its icons by itself, so the restore moved none";
    EXPECT_TRUE(watcher.Printed(refused));
    const RunResult result = watcher.Stop();
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(2u, Occurrences(result.standardOutput, L"Desktop Restored: 3 icons\n"));
    ExpectTimestamped(result.standardError);
    EXPECT_EQ(1u, Occurrences(result.standardError, notKept));
    EXPECT_EQ(1u, Occurrences(result.standardError, refused));
}

// A lookup of the folder view that outlasts the restore's budget is given up;
// when the shell answers at last, the watcher's abandoned call ends there: no
// later call reaches the shell, and every object it obtained is released while
// the watcher runs on.
TEST_F(Watch, AnAbandonedFolderViewLookupLetsGoWhenItReturns) {
    const std::vector<std::wstring> names = {L"watched 1.txt", L"watched 2.txt"};
    const DesktopFiles desktopFiles(names);
    const StandInRegistration redirect(StandInServerBesideTest());
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", Items(WatchedItems(names)), L"--stand-in"});
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y"}).exitCode);
    fixture.StandIn("fault reach hang");
    RunningWatcher watcher;
    ASSERT_TRUE(watcher.Ready());
    Scramble(fixture);
    BroadcastDisplayChange();
    EXPECT_TRUE(watcher.Printed(L"Desktop Restored: 2 icons\n"));
    fixture.StandIn("release");
    EXPECT_TRUE(WaitUntil([&] { return fixture.StandInObjectCount().live == 0; })) << "objects of the server kept";
    const auto calls = fixture.StandInCalls();
    for (const char* late : {"count", "item", "position", "commit"})
        EXPECT_EQ(0u, calls.count(late)) << late << " reached the shell after the restore gave up";
    const RunResult result = watcher.Stop();
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(L"", result.standardError);
}

TEST_F(Watch, ABurstOfEventsRestoresOnce) {
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic-count", L"6"});
    const auto saved = fixture.Items();
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y"}).exitCode);
    RunningWatcher watcher;
    ASSERT_TRUE(watcher.Ready());
    Scramble(fixture);
    // Posted, as the shell posts them: all ten arrive well inside the quiet time.
    for (int event = 0; event < 10; ++event)
        PostMessageW(HWND_BROADCAST, WM_DISPLAYCHANGE, 24,
                     MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
    EXPECT_TRUE(watcher.Printed(L"Desktop Restored: 6 icons\n"));
    EXPECT_TRUE(SamePlaces(saved, fixture.Items()));
    // A later event is another wait and another restore: the first burst's
    // events are all spent by then.
    Broadcast(TaskbarCreated(), 0, 0);
    EXPECT_TRUE(watcher.Printed(L"Desktop Restored: 6 icons\n", 2));

    const std::wstring output = AfterBanner(watcher.Stop().standardOutput);
    EXPECT_EQ(10u, Occurrences(output, L"The display changed.\n"));
    EXPECT_EQ(2u, Occurrences(output, L"Desktop Restored: 6 icons\n"));
}

std::map<std::wstring, FixtureItem> ByText(const std::vector<FixtureItem>& items) {
    std::map<std::wstring, FixtureItem> byText;
    for (const FixtureItem& item : items)
        byText[item.text] = item;
    return byText;
}

bool At(const FixtureItem& item, const FixtureItem& place) { return item.x == place.x && item.y == place.y; }

// Twenty-one desktop items deleted and made again at once, as an installer
// replaces its shortcuts: each goes back to its stored place, in one batch with
// one line; an icon on such a place moves out of the way; the item the layout
// has no record of stays where it came; icons the user dragged stay where they
// were dragged.
TEST_F(Watch, ItemsThatAppearAgainGoBackToTheirPlaces) {
    std::vector<std::wstring> names;
    // Two digits each: the records' order and the items' order agree.
    const auto number = [](size_t i) { return std::wstring(i < 10 ? L"0" : L"") + std::to_wstring(i); };
    for (size_t i = 0; i < 24; ++i)
        names.push_back(L"again " + number(i) + L".txt");
    const DesktopFiles desktopFiles(names);
    std::vector<std::wstring> lines;
    for (size_t i = 0; i < names.size(); ++i)
        lines.push_back(L"Again " + number(i) + L"\t" + std::to_wstring(21 + 75 * (i / 8)) + L"\t" +
                        std::to_wstring(2 + 75 * (i % 8)) + L"\tdesktop:" + names[i]);
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", Items(lines)});
    const auto saved = fixture.Items();
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y"}).exitCode);
    const std::wstring layout = LayoutKey(DefaultLayoutName());
    DeleteRegistryValue(layout, fixture.Identity(20));
    ASSERT_EQ(names.size() - 1, RegistryValues(layout).size());
    RunningWatcher watcher({L"watch", L"/w", L"1", L"/nosave"});
    ASSERT_TRUE(watcher.Ready());

    fixture.Move(23, 850, 500);
    fixture.Move(22, saved[0].x, saved[0].y);
    std::vector<DesktopFixture::Remade> remade;
    for (int index = 0; index <= 20; ++index)
        remade.push_back({index, 400 + 75 * (index % 5), 100 + 75 * (index / 5)});
    fixture.Recreate(remade);
    const auto home = [&] {
        auto now = ByText(fixture.Items());
        for (int i = 0; i < 20; ++i)
            if (!At(now[saved[i].text], saved[i])) return false;
        return true;
    };
    EXPECT_TRUE(WaitUntil(home)) << "the items did not come back";
    auto now = ByText(fixture.Items());
    EXPECT_EQ(400, now[saved[20].text].x) << "an item the layout does not hold was moved";
    EXPECT_EQ(400, now[saved[20].text].y);
    EXPECT_EQ(850, now[saved[23].text].x) << "a dragged icon was moved back";
    const FixtureItem& occupant = now[saved[22].text];
    EXPECT_FALSE(At(occupant, saved[0])) << "the icon on a place that came back stayed there";
    for (const auto& [text, item] : now)
        EXPECT_TRUE(text == occupant.text || !At(item, occupant)) << "the occupant went onto " << ToUtf8(text);

    const RunResult result = watcher.Stop();
    const std::wstring output = AfterBanner(result.standardOutput);
    ExpectTimestamped(output);
    EXPECT_EQ(1u, Occurrences(output,
                              L" 20 icons appeared again and were put back in their places: \"Again 00\", "
                              L"\"Again 01\", \"Again 02\", \"Again 03\", \"Again 04\" and 15 more.\n"))
        << ToUtf8(output);
    EXPECT_EQ(0u, Occurrences(output, L"Desktop Restored"));
    EXPECT_EQ(L"", result.standardError);
}

// One item made again on each desktop that knows its files: the stand-in shell
// keeps the place in its own record, so that its refresh leaves the icon there;
// Wine's shell view of a folder learns of the files through SHChangeNotify.
TEST_F(Watch, AFileMadeAgainComesBackOnEveryShell) {
    const std::vector<std::wstring> names = {L"made 1.txt", L"made 2.txt", L"made 3.txt"};
    const DesktopFiles desktopFiles(names);
    const ScratchFolder folder(ScratchLocation::Temp, {L"first.txt", L"second.txt", L"third.txt"});
    struct ShellCase {
        const char* name;
        bool standIn;
        std::vector<std::wstring> arguments;
    };
    const ShellCase shells[] = {
        {"the stand-in shell", true, {L"--synthetic", Items(WatchedItems(names)), L"--stand-in"}},
        {"Wine's shell view", false, {L"--shell-folder", folder.Path()}},
    };
    for (const ShellCase& shell : shells) {
        SCOPED_TRACE(shell.name);
        DeleteRegistryTree(L"Software\\Brenlow");
        std::optional<StandInRegistration> redirect;
        if (shell.standIn) redirect.emplace(StandInServerBesideTest());
        DesktopFixture fixture(FixtureBesideTest(), shell.arguments);
        const auto saved = fixture.Items();
        ASSERT_EQ(0u, RunKelvane({L"save", L"/y"}).exitCode);
        RunningWatcher watcher({L"watch", L"/w", L"1", L"/nosave"});
        ASSERT_TRUE(watcher.Ready());
        const FixtureItem first = saved.front();
        if (shell.standIn) {
            fixture.Recreate({{first.index, 500, 300}});
        } else {
            fixture.RecreateFiles({folder.PathOf(first.text)});
        }
        EXPECT_TRUE(watcher.Printed(L"\"" + first.text + L"\" appeared again and was put back in its place.\n"));
        EXPECT_TRUE(WaitUntil([&] { return At(ByText(fixture.Items())[first.text], first); }));
        if (shell.standIn) {
            fixture.Refresh();
            EXPECT_TRUE(At(ByText(fixture.Items())[first.text], first)) << "the shell's record did not take it";
        }
        const RunResult result = watcher.Stop();
        EXPECT_EQ(L"", result.standardError);
    }
}

// Paused, the watcher lets events go by and moves nothing; resumed, the next
// event restores. With no watcher, neither can be asked.
TEST_F(Watch, PausedItRestoresNothingUntilResumed) {
    for (const wchar_t* mode : {L"/pause", L"/resume"}) {
        const RunResult none = RunKelvane({L"watch", mode});
        EXPECT_EQ(1u, none.exitCode) << ToUtf8(mode);
        EXPECT_EQ(L"No watcher is running.\n", none.standardError);
    }
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic-count", L"6"});
    const auto saved = fixture.Items();
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y"}).exitCode);
    RunningWatcher watcher;
    ASSERT_TRUE(watcher.Ready());

    const RunResult pause = RunKelvane({L"watch", L"/pause"});
    EXPECT_EQ(0u, pause.exitCode);
    EXPECT_EQ(L"The watcher pauses: it restores, saves and puts back nothing until \"watch /resume\".\n",
              AfterBanner(pause.standardOutput));
    EXPECT_TRUE(watcher.Printed(L"Paused: nothing is restored, saved or put back until \"watch /resume\".\n"));
    Scramble(fixture);
    const auto scrambled = fixture.Items();
    BroadcastDisplayChange();
    EXPECT_TRUE(watcher.Printed(L"The watcher is paused: the icons stay where they are.\n"));
    Sleep(3000);  // past the quiet time of a restore that would come
    EXPECT_TRUE(SamePlaces(scrambled, fixture.Items()));

    const RunResult resume = RunKelvane({L"watch", L"/resume"});
    EXPECT_EQ(0u, resume.exitCode);
    EXPECT_EQ(L"The watcher watches again.\n", AfterBanner(resume.standardOutput));
    EXPECT_TRUE(watcher.Printed(L"Resumed: watching again.\n"));
    BroadcastDisplayChange();
    EXPECT_TRUE(watcher.Printed(L"Desktop Restored: 6 icons\n"));
    EXPECT_TRUE(SamePlaces(saved, fixture.Items()));
    EXPECT_EQ(0u, watcher.Stop().exitCode);
}

TEST_F(Watch, NoLayoutStoredForTheDisplayMovesNothing) {
    const std::wstring items = Items({L"One\t21\t2\tnone", L"Two\t96\t2\tnone"});
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y", L"/n", L"Another display"}).exitCode);
    RunningWatcher watcher;
    ASSERT_TRUE(watcher.Ready());
    Scramble(fixture);
    const auto scrambled = fixture.Items();
    BroadcastDisplayChange();
    const std::wstring line = L"No layout is stored for " + DefaultLayoutName() + L": the icons stay where they are.\n";
    EXPECT_TRUE(watcher.Printed(line));
    EXPECT_TRUE(SamePlaces(scrambled, fixture.Items()));
    const RunResult result = watcher.Stop();
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(std::wstring::npos, result.standardOutput.find(L"Desktop Restored"));

    // With /fit the nearest layout comes, fitted: the one of one monitor saved on
    // a screen twice this size, not the one of two monitors of this very size.
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const std::wstring twice = L"0,0," + std::to_wstring(2 * width) + L"," + std::to_wstring(2 * height);
    WriteDisplayRecord(L"Another display", L"*" + twice + L"/" + twice);
    WriteRegistryValue(LayoutKey(L"Another display"), L"One", REG_DWORD, PackedRecordData(800, 400));
    WriteRegistryValue(LayoutKey(L"Another display"), L"Two", REG_DWORD, PackedRecordData(1600, 1000));
    const std::wstring half = std::to_wstring(width / 2);
    WriteRegistryValue(LayoutKey(L"Pair"), L"One", REG_DWORD, PackedRecordData(5, 5));
    WriteDisplayRecord(L"Pair", L"*0,0," + half + L",100/0,0," + half + L",100;" + half + L",0," +
                                    std::to_wstring(width) + L"," + std::to_wstring(height) + L"/" + half + L",0," +
                                    std::to_wstring(width) + L"," + std::to_wstring(height));
    RunningWatcher fitting({L"watch", L"/w", L"1", L"/nosave", L"/fit"});
    ASSERT_TRUE(fitting.Ready());
    BroadcastDisplayChange();
    EXPECT_TRUE(fitting.Printed(L"No layout is stored for " + DefaultLayoutName() +
                                L": the nearest one, Another display, is fitted to it.\n"));
    EXPECT_TRUE(fitting.Printed(L"Desktop Restored: 2 icons\n"));
    EXPECT_EQ(0u, fitting.Stop().exitCode);
    const SIZE spacing = fixture.Spacing();
    const auto fitted = fixture.Items();
    EXPECT_LE(std::abs(fitted[0].x - 400), spacing.cx);
    EXPECT_LE(std::abs(fitted[0].y - 200), spacing.cy);
    EXPECT_LE(std::abs(fitted[1].x - 800), spacing.cx);
    EXPECT_LE(std::abs(fitted[1].y - 500), spacing.cy);
}

TEST_F(Watch, TheShellStartingAgainIsWaitedForAndRestored) {
    const std::vector<std::wstring> placed = {L"One\t21\t2\tnone", L"Two\t96\t2\tnone", L"Three\t171\t77\tnone"};
    const std::vector<std::wstring> piled = {L"One\t400\t300\tnone", L"Two\t475\t300\tnone", L"Three\t550\t300\tnone"};
    auto shell =
        std::make_unique<DesktopFixture>(FixtureBesideTest(), std::vector<std::wstring>{L"--synthetic", Items(placed)});
    const auto saved = shell->Items();
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y"}).exitCode);
    RunningWatcher watcher;
    ASSERT_TRUE(watcher.Ready());

    shell->Quit();
    shell.reset();
    DesktopFixture restarted(FixtureBesideTest(), {L"--synthetic", Items(piled)});
    ASSERT_FALSE(SamePlaces(saved, restarted.Items()));
    restarted.AnnounceShellStart();
    EXPECT_TRUE(watcher.Printed(L"Desktop Restored: 3 icons\n"));
    EXPECT_TRUE(SamePlaces(saved, restarted.Items()));
    EXPECT_EQ(0u, watcher.Stop().exitCode);
}

// The watcher told to stop while it restores a slow desktop: the restore stops
// at its next icon, releases its blocks, and the watcher ends with 0.
TEST_F(Watch, AStopDuringARestoreEndsItAtItsNextIcon) {
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic-count", L"30"});
    const auto saved = fixture.Items();
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y"}).exitCode);
    RunningWatcher watcher;
    ASSERT_TRUE(watcher.Ready());
    Scramble(fixture);
    const auto blocksBefore = PrivateAllocationBases(fixture.Process());
    fixture.Pace(50);
    const auto home = [&] {
        const auto now = fixture.Items();
        size_t count = 0;
        for (size_t i = 0; i < saved.size(); ++i)
            count += saved[i].x == now[i].x && saved[i].y == now[i].y;
        return count;
    };
    BroadcastDisplayChange();
    ASSERT_TRUE(WaitUntil([&] { return home() > 0; })) << "the restore did not begin";

    const RunResult result = watcher.Stop();
    fixture.Pace(0);
    EXPECT_EQ(0u, result.exitCode);
    const std::wstring output = result.standardOutput + result.standardError;
    EXPECT_EQ(1u, Occurrences(output, L" The restore was interrupted before its last icons"));
    EXPECT_EQ(0u, Occurrences(output, L"Desktop Restored: 30 icons"));
    EXPECT_LT(home(), saved.size()) << "the restore ran to its end";
    EXPECT_TRUE(AllocationBasesAdded(blocksBefore, PrivateAllocationBases(fixture.Process())).empty())
        << "the restore left memory in the shell";
}

// Whether the display's layout holds exactly these icons (without item data,
// stored by their text) at their places.
bool LayoutHolds(const std::vector<FixtureItem>& items) {
    const auto values = RegistryValues(LayoutKey(DefaultLayoutName()));
    if (values.size() != items.size()) return false;
    for (const FixtureItem& item : items) {
        const auto value = std::find_if(values.begin(), values.end(), [&](const RegistryValue& v) {
            return v.name == item.text && v.type == REG_DWORD && v.data.size() == 4;
        });
        if (value == values.end()) return false;
        const uint32_t packed = static_cast<uint32_t>(item.y) << 16 | static_cast<uint16_t>(item.x);
        if (std::memcmp(value->data.data(), &packed, 4) != 0) return false;
    }
    return true;
}

// Longer than the save delay of 5 s and two looks at the desktop: a save that
// was to come has come.
constexpr DWORD kPastTheDelayMilliseconds = 15000;

// The watcher's saves, `watch /s 5 /w 1` (and its own arguments) on six icons:
// what it does to the desktop, then whether one save comes (and the layout then
// holds the desktop as it is) or none (and no layout is stored).
TEST_F(Watch, SavesAnArrangementThatStaysUnchangedForTheDelay) {
    struct SaveCase {
        const char* name;
        bool storedFirst;
        std::vector<std::wstring> arguments;
        std::function<void(DesktopFixture&)> beforeStart;
        std::function<void(DesktopFixture&, RunningWatcher&)> act;
        bool saves;
    };
    const auto nothing = [](DesktopFixture&) {};
    const SaveCase cases[] = {
        {"a move", true, {}, nothing, [](DesktopFixture& f, RunningWatcher&) { f.Move(0, 400, 300); }, true},
        {"moves, each before the delay ends",
         true,
         {},
         nothing,
         [](DesktopFixture& f, RunningWatcher&) {
             for (int move = 0; move < 16; ++move) {
                 f.Move(move % 6, 300 + 10 * move, 400);
                 Sleep(500);
             }
         },
         true},
        {"a display change during the delay",
         true,
         {},
         nothing,
         [](DesktopFixture& f, RunningWatcher& watcher) {
             Scramble(f);
             BroadcastDisplayChange();
             EXPECT_TRUE(watcher.Printed(L"Desktop Restored: 6 icons\n"));
             f.Move(2, 500, 200);
         },
         true},
        {"no layout stored", false, {}, nothing, [](DesktopFixture&, RunningWatcher&) {}, true},
        {"a stored layout that differs at the start",
         true,
         {},
         Scramble,
         [](DesktopFixture& f, RunningWatcher&) {
             Sleep(kPastTheDelayMilliseconds);
             f.Move(1, 600, 500);
         },
         true},
        {"arranged automatically",
         false,
         {},
         [](DesktopFixture& f) { f.AutoArrange(true); },
         [](DesktopFixture& f, RunningWatcher&) { f.Move(0, 400, 300); },
         false},
        {"/nosave",
         false,
         {L"/nosave"},
         nothing,
         [](DesktopFixture& f, RunningWatcher&) { f.Move(0, 400, 300); },
         false},
    };
    for (const SaveCase& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteRegistryTree(L"Software\\Brenlow");
        DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic-count", L"6"});
        if (c.storedFirst) {
            ASSERT_EQ(0u, RunKelvane({L"save", L"/y"}).exitCode);
        }
        c.beforeStart(fixture);
        std::vector<std::wstring> arguments = {L"watch", L"/s", L"5", L"/w", L"1"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        RunningWatcher watcher(arguments);
        ASSERT_TRUE(watcher.Ready());
        c.act(fixture, watcher);
        const std::wstring line = L"Desktop Saved: 6 icons, Layout: " + DefaultLayoutName() + L"\n";
        if (c.saves) {
            EXPECT_TRUE(watcher.Printed(line));
            EXPECT_TRUE(LayoutHolds(fixture.Items()));
            // The layout it replaced is kept as the one version, marked as the watcher's.
            const std::wstring versions =
                AfterBanner(RunKelvane({L"history", L"/n", DefaultLayoutName()}).standardOutput);
            EXPECT_EQ(c.storedFirst ? 1u : 0u, Occurrences(versions, L"\t6 icons\twatch\n")) << versions;
            EXPECT_EQ(c.storedFirst ? 1u : 0u, Occurrences(versions, L"\n")) << versions;
        } else {
            Sleep(kPastTheDelayMilliseconds);
            EXPECT_FALSE(RegistryKeyExists(LayoutKey(DefaultLayoutName()))) << "a layout was stored";
        }
        const RunResult result = watcher.Stop();
        EXPECT_EQ(0u, result.exitCode);
        EXPECT_EQ(L"", result.standardError);
        EXPECT_EQ(c.saves ? 1u : 0u, Occurrences(result.standardOutput, L" " + line));
    }
}

TEST_F(Watch, OneWatcherPerSession) {
    RunningWatcher first;
    ASSERT_TRUE(first.Ready());
    const RunResult second = RunKelvane({L"watch", L"/w", L"1"});
    EXPECT_EQ(1u, second.exitCode);
    EXPECT_EQ(L"", AfterBanner(second.standardOutput));
    ExpectTimestamped(second.standardError);
    EXPECT_EQ(1u, Occurrences(second.standardError, L" A watcher is already running in this session.\n"));
    DeleteFileW(WatcherLogFile().c_str());
    EXPECT_EQ(1u, RunProcess(WindowlessPath(), {L"watch", L"/w", L"1"}).exitCode) << "the windowless watcher";
    EXPECT_EQ(1u, Occurrences(WatcherLogText(), L" A watcher is already running in this session.\n"));
    EXPECT_EQ(0u, first.Stop().exitCode);

    const RunResult none = RunKelvane({L"watch", L"/stop"});
    EXPECT_EQ(0u, none.exitCode);
    EXPECT_EQ(L"No watcher is running.\n", AfterBanner(none.standardOutput));
}

std::wstring LocalAppDataFile(const std::wstring& name) {
    PWSTR folder = nullptr;
    std::wstring path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder))) path = folder;
    CoTaskMemFree(folder);
    return path + L"\\" + name;
}

std::wstring RunValue() {
    for (const RegistryValue& value : RegistryValues(L"Software\\Microsoft\\Windows\\CurrentVersion\\Run")) {
        if (value.name == L"Kelvane")
            return std::wstring(reinterpret_cast<const wchar_t*>(value.data.data()),
                                value.data.size() / sizeof(wchar_t) - 1);
    }
    return L"";
}

BOOL CALLBACK AddConsoleWindow(HWND window, LPARAM found) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (std::wstring(name) == L"WineConsoleClass") reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

// The top-level windows of Wine's consoles.
std::vector<HWND> ConsoleWindows() {
    std::vector<HWND> windows;
    EnumWindows(AddConsoleWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// Started in the window of a command prompt, the background watcher shares
// that prompt's console: it lets go of it and leaves the window as it was.
TEST_F(Watch, BackgroundWatcherLeavesTheConsoleOfItsPromptShown) {
    const std::vector<HWND> before = ConsoleWindows();
    std::wstring commandLine = L"cmd.exe /c \"\"" + KelvanePath() + L"\" watch /background /w 1\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr,
                               nullptr, &startup, &started));
    const UniqueHandle prompt(started.hProcess);
    CloseHandle(started.hThread);
    // The watcher lets go of the console before it makes its window.
    ASSERT_TRUE(WaitUntil([] { return FindWindowW(L"KelvaneWatcher", nullptr) != nullptr; }));
    std::vector<HWND> opened;
    for (HWND window : ConsoleWindows()) {
        if (std::find(before.begin(), before.end(), window) == before.end()) opened.push_back(window);
    }
    ASSERT_EQ(1u, opened.size()) << "the prompt's console window";
    EXPECT_TRUE(IsWindowVisible(opened[0])) << "the prompt's console window was hidden";
    EXPECT_EQ(0u, RunKelvane({L"watch", L"/stop"}).exitCode);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(prompt.Get(), kDeadlineMilliseconds)) << "the prompt waits on";
}

// The log-on registration names the windowless program beside the console one,
// the console one where it stands alone, and is started exactly as the Run
// value says: without a console, writing its lines to the log file.
TEST_F(Watch, InstalledWatcherStartsAsRegisteredAndWritesItsLog) {
    const std::wstring log = LocalAppDataFile(L"Kelvane\\watch.log");
    DeleteFileW(log.c_str());
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic-count", L"5"});
    const auto saved = fixture.Items();
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y"}).exitCode);

    const ScratchFolder alone(ScratchLocation::Temp, {});
    ASSERT_TRUE(CopyFileW(KelvanePath().c_str(), alone.PathOf(kKelvaneExeName).c_str(), FALSE));
    EXPECT_EQ(0u, RunProcess(alone.PathOf(kKelvaneExeName), {L"watch", L"/install"}).exitCode);
    EXPECT_EQ(L"\"" + alone.PathOf(kKelvaneExeName) + L"\" watch /background", RunValue());
    wchar_t program[MAX_PATH];
    ASSERT_NE(0u, GetFullPathNameW(WindowlessPath().c_str(), MAX_PATH, program, nullptr));
    // Installed again, it replaces its value.
    const struct {
        std::vector<std::wstring> saving;
        std::wstring inValue;
    } installs[] = {{{L"/s", L"5"}, L" /s 5"}, {{L"/nosave"}, L" /nosave"}};
    for (const auto& install : installs) {
        std::vector<std::wstring> arguments = {L"watch", L"/install", L"/w", L"1"};
        arguments.insert(arguments.end(), install.saving.begin(), install.saving.end());
        const RunResult installed = RunKelvane(arguments);
        EXPECT_EQ(0u, installed.exitCode);
        EXPECT_NE(std::wstring::npos, installed.standardOutput.find(log)) << "it names the log file";
        EXPECT_EQ(L"\"" + std::wstring(program) + L"\" watch /background /w 1" + install.inValue, RunValue());
    }
    const std::wstring commandLine = RunValue();

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    std::wstring writable = commandLine;
    ASSERT_TRUE(
        CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started));
    const UniqueHandle process(started.hProcess);
    CloseHandle(started.hThread);
    ASSERT_TRUE(WaitUntil([] { return FindWindowW(L"KelvaneWatcher", nullptr) != nullptr; }));
    Scramble(fixture);
    BroadcastDisplayChange();
    ASSERT_TRUE(WaitUntil([&] { return SamePlaces(saved, fixture.Items()); }));

    for (int time = 0; time < 2; ++time) {
        const RunResult uninstalled = RunKelvane({L"watch", L"/uninstall"});
        EXPECT_EQ(0u, uninstalled.exitCode);
        EXPECT_EQ(time == 0 ? L"The watcher no longer starts at log-on.\nThe watcher stopped.\n"
                            : L"The watcher no longer starts at log-on.\n",
                  AfterBanner(uninstalled.standardOutput));
    }
    EXPECT_EQ(L"", RunValue());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.Get(), kDeadlineMilliseconds));
    DWORD exitCode = 1;
    GetExitCodeProcess(process.Get(), &exitCode);
    EXPECT_EQ(0u, exitCode);

    const std::wstring logged = WatcherLogText();
    ExpectTimestamped(logged);
    EXPECT_EQ(1u, Occurrences(logged, L" The display changed.\n"));
    EXPECT_EQ(1u, Occurrences(logged, L" Desktop Restored: 5 icons\n"));
    EXPECT_EQ(1u, Occurrences(logged, L" The watcher stopped.\n"));
}

// The windowless watcher's menu, opened as the notification area opens it
// (the icon's callback message, WM_APP + 2, in its fourth behaviour) and
// chosen from with the keys, as Wine keeps a menu's texts from other processes:
// restore's submenu begins with the display's layout, and the entries do what
// `restore /y`, `undo /y`, `save /y`, `watch /pause`, `/resume` and `/stop` do.
TEST_F(Watch, WindowlessWatchersMenuRestoresUndoesSavesPausesAndStops) {
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic-count", L"5"});
    const auto saved = fixture.Items();
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y"}).exitCode);
    Scramble(fixture);
    const auto scrambled = fixture.Items();
    // Enumerated before the display's layout.
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y", L"/n", L"Aside"}).exitCode);
    DeleteFileW(WatcherLogFile().c_str());
    StartedProcess watcher(WindowlessPath(), {L"watch", L"/w", L"1", L"/nosave"});
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (window = FindWindowW(L"KelvaneWatcher", nullptr)) != nullptr; }));
    const auto choose = [&](const std::vector<UINT>& keys) {
        PostMessageW(window, WM_APP + 2, 0, MAKELPARAM(WM_CONTEXTMENU, 1));
        HWND menu = nullptr;
        ASSERT_TRUE(
            WaitUntil([&] { return (menu = FindWindowW(L"#32768", nullptr)) != nullptr && IsWindowVisible(menu); }));
        for (UINT key : keys)
            PostMessageW(menu, WM_KEYDOWN, key, 0);
        PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    };
    choose({VK_DOWN, VK_DOWN, VK_RIGHT});
    EXPECT_TRUE(WaitUntil([&] { return SamePlaces(saved, fixture.Items()); })) << "restore";
    choose({VK_DOWN, VK_DOWN, VK_DOWN});
    EXPECT_TRUE(WaitUntil([&] { return SamePlaces(scrambled, fixture.Items()); })) << "undo";
    DeleteRegistryTree(LayoutKey(DefaultLayoutName()));
    choose({VK_DOWN});
    EXPECT_TRUE(WaitUntil([] { return RegistryKeyExists(LayoutKey(DefaultLayoutName())); })) << "save";
    // The pause entry becomes the resume entry while the watcher is paused.
    choose({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN});
    EXPECT_TRUE(WaitUntil([&] { return Occurrences(WatcherLogText(), L" Paused: ") == 1; })) << "pause";
    choose({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN});
    EXPECT_TRUE(WaitUntil([&] { return Occurrences(WatcherLogText(), L" Resumed: ") == 1; })) << "resume";
    choose({VK_UP});
    const RunResult stopped = watcher.Finish();
    EXPECT_EQ(0u, stopped.exitCode);
    EXPECT_EQ(L"", stopped.standardOutput + stopped.standardError);
}

}  // namespace
