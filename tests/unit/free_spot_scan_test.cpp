#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <random>

#include "actions/apply_layout.h"
#include "display/monitor_snapshot.h"
#include "support/fixture_client.h"
#include "support/registry_reader.h"
#include "text/res_string.h"
#include "unit/captured_output.h"

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

}  // namespace
