#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "e2e/kelvane_process.h"
#include "support/desktop_files.h"
#include "support/process_handles.h"
#include "support/remote_memory.h"
#include "support/utf8.h"

// A long run of the program's main job against a synthetic desktop of 300
// icons: save, scramble, restore, cycle after cycle (KELVANE_SOAK_CYCLES, 200
// when unset; scripts/soak.sh). Every cycle the icons come back exactly, the
// store holds exactly the desktop's records, and neither program run leaves an
// allocation in the desktop's process.

namespace {

constexpr int kIcons = 300;

int FromEnvironment(const char* name) {
    const char* text = std::getenv(name);
    const int count = text != nullptr ? std::atoi(text) : 0;
    return count > 0 ? count : 200;
}

int Cycles() { return FromEnvironment("KELVANE_SOAK_CYCLES"); }

uint32_t Packed(int x, int y) {
    return static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16 | static_cast<uint16_t>(x);
}

TEST(Soak, SaveScrambleRestore) {
    DeleteRegistryTree(L"Software\\Brenlow");
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic-count", std::to_wstring(kIcons)});
    const auto home = fixture.Items();
    ASSERT_EQ(static_cast<size_t>(kIcons), home.size());
    std::map<std::wstring, uint32_t> expected;
    for (const FixtureItem& item : home)
        expected[item.text] = Packed(item.x, item.y);

    const SIZE_T committedAtStart = PrivateCommittedBytes(fixture.Process());
    const int cycles = Cycles();
    std::chrono::duration<double> total{};
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        SCOPED_TRACE(cycle);
        const auto start = std::chrono::steady_clock::now();
        const auto blocksBefore = PrivateAllocationBases(fixture.Process());

        const RunResult saved = RunKelvane({L"save", L"/y", L"/n", L"Soak"});
        ASSERT_EQ(0u, saved.exitCode);
        ASSERT_EQ(L"", saved.standardError);
        ASSERT_EQ(std::vector<std::wstring>{L"Soak"}, RegistrySubkeys(kStoreKey));
        const auto values = RegistryValues(LayoutKey(L"Soak"));
        ASSERT_EQ(expected.size(), values.size());
        for (const RegistryValue& value : values) {
            ASSERT_EQ(1u, expected.count(value.name)) << ToUtf8(value.name);
            ASSERT_EQ(static_cast<DWORD>(REG_DWORD), value.type);
            ASSERT_EQ(4u, value.data.size());
            const uint32_t packed =
                value.data[0] | value.data[1] << 8 | value.data[2] << 16 | static_cast<uint32_t>(value.data[3]) << 24;
            ASSERT_EQ(expected[value.name], packed) << ToUtf8(value.name);
        }

        // Below the desktop's grid, where no icon's box covers another's home,
        // so that the restore never evicts; a little elsewhere every cycle.
        for (const FixtureItem& item : home) {
            fixture.Move(item.index, 21 + 75 * (item.index % 16) + cycle % 7, 1100 + 75 * (item.index / 16));
        }
        const RunResult restored = RunKelvane({L"restore", L"/y", L"/n", L"Soak"});
        ASSERT_EQ(0u, restored.exitCode);
        ASSERT_EQ(L"Layout: Soak\nDesktop Restored: 300 icons\n", AfterBanner(restored.standardOutput));
        ASSERT_EQ(L"", restored.standardError);
        const auto now = fixture.Items();
        for (size_t i = 0; i < home.size(); ++i) {
            ASSERT_EQ(home[i].x, now[i].x) << ToUtf8(home[i].text);
            ASSERT_EQ(home[i].y, now[i].y) << ToUtf8(home[i].text);
        }
        ASSERT_TRUE(AllocationBasesAdded(blocksBefore, PrivateAllocationBases(fixture.Process())).empty())
            << "a run left memory in the desktop's process";

        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        total += elapsed;
        std::printf("cycle %d: %.2f s, desktop process %zu KB committed\n", cycle, elapsed.count(),
                    PrivateCommittedBytes(fixture.Process()) / 1024);
        std::fflush(stdout);
    }
    std::printf("%d cycles, %.2f s a cycle; desktop process %zu KB committed at the start, %zu KB at the end\n", cycles,
                total.count() / cycles, committedAtStart / 1024, PrivateCommittedBytes(fixture.Process()) / 1024);
    DeleteRegistryTree(L"Software\\Brenlow");
}

// The watcher's memory after each of its jobs. It takes one of two values some
// 3 MB apart, for runs of dozens of jobs, as Wine frees the stack of a thread
// that ended (a restore's folder-view thread, the thread that frees the blocks
// in the shell) only when a later one ends; a leak shows as a floor that climbs
// from one half of the run to the other.
void ExpectFlatFloor(const std::vector<SIZE_T>& committedAfter) {
    if (committedAfter.size() < 2) return;
    const auto half = committedAfter.begin() + committedAfter.size() / 2;
    const SIZE_T firstFloor = *std::min_element(committedAfter.begin(), half);
    const SIZE_T secondFloor = *std::min_element(half, committedAfter.end());
    std::printf("least committed: %zu KB in the first half, %zu KB in the second\n", firstFloor / 1024,
                secondFloor / 1024);
    EXPECT_LE(secondFloor, firstFloor + 1024 * 1024) << "the watcher's memory grows";
}

// The watcher handling event after event (KELVANE_SOAK_EVENTS, 200 when
// unset), the three kinds in turn, on a desktop of 300 icons scrambled before
// each: every restore is exact, and the watcher's handles and memory stay flat.
TEST(Soak, WatcherEventAfterEvent) {
    DeleteRegistryTree(L"Software\\Brenlow");
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic-count", std::to_wstring(kIcons)});
    const auto home = fixture.Items();
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y"}).exitCode);
    StartedProcess watcher(KelvanePath(), {L"watch", L"/w", L"1"}, {std::nullopt, 24 * 3600 * 1000});
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    const LPARAM screen = MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    const struct {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } kinds[] = {
        {WM_DISPLAYCHANGE, 24, screen}, {taskbarCreated, 0, 0}, {WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0}};

    const int events = FromEnvironment("KELVANE_SOAK_EVENTS");
    size_t firstHandles = 0;
    std::vector<SIZE_T> committedAfter;
    for (int event = 1; event <= events; ++event) {
        SCOPED_TRACE(event);
        const auto start = std::chrono::steady_clock::now();
        for (const FixtureItem& item : home)
            fixture.Move(item.index, 21 + 75 * (item.index % 16) + event % 7, 1100 + 75 * (item.index / 16));
        const auto& kind = kinds[event % 3];
        SendMessageTimeoutW(HWND_BROADCAST, kind.message, kind.wParam, kind.lParam, SMTO_ABORTIFHUNG, 10000, nullptr);
        bool restored = false;
        for (int look = 0; look < 1200 && !restored; ++look) {
            Sleep(100);
            const auto now = fixture.Items();
            restored = true;
            for (size_t i = 0; i < home.size() && restored; ++i)
                restored = home[i].x == now[i].x && home[i].y == now[i].y;
        }
        ASSERT_TRUE(restored) << "the icons did not all come back";
        const size_t handles = HandleCount(GetProcessId(watcher.Process()));
        const SIZE_T committed = PrivateCommittedBytes(watcher.Process());
        if (event == 1) firstHandles = handles;
        committedAfter.push_back(committed);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        std::printf("event %d: %.2f s to restore, watcher %zu handles, %zu KB committed\n", event, elapsed.count(),
                    handles, committed / 1024);
        std::fflush(stdout);
    }
    const size_t lastHandles = HandleCount(GetProcessId(watcher.Process()));
    const SIZE_T lastCommitted = PrivateCommittedBytes(watcher.Process());
    std::printf("%d events; watcher after the first: %zu handles; after the last: %zu handles, %zu KB\n", events,
                firstHandles, lastHandles, lastCommitted / 1024);
    EXPECT_LE(lastHandles, firstHandles + 5) << "the watcher's handles grow";
    ExpectFlatFloor(committedAfter);

    const RunResult stopped = RunKelvane({L"watch", L"/stop"});
    EXPECT_EQ(0u, stopped.exitCode);
    const RunResult result = watcher.Finish();
    EXPECT_EQ(0u, result.exitCode);
    size_t restores = 0;
    for (size_t at = result.standardOutput.find(L"Desktop Restored: 300 icons"); at != std::wstring::npos;
         at = result.standardOutput.find(L"Desktop Restored: 300 icons", at + 1))
        ++restores;
    EXPECT_EQ(static_cast<size_t>(events), restores) << "one restore per event";
    DeleteRegistryTree(L"Software\\Brenlow");
}

// The watcher saving round after round (KELVANE_SOAK_SAVES, 200 when unset):
// each round moves a few of 300 icons and waits for the save, `watch /s 5`.
// Every save holds exactly the desktop's records, and the watcher's handles and
// memory stay flat.
TEST(Soak, WatcherSaveAfterSave) {
    DeleteRegistryTree(L"Software\\Brenlow");
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic-count", std::to_wstring(kIcons)});
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y"}).exitCode);
    const std::vector<std::wstring> layouts = RegistrySubkeys(kStoreKey);
    ASSERT_EQ(1u, layouts.size());
    StartedProcess watcher(KelvanePath(), {L"watch", L"/s", L"5", L"/w", L"1"}, {std::nullopt, 24 * 3600 * 1000});
    // It has taken the desktop as it found it once its window is there.
    for (int look = 0; look < 600 && FindWindowW(L"KelvaneWatcher", nullptr) == nullptr; ++look)
        Sleep(100);
    const std::wstring line = L"Desktop Saved: " + std::to_wstring(kIcons) + L" icons";
    const int rounds = FromEnvironment("KELVANE_SOAK_SAVES");
    size_t firstHandles = 0;
    std::vector<SIZE_T> committedAfter;
    for (int round = 1; round <= rounds; ++round) {
        SCOPED_TRACE(round);
        const auto start = std::chrono::steady_clock::now();
        for (int moved = 0; moved < 3; ++moved)
            fixture.Move((round * 7 + moved * 101) % kIcons, 21 + 75 * moved + round % 50, 1100 + round % 40);
        std::map<std::wstring, uint32_t> expected;
        for (const FixtureItem& item : fixture.Items())
            expected[item.text] = Packed(item.x, item.y);
        bool saved = false;
        for (int look = 0; look < 1200 && !saved; ++look) {
            Sleep(100);
            const std::wstring output = watcher.OutputSoFar();
            size_t lines = 0;
            for (size_t at = output.find(line); at != std::wstring::npos; at = output.find(line, at + 1))
                ++lines;
            saved = lines == static_cast<size_t>(round);
        }
        ASSERT_TRUE(saved) << "no save: " << ToUtf8(watcher.OutputSoFar());
        std::map<std::wstring, uint32_t> stored;
        for (const RegistryValue& value : RegistryValues(LayoutKey(layouts[0])))
            stored[value.name] = static_cast<uint32_t>(value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                                       static_cast<uint32_t>(value.data[3]) << 24);
        ASSERT_EQ(expected, stored) << "the save is not exact";
        const size_t handles = HandleCount(GetProcessId(watcher.Process()));
        const SIZE_T committed = PrivateCommittedBytes(watcher.Process());
        if (round == 1) firstHandles = handles;
        committedAfter.push_back(committed);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        std::printf("save %d: %.2f s from the moves, watcher %zu handles, %zu KB committed\n", round, elapsed.count(),
                    handles, committed / 1024);
        std::fflush(stdout);
    }
    EXPECT_LE(HandleCount(GetProcessId(watcher.Process())), firstHandles + 5) << "the watcher's handles grow";
    ExpectFlatFloor(committedAfter);
    EXPECT_EQ(0u, RunKelvane({L"watch", L"/stop"}).exitCode);
    EXPECT_EQ(0u, watcher.Finish().exitCode);
    DeleteRegistryTree(L"Software\\Brenlow");
}

// The watcher putting back item after item (KELVANE_SOAK_REMADE, 200 when
// unset) that the shell deleted and made again, one at a time, among 300 icons
// that carry ID lists: each is back at its stored place, and the watcher's
// handles and memory stay flat. Prints the delay from each item's appearance
// to its return (as the test sees it, looking every 50 ms) and their median and
// worst.
TEST(Soak, WatcherPutsBackItemAfterItem) {
    DeleteRegistryTree(L"Software\\Brenlow");
    std::vector<std::wstring> names, lines;
    for (int i = 0; i < kIcons; ++i) {
        names.push_back(L"soak " + std::to_wstring(i) + L".txt");
        lines.push_back(L"Soak " + std::to_wstring(i) + L"\t" + std::to_wstring(21 + 75 * (i / 12)) + L"\t" +
                        std::to_wstring(2 + 75 * (i % 12)) + L"\tdesktop:" + names.back());
    }
    const DesktopFiles files(names);
    const std::wstring items = WriteItemsFile(lines);
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    std::map<std::wstring, FixtureItem> home;
    for (const FixtureItem& item : fixture.Items())
        home[item.text] = item;
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y"}).exitCode);
    StartedProcess watcher(KelvanePath(), {L"watch", L"/w", L"1"}, {std::nullopt, 24 * 3600 * 1000});
    for (int look = 0; look < 600 && FindWindowW(L"KelvaneWatcher", nullptr) == nullptr; ++look)
        Sleep(100);

    const int rounds = FromEnvironment("KELVANE_SOAK_REMADE");
    size_t firstHandles = 0;
    std::vector<SIZE_T> committedAfter;
    std::vector<double> delays;
    for (int round = 1; round <= rounds; ++round) {
        SCOPED_TRACE(round);
        const std::vector<FixtureItem> before = fixture.Items();
        const FixtureItem& remade = before[(round * 37) % kIcons];
        const std::wstring text = remade.text;
        fixture.Recreate({{remade.index, 1500 + round % 7, 1000 + round % 5}});
        const auto start = std::chrono::steady_clock::now();
        bool back = false;
        for (int look = 0; look < 3000 && !back; ++look) {
            Sleep(50);
            for (const FixtureItem& item : fixture.Items())
                back = back || (item.text == text && item.x == home[text].x && item.y == home[text].y);
        }
        ASSERT_TRUE(back) << ToUtf8(text) << " did not come back";
        const std::chrono::duration<double> delay = std::chrono::steady_clock::now() - start;
        delays.push_back(delay.count());
        // The watcher's work for the item may end just after the icon stands.
        Sleep(500);
        const size_t handles = HandleCount(GetProcessId(watcher.Process()));
        const SIZE_T committed = PrivateCommittedBytes(watcher.Process());
        if (round == 1) firstHandles = handles;
        committedAfter.push_back(committed);
        std::printf("item %d: back after %.2f s, watcher %zu handles, %zu KB committed\n", round, delay.count(),
                    handles, committed / 1024);
        std::fflush(stdout);
    }
    std::sort(delays.begin(), delays.end());
    std::printf("%d items made again: back after %.2f s (median), %.2f s at worst\n", rounds, delays[delays.size() / 2],
                delays.back());
    EXPECT_LE(HandleCount(GetProcessId(watcher.Process())), firstHandles + 5) << "the watcher's handles grow";
    ExpectFlatFloor(committedAfter);
    EXPECT_EQ(0u, RunKelvane({L"watch", L"/stop"}).exitCode);
    const RunResult result = watcher.Finish();
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(std::wstring::npos, result.standardOutput.find(L"Desktop Restored")) << "the whole layout was restored";
    DeleteRegistryTree(L"Software\\Brenlow");
}

}  // namespace
