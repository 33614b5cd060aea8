#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <map>
#include <random>

#include "actions/apply_layout.h"
#include "display/monitor_snapshot.h"
#include "support/fixture_client.h"
#include "support/registry_reader.h"
#include "support/scratch_folder.h"
#include "text/res_string.h"
#include "unit/captured_output.h"
#include "unit/fake_display.h"

namespace {

// A restore that evicts on almost every icon, applied once with the scan that
// starts at the top left for every eviction and once with the scan that resumes
// where it stopped: the layout's icons end where the layout says either way, and
// every evicted icon stands on a grid point that no other icon covers.
class FreeSpotScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetResourceModule(GetModuleHandleW(nullptr));
        DeleteRegistryTree(L"Software\\Brenlow");
        fixture = std::make_unique<DesktopFixture>(FixtureBesideTest(),
                                                   std::vector<std::wstring>{L"--synthetic-count", L"90"});
        original = fixture->Items();
        // Icons 0 to 59 are stored at the places of a shuffle of icons 0 to 74, so
        // that icons 60 to 74, outside the layout, are in the way too.
        std::vector<size_t> places(75);
        for (size_t i = 0; i < places.size(); ++i)
            places[i] = i;
        std::shuffle(places.begin(), places.end(), std::mt19937(5));
        for (size_t i = 0; i < 60; ++i) {
            const FixtureItem& place = original[places[i]];
            targets.push_back({place.x, place.y});
            WriteRegistryValue(L"Software\\Brenlow\\DeskTop\\Scan", original[i].text, REG_DWORD,
                               {static_cast<BYTE>(place.x), static_cast<BYTE>(place.x >> 8), static_cast<BYTE>(place.y),
                                static_cast<BYTE>(place.y >> 8)});
        }
    }
    void TearDown() override { DeleteRegistryTree(L"Software\\Brenlow"); }

    std::vector<FixtureItem> Apply(FreeSpotScan::Start start, unsigned& searches) {
        for (const FixtureItem& item : original)
            fixture->Move(item.index, item.x, item.y);
        fixture->ResetCounts();
        CapturedOutput output;
        CaptureMonitors();
        EXPECT_EQ(1, ApplyLayout(fixture->ListView(), L"Scan", start));
        ReleaseMonitors();
        EXPECT_EQ(L"Layout: Scan\nDesktop Restored: 60 icons\n", output.out);
        searches = fixture->MessageCounts()[LVM_FINDITEMW];
        return fixture->Items();
    }

    void ExpectPlaced(const std::vector<FixtureItem>& items) {
        const SIZE spacing = fixture->Spacing();
        for (size_t i = 0; i < items.size(); ++i) {
            if (i < targets.size()) {
                EXPECT_EQ(targets[i].x, items[i].x) << items[i].text;
                EXPECT_EQ(targets[i].y, items[i].y) << items[i].text;
                continue;
            }
            if (items[i].x == original[i].x && items[i].y == original[i].y) continue;  // never evicted
            EXPECT_EQ(0, (items[i].x - 21) % spacing.cx) << items[i].text << " is off the grid";
            EXPECT_EQ(0, (items[i].y - 2) % spacing.cy) << items[i].text << " is off the grid";
            const POINT point = {items[i].x, items[i].y};
            for (size_t other = 0; other < items.size(); ++other) {
                if (other == i) continue;
                const RECT bounds = fixture->Rect(static_cast<int>(other));
                EXPECT_FALSE(PtInRect(&bounds, point)) << items[i].text << " is covered by " << items[other].text;
            }
        }
    }

    std::unique_ptr<DesktopFixture> fixture;
    std::vector<FixtureItem> original;
    std::vector<POINT> targets;
};

TEST_F(FreeSpotScanTest, ResumingScanPlacesLikeTheFullScanWithFewerSearches) {
    unsigned fullSearches = 0;
    unsigned resumedSearches = 0;
    const auto full = Apply(FreeSpotScan::Start::TopLeft, fullSearches);
    ExpectPlaced(full);
    const auto resumed = Apply(FreeSpotScan::Start::WhereLastStopped, resumedSearches);
    ExpectPlaced(resumed);
    EXPECT_LT(resumedSearches * 4, fullSearches) << "the resumed scan must not walk the covered points again";
}

// A desktop whose every grid point is covered, half of them twice: the first
// eviction walks the whole grid in vain, and a moved icon frees its point only
// where no second icon stands. Every search then has at most one free point to
// find, so the scan that starts at the top left each time and remembers nothing
// gives the reference result; the resumed scan must give the same, while its
// searches stay linear in the icons placed.
TEST(FreeSpotScanFullDesktop, PlacesLikeTheStraightforwardScanAtALinearCost) {
    SetResourceModule(GetModuleHandleW(nullptr));
    DeleteRegistryTree(L"Software\\Brenlow");
    // A work area of 5 x 4 grid points, small enough for the reference's cost (a
    // whole round for every eviction) to stay within a test's time.
    const int columns = 5;
    const int rows = 4;
    const int cell = 75;
    const RECT workArea = {0, 0, 21 + cell * (columns - 1) + 11, 2 + cell * (rows - 1) + 11};
    const int points = columns * rows;
    std::wstring lines;
    std::vector<POINT> gridPoints;
    for (int point = 0; point < points; ++point)
        gridPoints.push_back({21 + cell * (point / rows), 2 + cell * (point % rows)});
    for (int point = 0; point < points; ++point) {
        lines += L"A" + std::to_wstring(100 + point) + L"\t" + std::to_wstring(gridPoints[point].x) + L"\t" +
                 std::to_wstring(gridPoints[point].y) + L"\tnone\n";
    }
    for (int point = 0; point < points; point += 2) {
        lines += L"B" + std::to_wstring(100 + point) + L"\t" + std::to_wstring(gridPoints[point].x) + L"\t" +
                 std::to_wstring(gridPoints[point].y) + L"\tnone\n";
    }
    // Each A icon belongs on another A icon's point.
    std::vector<int> order(points);
    for (int point = 0; point < points; ++point)
        order[point] = point;
    std::shuffle(order.begin(), order.end(), std::mt19937(17));
    for (int point = 0; point < points; ++point) {
        const POINT target = gridPoints[order[point]];
        WriteRegistryValue(L"Software\\Brenlow\\DeskTop\\Full", L"A" + std::to_wstring(100 + point), REG_DWORD,
                           {static_cast<BYTE>(target.x), static_cast<BYTE>(target.x >> 8), static_cast<BYTE>(target.y),
                            static_cast<BYTE>(target.y >> 8)});
    }
    ScratchFolder folder(ScratchLocation::Temp, {});
    folder.WriteTextFile(L"items.txt", lines);
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", folder.PathOf(L"items.txt")});
    ASSERT_EQ(cell, fixture.Spacing().cx);
    ASSERT_EQ(cell, fixture.Spacing().cy);
    const std::vector<FixtureItem> original = fixture.Items();

    const auto apply = [&](FreeSpotScan::Start start, std::map<UINT, unsigned>& messages) {
        for (const FixtureItem& item : original)
            fixture.Move(item.index, item.x, item.y);
        fixture.ResetCounts();
        CapturedOutput output;
        CaptureMonitors();
        WorkArea = workArea;
        EXPECT_EQ(1, ApplyLayout(fixture.ListView(), L"Full", start));
        ReleaseMonitors();
        EXPECT_EQ(L"Layout: Full\nDesktop Restored: " + std::to_wstring(points) + L" icons\n", output.out);
        messages = fixture.MessageCounts();
        return fixture.Items();
    };
    std::map<UINT, unsigned> straightforward;
    std::map<UINT, unsigned> resumed;
    const auto reference = apply(FreeSpotScan::Start::TopLeft, straightforward);
    const auto placed = apply(FreeSpotScan::Start::WhereLastStopped, resumed);
    ASSERT_EQ(reference.size(), placed.size());
    for (size_t i = 0; i < placed.size(); ++i) {
        EXPECT_EQ(reference[i].x, placed[i].x) << placed[i].text;
        EXPECT_EQ(reference[i].y, placed[i].y) << placed[i].text;
    }
    // Each record: its text search and the test of its target; one whole round;
    // and each moved icon (the occupant and the icon placed) leaves the one grid
    // point its bounds cover, tested at most once.
    EXPECT_LE(resumed[LVM_FINDITEMW], static_cast<unsigned>(points + 4 * points));
    EXPECT_GT(straightforward[LVM_FINDITEMW], static_cast<unsigned>(points * points / 2))
        << "the desktop was not full: the reference found free points early";
    DeleteRegistryTree(L"Software\\Brenlow");
}

TEST(BroughtIntoView, EachIconGoesToTheMonitorNearestItsPlace) {
    SetResourceModule(GetModuleHandleW(nullptr));
    DeleteRegistryTree(L"Software\\Brenlow");
    FakeDisplay display;
    display.countReported = 2;
    display.monitors = {{{0, 0, 640, 1024}, true}, {{640, 0, 1280, 1024}, false}};
    display.workArea = {0, 0, 640, 1024};
    const std::wstring key = L"Software\\Brenlow\\DeskTop\\Two";
    WriteRegistryValue(key, L"East", REG_DWORD, {0xB8, 0x0B, 100, 0});       // (3000, 100)
    WriteRegistryValue(key, L"West", REG_DWORD, {0x0C, 0xFE, 100, 0});       // (-500, 100)
    WriteRegistryValue(key, L"Stays", REG_DWORD, {0x84, 0x03, 0x2C, 0x01});  // (900, 300)
    ScratchFolder folder(ScratchLocation::Temp, {});
    folder.WriteTextFile(L"items.txt", L"East\t300\t600\tnone\nWest\t400\t600\tnone\nStays\t500\t600\tnone\n");
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", folder.PathOf(L"items.txt")});
    CapturedOutput output;
    CaptureMonitors();
    EXPECT_EQ(1, ApplyLayout(fixture.ListView(), L"Two"));
    ReleaseMonitors();
    EXPECT_EQ(L"Layout: Two\nDesktop Restored: 3 icons\nBrought into view: 2 icons\n", output.out);
    const std::vector<FixtureItem> items = fixture.Items();
    EXPECT_EQ(640 + 21, items[0].x) << "the first free point of the second monitor";
    EXPECT_EQ(2, items[0].y);
    EXPECT_EQ(21, items[1].x) << "the first free point of the primary";
    EXPECT_EQ(2, items[1].y);
    EXPECT_EQ(900, items[2].x);
    EXPECT_EQ(300, items[2].y);
    DeleteRegistryTree(L"Software\\Brenlow");
}

}  // namespace
