#include <gtest/gtest.h>

#include "actions/fit_layout.h"

namespace {

MonitorArea Monitor(LONG left, LONG right, bool primary) {
    const RECT rect = {left, 0, right, 1000};
    return {rect, rect, primary};
}

// Three monitors to two: the primary's icon and the icon of the monitor that is
// gone (on the left, nearest to the primary) share the primary, each on a grid
// point of its own; the right monitor's icon stays on the right.
TEST(FitRecords, MonitorsCorrespondByTheirPlaceBesideThePrimary) {
    const DisplayConfig from =
        DisplayFromItsOrigin({Monitor(0, 1000, true), Monitor(-1000, 0, false), Monitor(1000, 2000, false)});
    const DisplayConfig to = {Monitor(1000, 2000, false), Monitor(0, 1000, true)};
    IconRecordList records(3);
    records[0].Set(L"p.txt", L"P", 1500, 500);
    records[1].Set(L"l.txt", L"L", 500, 500);
    records[2].Set(L"r.txt", L"R", 2500, 500);
    const IconRecordList fitted = FitRecords(records, from, to, SIZE{100, 100});
    ASSERT_EQ(3u, fitted.size());
    EXPECT_EQ(521, fitted[0].x);
    EXPECT_EQ(502, fitted[0].y);
    EXPECT_EQ(421, fitted[1].x) << "the next grid point";
    EXPECT_EQ(502, fitted[1].y);
    EXPECT_EQ(1521, fitted[2].x);
    EXPECT_EQ(502, fitted[2].y);

    const IconRecordList same = FitRecords(records, from, from, SIZE{100, 100});
    EXPECT_EQ(1500, same[0].x) << "the same display changes nothing";
    EXPECT_EQ(500, same[1].x);
}

}  // namespace
