#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <random>
#include <regex>

#include "e2e/kelvane_process.h"
#include "support/desktop_files.h"
#include "support/remote_memory.h"
#include "support/scratch_folder.h"
#include "support/stand_in_registration.h"

namespace {

POINT PositionOf(DesktopFixture& fixture, int index) {
    for (const FixtureItem& item : fixture.Items()) {
        if (item.index == index) return {item.x, item.y};
    }
    return {-99999, -99999};
}

// Five icons far apart, as the test of a list view going away has them: no
// placement evicts another, and each record costs the list view five messages
// after the keep for undo. The layout puts them on the top row.
std::wstring FarApartIconsAndLayout(const std::wstring& layout) {
    std::vector<std::wstring> lines;
    for (int i = 0; i < 5; ++i) {
        const std::wstring text = L"Icon " + std::to_wstring(i);
        lines.push_back(text + L"\t" + std::to_wstring(700 + 75 * i) + L"\t600\tnone");
        WriteRegistryValue(LayoutKey(layout), text, REG_DWORD, PackedRecordData(21 + 150 * i, 2));
    }
    return WriteItemsFile(lines);
}

std::wstring Summary(const std::wstring& layout, int count) {
    return L"Layout: " + layout + L"\nDesktop Restored: " + std::to_wstring(count) + L" icons\n";
}

class Restore : public ::testing::Test {
protected:
    void SetUp() override { DeleteRegistryTree(L"Software\\Brenlow"); }
    void TearDown() override { DeleteRegistryTree(L"Software\\Brenlow"); }
};

TEST_F(Restore, ScrambledShellFolderComesBack) {
    ScratchFolder folder(ScratchLocation::Temp, {L"one.txt", L"two.txt", L"three.txt", L"B\u00fcro.txt", L"five"});
    DesktopFixture fixture(FixtureBesideTest(), {L"--shell-folder", folder.Path()});
    const auto saved = fixture.Items();
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y", L"/n", L"Cycle"}).exitCode);
    for (const FixtureItem& item : saved)
        fixture.Move(item.index, 600 - item.y, 500 + item.x / 3);

    const auto blocksBefore = PrivateAllocationBases(fixture.Process());
    const RunResult result = RunKelvane({L"restore", L"/y", L"/n", L"cycle"});
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(Summary(L"Cycle", 5), AfterBanner(result.standardOutput));
    EXPECT_EQ(L"", result.standardError);
    const auto restored = fixture.Items();
    ASSERT_EQ(saved.size(), restored.size());
    for (size_t i = 0; i < saved.size(); ++i) {
        EXPECT_EQ(saved[i].x, restored[i].x) << saved[i].text;
        EXPECT_EQ(saved[i].y, restored[i].y) << saved[i].text;
    }
    EXPECT_TRUE(AllocationBasesAdded(blocksBefore, PrivateAllocationBases(fixture.Process())).empty())
        << "the restore left memory in the shell";

    // Everything already in place: still counted, nothing moves.
    EXPECT_EQ(Summary(L"Cycle", 5), AfterBanner(RunKelvane({L"restore", L"/y", L"/n", L"CYCLE"}).standardOutput));
}

TEST_F(Restore, DefaultNameAndTheQuestion) {
    const std::wstring items = WriteItemsFile({L"Icon\t10\t20\tnone"});
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y"}).exitCode);
    fixture.Move(0, 300, 300);
    const RunResult asked = RunKelvane({L"restore"});
    EXPECT_EQ(L"Restore Icon Locations for:\n\t" + DefaultLayoutName() + L" [y/n]? n\n",
              AfterBanner(asked.standardOutput));
    EXPECT_EQ(300, PositionOf(fixture, 0).x) << "answering no moves nothing";

    const RunResult result = RunKelvane({L"restore", L"/y"});
    EXPECT_EQ(Summary(DefaultLayoutName(), 1), AfterBanner(result.standardOutput));
    EXPECT_EQ(10, PositionOf(fixture, 0).x);
    EXPECT_EQ(20, PositionOf(fixture, 0).y);
    DeleteFileW(items.c_str());
}

TEST_F(Restore, NamesMatchWithOnlyAsciiLettersFolded) {
    WriteRegistryValue(LayoutKey(L"Office"), L"Icon", REG_DWORD, PackedRecordData(40, 50));
    WriteRegistryValue(LayoutKey(L"\u00c4rger"), L"Icon", REG_DWORD, PackedRecordData(60, 70));
    const std::wstring items = WriteItemsFile({L"Icon\t10\t20\tnone"});
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});

    const RunResult office = RunKelvane({L"restore", L"/n", L"office"});
    EXPECT_EQ(L"Restore Icon Locations for:\n\tOffice [y/n]? n\n", AfterBanner(office.standardOutput));

    const RunResult umlaut = RunKelvane({L"restore", L"/y", L"/n", L"\u00e4rger"});
    EXPECT_EQ(L"", AfterBanner(umlaut.standardOutput));
    EXPECT_EQ(L"Layout not found: \u00e4rger.\n", umlaut.standardError);

    const RunResult missing = RunKelvane({L"restore", L"/y"});
    EXPECT_EQ(L"Layout not found: " + DefaultLayoutName() + L".\n", missing.standardError);
    EXPECT_EQ(10, PositionOf(fixture, 0).x);
    DeleteFileW(items.c_str());
}

TEST_F(Restore, EmptyLayoutSaysSoWithoutNewline) {
    WriteRegistryValue(LayoutKey(L"Empty"), L"ignored string", REG_SZ, {'x', 0, 0, 0});
    const std::wstring items = WriteItemsFile({L"Icon\t10\t20\tnone"});
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    const RunResult result = RunKelvane({L"restore", L"/y", L"/n", L"Empty"});
    EXPECT_EQ(L"No Layout Information Stored:\nEmpty", AfterBanner(result.standardOutput));
    DeleteFileW(items.c_str());
}

TEST_F(Restore, OccupantIsEvictedToTheFirstFreeGridPoint) {
    // C holds the first grid point; B stands where A belongs.
    const std::wstring items = WriteItemsFile({L"A\t700\t600\tnone", L"B\t300\t300\tnone", L"C\t21\t2\tnone"});
    WriteRegistryValue(LayoutKey(L"Evict"), L"A", REG_DWORD, PackedRecordData(300, 300));
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    const SIZE spacing = fixture.Spacing();
    const RunResult result = RunKelvane({L"restore", L"/y", L"/n", L"Evict"});
    EXPECT_EQ(Summary(L"Evict", 1), AfterBanner(result.standardOutput));
    EXPECT_EQ(300, PositionOf(fixture, 0).x);
    EXPECT_EQ(300, PositionOf(fixture, 0).y);

    // The first grid point, column by column, that no other item's bounds cover.
    const RECT c = fixture.Rect(2);
    const RECT a = fixture.Rect(0);
    POINT expected = {-1, -1};
    for (int x = 21; x < GetSystemMetrics(SM_CXSCREEN) - 10 && expected.x < 0; x += spacing.cx) {
        for (int y = 2; y < GetSystemMetrics(SM_CYSCREEN) - 10; y += spacing.cy) {
            const POINT point = {x, y};
            if (!PtInRect(&c, point) && !PtInRect(&a, point)) {
                expected = point;
                break;
            }
        }
    }
    EXPECT_EQ(expected.x, PositionOf(fixture, 1).x);
    EXPECT_EQ(expected.y, PositionOf(fixture, 1).y);
    EXPECT_EQ(21, PositionOf(fixture, 2).x) << "C is not touched";
    DeleteFileW(items.c_str());
}

TEST_F(Restore, IconsStoredOffScreenComeIntoViewOnFreeGridPoints) {
    // A layout of a bigger screen: In stays where stored, the others lie beyond
    // each edge of this one.
    const std::wstring items = WriteItemsFile(
        {L"In\t500\t500\tnone", L"Right\t40\t40\tnone", L"Below\t40\t140\tnone", L"Left\t40\t240\tnone"});
    const std::vector<std::pair<const wchar_t*, POINT>> stored = {
        {L"In", {300, 300}}, {L"Right", {5000, 400}}, {L"Below", {600, 3000}}, {L"Left", {-400, -90}}};
    for (const auto& [text, place] : stored)
        WriteRegistryValue(LayoutKey(L"Big"), text, REG_DWORD, PackedRecordData(place.x, place.y));
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    const RunResult result = RunKelvane({L"restore", L"/y", L"/n", L"Big"});
    EXPECT_EQ(Summary(L"Big", 4) + L"Brought into view: 3 icons\n", AfterBanner(result.standardOutput));
    EXPECT_EQ(300, PositionOf(fixture, 0).x);
    EXPECT_EQ(300, PositionOf(fixture, 0).y);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const SIZE spacing = fixture.Spacing();
    const auto placed = fixture.Items();
    for (const FixtureItem& item : placed) {
        if (item.index == 0) continue;
        const POINT point = {item.x, item.y};
        EXPECT_TRUE(PtInRect(&work, point)) << item.text << " is off-screen";
        EXPECT_EQ(0, (item.x - 21) % spacing.cx) << item.text << " is off the grid";
        EXPECT_EQ(0, (item.y - 2) % spacing.cy) << item.text << " is off the grid";
        for (const FixtureItem& other : placed) {
            const RECT bounds = fixture.Rect(other.index);
            EXPECT_TRUE(other.index == item.index || !PtInRect(&bounds, point)) << item.text << " on " << other.text;
        }
    }
    DeleteFileW(items.c_str());
}

// Layouts saved on a screen twice this one's size, and on two monitors side by
// side, restored with /fit: each icon lands within a grid step of its place
// scaled down, on a point of its own; /fit of this display's layout moves
// every icon to exactly where it is stored.
TEST_F(Restore, FitCarriesALayoutToThisDisplayInProportion) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const auto rect = [](int l, int t, int r, int b) {
        return std::to_wstring(l) + L"," + std::to_wstring(t) + L"," + std::to_wstring(r) + L"," + std::to_wstring(b);
    };
    WriteDisplayRecord(L"Double", L"*" + rect(0, 0, 2 * width, 2 * height) + L"/" + rect(0, 0, 2 * width, 2 * height));
    WriteDisplayRecord(L"Two", L"*" + rect(0, 0, width, height) + L"/" + rect(0, 0, width, height) + L";" +
                                   rect(width, 0, 2 * width, height) + L"/" + rect(width, 0, 2 * width, height));
    std::vector<std::wstring> lines;
    std::map<std::wstring, POINT> doubled;
    for (int i = 0; i < 12; ++i) {
        const std::wstring text = L"Icon " + std::to_wstring(i);
        lines.push_back(text + L"\t" + std::to_wstring(40 + 20 * i) + L"\t700\tnone");
        // Two columns that a plain halving would put on top of each other.
        const POINT place = {200 + 150 * (i % 2), 100 + 300 * (i / 2)};
        doubled[text] = place;
        WriteRegistryValue(LayoutKey(L"Double"), text, REG_DWORD, PackedRecordData(place.x, place.y));
        WriteRegistryValue(LayoutKey(L"Two"), text, REG_DWORD, PackedRecordData(width + place.x / 2, place.y / 2));
        WriteRegistryValue(LayoutKey(DefaultLayoutName()), text, REG_DWORD, PackedRecordData(place.x, place.y / 2));
    }
    const std::wstring items = WriteItemsFile(lines);
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    const SIZE spacing = fixture.Spacing();
    for (const wchar_t* layout : {L"Double", L"Two"}) {
        SCOPED_TRACE(layout);
        const RunResult result = RunKelvane({L"restore", L"/y", L"/fit", L"/n", layout});
        EXPECT_EQ(Summary(layout, 12), AfterBanner(result.standardOutput));
        const auto placed = fixture.Items();
        for (const FixtureItem& item : placed) {
            const POINT half = {doubled[item.text].x / 2, doubled[item.text].y / 2};
            EXPECT_LE(std::abs(item.x - half.x), spacing.cx) << item.text;
            EXPECT_LE(std::abs(item.y - half.y), spacing.cy) << item.text;
            for (const FixtureItem& other : placed) {
                const RECT bounds = fixture.Rect(other.index);
                const POINT point = {item.x, item.y};
                EXPECT_TRUE(other.index == item.index || !PtInRect(&bounds, point))
                    << item.text << " on " << other.text;
            }
        }
    }
    EXPECT_EQ(0u, RunKelvane({L"restore", L"/y", L"/fit"}).exitCode);
    for (const FixtureItem& item : fixture.Items()) {
        EXPECT_EQ(doubled[item.text].x, item.x) << item.text;
        EXPECT_EQ(doubled[item.text].y / 2, item.y) << item.text;
    }
    DeleteFileW(items.c_str());
}

// Texts as the list view's own search matches them. A text longer than the
// program reads of it is matched by the list view itself: Wine's compares the
// whole text, so a record holding only its beginning finds nothing.
TEST_F(Restore, TextOnlyRecordsTakeTheFirstItemWithTheText) {
    const std::wstring filling(259, L'f');
    const std::wstring items = WriteItemsFile({L"Other\t10\t10\tnone", L"twin\t100\t10\tnone", L"Twin\t200\t10\tnone",
                                               filling + L"longer\t300\t10\tnone", filling + L"\t400\t10\tnone"});
    WriteRegistryValue(LayoutKey(L"Text"), L"TWIN", REG_DWORD, PackedRecordData(400, 420));
    WriteRegistryValue(LayoutKey(L"Text"), L"Nobody", REG_DWORD, PackedRecordData(400, 500));
    WriteRegistryValue(LayoutKey(L"Text"), filling, REG_DWORD, PackedRecordData(600, 600));
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    const RunResult result = RunKelvane({L"restore", L"/y", L"/n", L"Text"});
    EXPECT_EQ(Summary(L"Text", 2), AfterBanner(result.standardOutput));
    EXPECT_EQ(400, PositionOf(fixture, 1).x);
    EXPECT_EQ(420, PositionOf(fixture, 1).y);
    EXPECT_EQ(200, PositionOf(fixture, 2).x);
    EXPECT_EQ(300, PositionOf(fixture, 3).x);
    EXPECT_EQ(600, PositionOf(fixture, 4).x);
    DeleteFileW(items.c_str());
}

TEST_F(Restore, LayoutThatMatchesNothingPrintsNoSummary) {
    WriteRegistryValue(LayoutKey(L"Stale"), L"gone.txt", REG_BINARY, ShellRecordData(5, 5, L"gone"));
    WriteRegistryValue(LayoutKey(L"Stale"), L"Gone too", REG_DWORD, PackedRecordData(5, 5));
    const std::wstring items = WriteItemsFile({L"Icon\t10\t20\tnone"});
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    const RunResult result = RunKelvane({L"restore", L"/y", L"/n", L"Stale"});
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(L"", AfterBanner(result.standardOutput));
    EXPECT_EQ(L"", result.standardError);
    DeleteFileW(items.c_str());
}

TEST_F(Restore, ShellGoingAwayMidWayEndsPromptlyAndKeepsTheLayout) {
    // Five icons far apart, so that no placement evicts another. The restore
    // walks the items first: 16 messages, one to start and three per item. Then
    // each record costs the list view three messages (the search for the icon
    // nearest its place, that icon's bounds, and the move), the last record the
    // 13th to the 15th after the walk.
    constexpr unsigned kKeep = 16;
    std::vector<std::wstring> lines;
    for (int i = 0; i < 5; ++i) {
        const std::wstring text = L"Icon " + std::to_wstring(i);
        lines.push_back(text + L"\t" + std::to_wstring(700 + 75 * i) + L"\t600\tnone");
        WriteRegistryValue(LayoutKey(L"Going"), text, REG_DWORD, PackedRecordData(21 + 150 * i, 2));
    }
    const std::wstring items = WriteItemsFile(lines);
    const auto stored = RegistryValues(LayoutKey(L"Going"));
    for (unsigned messages : {1u, 3u, 5u, 9u, 14u}) {
        SCOPED_TRACE(messages);
        DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
        fixture.QuitAfter(kKeep + messages);
        const auto start = std::chrono::steady_clock::now();
        const RunResult result = RunKelvane({L"restore", L"/y", L"/n", L"Going"}, RunOptions{std::nullopt, 30000});
        ASSERT_FALSE(result.timedOut) << "the restore must end when the list view has gone";
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
        EXPECT_EQ(0u, result.exitCode);
        EXPECT_EQ(L"The desktop list view went away: the restore stopped.\n", result.standardError);
        // Only the records whose three messages were all answered count; a
        // record handled while the list view went is not counted as restored.
        const int whole = static_cast<int>(messages / 3);
        const std::wstring output = AfterBanner(result.standardOutput);
        const size_t summary = output.find(L"Layout: Going");
        EXPECT_EQ(whole > 0 ? Summary(L"Going", whole) : L"",
                  summary == std::wstring::npos ? L"" : output.substr(summary));
        const auto after = RegistryValues(LayoutKey(L"Going"));
        ASSERT_EQ(stored.size(), after.size());
        for (size_t i = 0; i < stored.size(); ++i) {
            EXPECT_EQ(stored[i].name, after[i].name);
            EXPECT_EQ(stored[i].type, after[i].type);
            EXPECT_EQ(stored[i].data, after[i].data);
        }
    }
    // Going away during the walk: the keep for undo says so, and the restore
    // stops before its first record.
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    fixture.QuitAfter(kKeep / 2);
    const RunResult result = RunKelvane({L"restore", L"/y", L"/n", L"Going"}, RunOptions{std::nullopt, 30000});
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(
        L"Could not keep the arrangement for undo: the desktop list view went away. The kept one is unchanged.\n"
        L"The desktop list view went away: the restore stopped.\n",
        result.standardError);
    EXPECT_EQ(stored, RegistryValues(LayoutKey(L"Going")));
    DeleteFileW(items.c_str());
}

// Every restore keeps the arrangement it replaces, once the user has said yes;
// undo puts it back and keeps the one it replaces in its turn.
TEST_F(Restore, UndoGivesBackWhatTheLastRestoreReplaced) {
    const std::wstring items = WriteItemsFile({L"A\t21\t2\tnone", L"B\t96\t2\tnone", L"C\t171\t2\tnone"});
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y", L"/n", L"Home"}).exitCode);
    const auto home = fixture.Items();

    const RunResult nothing = RunKelvane({L"undo", L"/y"});
    EXPECT_EQ(kNotDone, nothing.exitCode);
    EXPECT_EQ(L"Nothing to undo.\n", nothing.standardError);
    EXPECT_EQ(L"", AfterBanner(nothing.standardOutput));

    for (const FixtureItem& item : home)
        fixture.Move(item.index, 500 + 80 * item.index, 600 - 50 * item.index);
    const auto scrambled = fixture.Items();
    // Answered no: nothing is kept.
    EXPECT_EQ(0u, RunKelvane({L"restore", L"/n", L"Home"}).exitCode);
    EXPECT_EQ(kNotDone, RunKelvane({L"undo", L"/y"}).exitCode);
    const RunResult restored = RunKelvane({L"restore", L"/y", L"/n", L"Home"});
    EXPECT_EQ(Summary(L"Home", 3), AfterBanner(restored.standardOutput));
    EXPECT_EQ(L"", restored.standardError);
    EXPECT_EQ(std::vector<std::wstring>{L"Home"}, RegistrySubkeys(kStoreKey)) << "the layouts are as they were";

    const RunResult asked = RunKelvane({L"undo"});
    EXPECT_EQ(kNotDone, asked.exitCode) << "without a console the question counts as no";
    EXPECT_EQ(L"Undo the last restore [y/n]? n\n", AfterBanner(asked.standardOutput));
    EXPECT_EQ(home[0].x, PositionOf(fixture, 0).x);

    const std::pair<const wchar_t*, const std::vector<FixtureItem>*> undos[] = {{L"undo", &scrambled},
                                                                                {L"/UNDO", &home}};
    for (const auto& [word, expected] : undos) {
        const RunResult undone = RunKelvane({word, L"/y"});
        EXPECT_EQ(0u, undone.exitCode) << word;
        EXPECT_EQ(Summary(L"(undo)", 3), AfterBanner(undone.standardOutput)) << word;
        EXPECT_EQ(L"", undone.standardError) << word;
        for (const FixtureItem& item : *expected) {
            EXPECT_EQ(item.x, PositionOf(fixture, item.index).x) << word << " " << item.text;
            EXPECT_EQ(item.y, PositionOf(fixture, item.index).y) << word << " " << item.text;
        }
    }
    DeleteFileW(items.c_str());
}

// A desktop that arranges its icons by itself would put each one straight back:
// no kind of restore moves any, each says why in one line with no summary, and
// the arrangement kept for undo stays as it was.
TEST_F(Restore, ADesktopThatArrangesItselfIsLeftAsItIs) {
    const std::wstring items = WriteItemsFile({L"A\t21\t2\tnone", L"B\t96\t2\tnone"});
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y", L"/n", L"Home"}).exitCode);
    fixture.Move(0, 400, 300);
    ASSERT_EQ(0u, RunKelvane({L"restore", L"/y", L"/n", L"Home"}).exitCode);
    const auto kept = RegistryValues(std::wstring(kStoreKey) + L" Undo");
    fixture.AutoArrange(true);
    fixture.Move(1, 500, 500);
    const auto arranged = fixture.Items();
    const std::pair<std::vector<std::wstring>, DWORD> restores[] = {
        {{L"restore", L"/y", L"/n", L"Home"}, 0}, {{L"restore", L"/n", L"Home"}, 0}, {{L"undo", L"/y"}, kNotDone}};
    for (const auto& [arguments, exitCode] : restores) {
        SCOPED_TRACE(arguments.size());
        const RunResult result = RunKelvane(arguments);
        EXPECT_EQ(exitCode, result.exitCode);
        EXPECT_EQ(L"", AfterBanner(result.standardOutput)) << "no question and no summary";
        EXPECT_EQ(
            L"The desktop arranges its icons by itself, so the restore moved none: turn off \"Auto arrange "
            L"icons\" (right-click the desktop, then View) and restore again.\n",
            result.standardError);
        for (const FixtureItem& item : arranged) {
            EXPECT_EQ(item.x, PositionOf(fixture, item.index).x);
            EXPECT_EQ(item.y, PositionOf(fixture, item.index).y);
        }
        EXPECT_EQ(kept, RegistryValues(std::wstring(kStoreKey) + L" Undo"));
    }
    DeleteFileW(items.c_str());
}

// status compares without changing anything: the counts, then a line for each
// icon not in place; it succeeds when every icon of the layout on the desktop
// stands at its stored place.
TEST_F(Restore, StatusComparesTheDesktopWithALayout) {
    const std::wstring items = WriteItemsFile({L"A\t21\t2\tnone", L"B\t96\t2\tnone", L"C\t171\t2\tnone"});
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y"}).exitCode);
    std::wstring layout = DefaultLayoutName();
    const auto counts = [&layout](int inPlace, int elsewhere, int notOnDesktop, int notInLayout) {
        return L"Layout: " + layout + L"\nIn place: " + std::to_wstring(inPlace) + L"\nElsewhere: " +
               std::to_wstring(elsewhere) + L"\nNot on the desktop: " + std::to_wstring(notOnDesktop) +
               L"\nNot in the layout: " + std::to_wstring(notInLayout) + L"\n";
    };
    struct Step {
        const char* name;
        std::function<void()> change;
        DWORD exitCode;
        std::wstring output;
    };
    const Step steps[] = {
        {"in place", [] {}, 0, counts(3, 0, 0, 0)},
        {"one moved", [&] { fixture.Move(0, 400, 300); }, kNotDone,
         counts(2, 1, 0, 0) + L"elsewhere\tA\t400,300\t21,2\n"},
        {"one gone from the desktop, one new to it",
         [&] {
             DeleteRegistryValue(LayoutKey(layout), L"C");
             WriteRegistryValue(LayoutKey(layout), L"Gone", REG_DWORD, PackedRecordData(246, 2));
         },
         kNotDone,
         counts(1, 1, 1, 1) +
             L"elsewhere\tA\t400,300\t21,2\nnot-on-desktop\tGone\t-\t246,2\nnot-in-layout\tC\t171,2\t-\n"},
        {"every icon on the desktop in place", [&] { fixture.Move(0, 21, 2); }, 0,
         counts(2, 0, 1, 1) + L"not-on-desktop\tGone\t-\t246,2\nnot-in-layout\tC\t171,2\t-\n"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.change();
        const auto stored = RegistryValues(LayoutKey(layout));
        const auto before = fixture.Items();
        const RunResult result = RunKelvane({L"status"});
        EXPECT_EQ(step.exitCode, result.exitCode);
        EXPECT_EQ(step.output, AfterBanner(result.standardOutput));
        EXPECT_EQ(L"", result.standardError);
        EXPECT_EQ(stored, RegistryValues(LayoutKey(layout)));
        for (const FixtureItem& item : before)
            EXPECT_EQ(item.x, PositionOf(fixture, item.index).x);
    }
    const RunResult missing = RunKelvane({L"status", L"/n", L"Elsewhere"});
    EXPECT_EQ(kNotDone, missing.exitCode);
    EXPECT_EQ(L"Layout not found: Elsewhere.\n", missing.standardError);
    EXPECT_EQ(L"", AfterBanner(missing.standardOutput));

    // A version is compared as the layout was: the save keeps what it replaces.
    fixture.Move(1, 500, 500);
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y"}).exitCode);
    const RunResult version = RunKelvane({L"status", L"/v", L"1"});
    EXPECT_EQ(kNotDone, version.exitCode);
    const std::wstring output = AfterBanner(version.standardOutput);
    layout += L", version 1";
    EXPECT_EQ(0u, output.find(counts(1, 1, 1, 1))) << output;
    for (const wchar_t* line :
         {L"\nelsewhere\tB\t500,500\t96,2\n", L"\nnot-on-desktop\tGone\t-\t246,2\n", L"\nnot-in-layout\tC\t171,2\t-\n"})
        EXPECT_NE(std::wstring::npos, output.find(line)) << output;
    EXPECT_EQ(L"Layout not found: " + layout.substr(0, layout.size() - 1) + L"2.\n",
              RunKelvane({L"status", L"/v", L"2"}).standardError);
    DeleteFileW(items.c_str());
}

// The registry refuses a lasting key below a volatile one: with the store's
// keys volatile, the arrangement cannot be kept, and the restore goes on.
TEST_F(Restore, AKeepThatFailsSaysSoInOneLineAndTheRestoreGoesOn) {
    CreateVolatileKey(L"Software\\Brenlow");
    CreateVolatileKey(kStoreKey);
    CreateVolatileKey(LayoutKey(L"Volatile"));
    WriteRegistryValue(LayoutKey(L"Volatile"), L"Icon", REG_DWORD, PackedRecordData(300, 320));
    const std::wstring items = WriteItemsFile({L"Icon\t10\t20\tnone"});
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    const RunResult result = RunKelvane({L"restore", L"/y", L"/n", L"Volatile"});
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(Summary(L"Volatile", 1), AfterBanner(result.standardOutput));
    EXPECT_EQ(L"Could not keep the arrangement for undo: the registry refused it. The restore goes on.\n",
              result.standardError);
    EXPECT_EQ(300, PositionOf(fixture, 0).x);
    EXPECT_EQ(320, PositionOf(fixture, 0).y);
    EXPECT_EQ(L"Nothing to undo.\n", RunKelvane({L"undo", L"/y"}).standardError);
    DeleteFileW(items.c_str());
}

TEST_F(Restore, ShellThatStopsAnsweringEndsTheRestoreAtThatIcon) {
    // The walk asks for no search; the list view stops inside the third
    // record's search for what stands at its place, before it writes an answer.
    const std::wstring items = FarApartIconsAndLayout(L"Stuck");
    const auto stored = RegistryValues(LayoutKey(L"Stuck"));
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    const auto blocksBefore = PrivateAllocationBases(fixture.Process());
    fixture.StallIn(LVM_FINDITEMW, 3);
    const RunResult result = RunKelvane({L"restore", L"/y", L"/n", L"Stuck"}, RunOptions{std::nullopt, 120000});
    ASSERT_FALSE(result.timedOut) << "the restore must give up on a list view that does not answer";
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(Summary(L"Stuck", 2), AfterBanner(result.standardOutput));
    EXPECT_EQ(L"The desktop list view is not responding: the restore stopped before its last icons.\n",
              result.standardError);

    fixture.Wake();
    const StallReport report = fixture.LastStall();
    EXPECT_EQ(0u, report.freedWrites) << "the list view wrote into memory the program had freed";
    const auto left = AllocationBasesAdded(blocksBefore, PrivateAllocationBases(fixture.Process()));
    EXPECT_EQ(1u, left.size()) << "only the block of the search stays";
    EXPECT_EQ(left, report.blocks);
    for (int i = 0; i < 5; ++i) {
        const POINT position = PositionOf(fixture, i);
        EXPECT_EQ(i < 2 ? 21 + 150 * i : 700 + 75 * i, position.x) << i;
        EXPECT_EQ(i < 2 ? 2 : 600, position.y) << i;
    }
    const auto after = RegistryValues(LayoutKey(L"Stuck"));
    ASSERT_EQ(stored.size(), after.size());
    for (size_t i = 0; i < stored.size(); ++i)
        EXPECT_EQ(stored[i].data, after[i].data);
    DeleteFileW(items.c_str());
}

// With file extensions hidden, Twin.txt and Twin.ini both show as "Twin": only
// the identity tells them apart.
class RestoreByIdentity : public Restore {
protected:
    void SetUp() override {
        Restore::SetUp();
        WriteRegistryValue(kAdvanced, L"HideFileExt", REG_DWORD, {1, 0, 0, 0});
    }
    void TearDown() override {
        WriteRegistryValue(kAdvanced, L"HideFileExt", REG_DWORD, {0, 0, 0, 0});
        Restore::TearDown();
    }
    static constexpr wchar_t kAdvanced[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";

    std::map<std::wstring, int> IndexByIdentity(DesktopFixture& fixture) {
        std::map<std::wstring, int> indexes;
        for (const FixtureItem& item : fixture.Items())
            indexes[fixture.Identity(item.index)] = item.index;
        return indexes;
    }
};

TEST_F(RestoreByIdentity, OnlyTheItemWithTheStoredIdentityMoves) {
    ScratchFolder folder(ScratchLocation::Temp, {L"Twin.txt", L"Twin.ini", L"\u00c4rger.txt"});
    DesktopFixture fixture(FixtureBesideTest(), {L"--shell-folder", folder.Path()});
    auto indexes = IndexByIdentity(fixture);
    ASSERT_EQ(3u, indexes.size());
    const int ini = indexes[L"Twin.ini"];
    const int txt = indexes[L"Twin.txt"];
    const int umlaut = indexes[L"\u00c4rger.txt"];
    for (const FixtureItem& item : fixture.Items()) {
        if (item.index == ini || item.index == txt) {
            ASSERT_EQ(L"Twin", item.text);
        }
    }
    fixture.Move(txt, 100, 100);
    fixture.Move(ini, 200, 100);
    fixture.Move(umlaut, 300, 100);

    // The .ini record differs in ASCII case only: it matches. The umlaut record
    // differs in the case of a non-ASCII letter: it does not.
    WriteRegistryValue(LayoutKey(L"Twins"), L"TWIN.INI", REG_BINARY, ShellRecordData(500, 400, L"Twin"));
    WriteRegistryValue(LayoutKey(L"Twins"), L"\u00e4RGER.TXT", REG_BINARY, ShellRecordData(600, 400, L"\u00c4rger"));
    const RunResult result = RunKelvane({L"restore", L"/y", L"/n", L"Twins"});
    EXPECT_EQ(Summary(L"Twins", 1), AfterBanner(result.standardOutput));
    EXPECT_EQ(500, PositionOf(fixture, ini).x);
    EXPECT_EQ(400, PositionOf(fixture, ini).y);
    EXPECT_EQ(100, PositionOf(fixture, txt).x);
    EXPECT_EQ(300, PositionOf(fixture, umlaut).x);
}

// Windows 10 1809 and later keep a record of their own of where each desktop
// icon stands and put the icons back from it later. The fixture plays that
// shell (--stand-in), and the test prefix sends the program's lookup of the
// shell's window list to the stand-in server, which carries the folder-view
// calls to the fixture; "refresh" then does what the shell does with its
// record. Without the redirect the program meets Wine's own shell, whose
// folder view refuses: the restore is exactly what it was, and refresh loses it.
class RestoreKeptByShell : public Restore {
protected:
    enum class Content { ShellDesktop, SyntheticWithIdLists };

    // Files on the desktop for the icons; Wine's view of the desktop folder
    // shows them, and the synthetic desktop carries their ID lists.
    void MakeDesktop(Content content, int icons) {
        TakeDesktopAway();
        std::vector<std::wstring> names;
        for (int i = 0; i < icons; ++i)
            names.push_back(L"kept " + std::to_wstring(1000 + i) + L".txt");
        files = std::make_unique<DesktopFiles>(names);
        std::vector<std::wstring> arguments = {L"--shell-desktop"};
        if (content == Content::SyntheticWithIdLists) {
            std::vector<std::wstring> lines;
            for (int i = 0; i < icons; ++i) {
                lines.push_back(L"Kept " + std::to_wstring(i) + L"\t" + std::to_wstring(21 + 75 * (i / 12)) + L"\t" +
                                std::to_wstring(2 + 75 * (i % 12)) + L"\tdesktop:" + names[i]);
            }
            itemsFile = WriteItemsFile(lines);
            arguments = {L"--synthetic", itemsFile};
        }
        arguments.push_back(L"--stand-in");
        fixture = std::make_unique<DesktopFixture>(FixtureBesideTest(), arguments);
    }

    void TakeDesktopAway() {
        fixture.reset();
        files.reset();
        if (!itemsFile.empty()) DeleteFileW(itemsFile.c_str());
        itemsFile.clear();
        DeleteRegistryTree(L"Software\\Brenlow");
    }

    void TearDown() override {
        TakeDesktopAway();
        Restore::TearDown();
    }

    // Saves the desktop as "Kept", leaves every `leaveOutEvery`th record out of
    // it, and has the shell (the fixture's own moves, which its record follows)
    // trade the icons' places among their own points. Returns the number of
    // records kept.
    int SaveAndScramble(int leaveOutEvery) {
        home = fixture->Items();
        EXPECT_EQ(0u, RunKelvane({L"save", L"/y", L"/n", L"Kept"}).exitCode);
        const auto values = RegistryValues(LayoutKey(L"Kept"));
        for (size_t i = 0; i < values.size(); ++i) {
            if (leaveOutEvery > 0 && i % leaveOutEvery == 0) DeleteRegistryValue(LayoutKey(L"Kept"), values[i].name);
        }
        std::vector<size_t> order(home.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::shuffle(order.begin(), order.end(), std::mt19937(5));
        for (size_t i = 0; i < home.size(); ++i)
            fixture->Move(home[i].index, home[order[i]].x, home[order[i]].y);
        scrambled = fixture->Items();
        return static_cast<int>(RegistryValues(LayoutKey(L"Kept")).size());
    }

    static bool SamePlaces(const std::vector<FixtureItem>& a, const std::vector<FixtureItem>& b) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i) {
            if (a[i].x != b[i].x || a[i].y != b[i].y) return false;
        }
        return true;
    }

    // Restores "Kept" and checks what the program printed, that every stored
    // icon stands at home, that nothing was left in the desktop's process and
    // that the program released every object of the stand-in server but those
    // abandoned in a call; returns the desktop after the shell's refresh.
    std::vector<FixtureItem> RestoreThenRefresh(int stored, const std::wstring& error, unsigned abandoned = 0) {
        const auto blocksBefore = PrivateAllocationBases(fixture->Process());
        const auto start = std::chrono::steady_clock::now();
        const RunResult result = RunKelvane({L"restore", L"/y", L"/n", L"Kept"}, RunOptions{std::nullopt, 90000});
        EXPECT_FALSE(result.timedOut);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60))
            << "the folder view's calls are bounded";
        EXPECT_EQ(0u, result.exitCode);
        EXPECT_EQ(Summary(L"Kept", stored), AfterBanner(result.standardOutput));
        EXPECT_EQ(error, result.standardError);
        restored = fixture->Items();
        int atHome = 0;
        for (size_t i = 0; i < home.size(); ++i)
            atHome += restored[i].x == home[i].x && restored[i].y == home[i].y;
        EXPECT_LE(stored, atHome) << "every stored icon is back at home";
        EXPECT_TRUE(AllocationBasesAdded(blocksBefore, PrivateAllocationBases(fixture->Process())).empty());
        EXPECT_EQ(abandoned, fixture->StandInObjectCount().live) << "objects of the server not released";
        fixture->Refresh();
        return fixture->Items();
    }

    std::unique_ptr<DesktopFiles> files;
    std::wstring itemsFile;
    std::unique_ptr<DesktopFixture> fixture;
    std::vector<FixtureItem> home;
    std::vector<FixtureItem> scrambled;
    std::vector<FixtureItem> restored;
};

TEST_F(RestoreKeptByShell, RestoredAndEvictedIconsSurviveTheShellsRefresh) {
    struct Case {
        const char* name;
        Content content;
        bool redirected;
    };
    const Case cases[] = {
        {"Wine's view of the desktop, committed", Content::ShellDesktop, true},
        {"Wine's view of the desktop, Wine's own shell", Content::ShellDesktop, false},
        {"synthetic items with ID lists, committed", Content::SyntheticWithIdLists, true},
        {"synthetic items with ID lists, Wine's own shell", Content::SyntheticWithIdLists, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<StandInRegistration> redirect;
        if (c.redirected) redirect.emplace(StandInServerBesideTest());
        MakeDesktop(c.content, 100);
        const int stored = SaveAndScramble(10);
        const auto refreshed = RestoreThenRefresh(stored, L"");
        int moved = 0;
        for (size_t i = 0; i < restored.size(); ++i)
            moved += restored[i].x != scrambled[i].x || restored[i].y != scrambled[i].y;
        EXPECT_LT(stored, moved) << "icons left out of the layout were moved out of the way too";
        if (c.redirected) {
            EXPECT_TRUE(SamePlaces(restored, refreshed)) << "the shell keeps every icon where the restore put it";
            EXPECT_EQ(3u, fixture->StandInObjectCount().made);
        } else {
            EXPECT_TRUE(SamePlaces(scrambled, refreshed)) << "the shell puts back what it was not told";
            EXPECT_EQ(0u, fixture->StandInObjectCount().made);
        }
    }
}

TEST_F(RestoreKeptByShell, OnlyAFolderViewThatAgreesWithTheListViewIsTold) {
    const std::wstring disagreement =
        L"Windows may not keep these positions: the desktop's folder view and its list view disagree on where the "
        L"icons stand.\n";
    struct Case {
        const char* name;
        std::string offset;
        std::wstring error;
        bool kept;
    };
    const Case cases[] = {
        {"the same coordinates", "0 0 0", L"", true},
        {"one offset for every icon, applied", "37 -21 0", L"", true},
        {"an offset that grows with the index", "0 0 3", disagreement, false},
    };
    const StandInRegistration redirect(StandInServerBesideTest());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MakeDesktop(Content::SyntheticWithIdLists, 24);
        fixture->StandIn("offset " + c.offset);
        const int stored = SaveAndScramble(0);
        const auto refreshed = RestoreThenRefresh(stored, c.error);
        EXPECT_TRUE(SamePlaces(c.kept ? restored : scrambled, refreshed));
        const auto calls = fixture->StandInCalls();
        EXPECT_EQ(c.kept ? 1u : 0u, calls.count("commit") ? calls.at("commit") : 0u);
    }
}

// Whatever the folder view does, the restore through the list view is what it
// always was, and the program ends: a refusal commits nothing and says nothing,
// and a call that never returns is given up after five seconds in all, its
// object left as it is and every other released.
TEST_F(RestoreKeptByShell, RefusalsAndHangsLeaveTheRestoreAsItWas) {
    struct Case {
        const char* fault;
        bool kept;
        unsigned abandoned;
    };
    const Case cases[] = {
        {"reach refuse", false, 0},    {"count refuse", false, 0},  {"item refuse", false, 0},
        {"position refuse", false, 0}, {"commit refuse", false, 0}, {"reach hang", false, 1},
        {"position hang", false, 1},   {"commit hang", false, 1},   {"release hang", true, 1},
    };
    const StandInRegistration redirect(StandInServerBesideTest());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        MakeDesktop(Content::SyntheticWithIdLists, 24);
        fixture->StandIn(std::string("fault ") + c.fault);
        const int stored = SaveAndScramble(0);
        const auto refreshed = RestoreThenRefresh(stored, L"", c.abandoned);
        EXPECT_TRUE(SamePlaces(c.kept ? restored : scrambled, refreshed));
    }
}

// After the commit the restore reads back where the shell keeps each icon it
// moved, and names in one line those it does not keep there, with where they
// stand and why; a folder view that arranges its icons by itself is refused
// before anything moves.
TEST_F(RestoreKeptByShell, IconsTheShellDoesNotKeepWhereTheyWerePutAreNamed) {
    struct Case {
        const char* standIn;
        const wchar_t* reason;  // null: the restore is refused
        bool afterRefresh;      // the icons named stand where the line says once the shell refreshes
    };
    const Case cases[] = {
        {"commit snap 40", L"(\"Align icons to grid\" snapped it to the nearest grid point)", false},
        {"commit drop", L"(the shell's record of icon positions did not take it)", true},
        {"arrange on", nullptr, false},
    };
    const StandInRegistration redirect(StandInServerBesideTest());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.standIn);
        MakeDesktop(Content::SyntheticWithIdLists, 24);
        fixture->StandIn(c.standIn);
        const int stored = SaveAndScramble(0);
        const RunResult result = RunKelvane({L"restore", L"/y", L"/n", L"Kept"});
        EXPECT_EQ(0u, result.exitCode);
        if (!c.reason) {
            EXPECT_EQ(L"", AfterBanner(result.standardOutput));
            EXPECT_EQ(0u, result.standardError.find(L"The desktop arranges its icons by itself"))
                << result.standardError;
            EXPECT_TRUE(SamePlaces(scrambled, fixture->Items()));
            continue;
        }
        EXPECT_EQ(Summary(L"Kept", stored), AfterBanner(result.standardOutput));
        int moved = 0;
        for (size_t i = 0; i < home.size(); ++i)
            moved += scrambled[i].x != home[i].x || scrambled[i].y != home[i].y;
        const std::wstring start = std::to_wstring(moved) + L" icons do not stand where the restore put them: ";
        EXPECT_EQ(0u, result.standardError.find(start)) << result.standardError;
        EXPECT_EQ(1, std::count(result.standardError.begin(), result.standardError.end(), L'\n'));
        if (c.afterRefresh) fixture->Refresh();
        const auto now = fixture->Items();
        const std::wregex named(L"\"([^\"]+)\" at (-?\\d+),(-?\\d+) \\(");
        int checked = 0;
        for (std::wsregex_iterator at(result.standardError.begin(), result.standardError.end(), named), end; at != end;
             ++at, ++checked) {
            const auto item =
                std::find_if(now.begin(), now.end(), [&](const FixtureItem& i) { return i.text == (*at)[1].str(); });
            ASSERT_NE(now.end(), item) << (*at)[1].str();
            EXPECT_EQ(std::stoi((*at)[2].str()), item->x) << item->text;
            EXPECT_EQ(std::stoi((*at)[3].str()), item->y) << item->text;
        }
        EXPECT_EQ(std::min(moved, 5), checked) << result.standardError;
        EXPECT_EQ(std::min(moved, 5), std::count(result.standardError.begin(), result.standardError.end(), L'('))
            << "every icon named has its reason";
        EXPECT_NE(std::wstring::npos, result.standardError.find(c.reason));
    }
}

}  // namespace
