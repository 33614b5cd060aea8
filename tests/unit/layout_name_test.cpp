#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "display/layout_name.h"
#include "display/monitor_areas.h"
#include "display/monitor_snapshot.h"
#include "text/res_string.h"
#include "unit/fake_display.h"

namespace {

class LayoutName : public ::testing::Test {
protected:
    void SetUp() override {
        SetResourceModule(GetModuleHandleW(nullptr));
        WorkArea = {0, 0, 0, 0};
    }
    void TearDown() override { ReleaseMonitors(); }

    std::wstring NameAfterCapture() {
        const int count = CaptureMonitors();
        WString name;
        BuildLayoutName(name, count);
        return name.Text();
    }

    FakeDisplay display;
};

TEST_F(LayoutName, OneMonitorUsesTheScreenSize) {
    display.countReported = 1;
    display.screenWidth = 1920;
    display.screenHeight = 1080;
    display.monitors = {{{-5, -5, 10, 10}, false}};  // not read for one monitor
    EXPECT_EQ(L"Layout 1920 x 1080", NameAfterCapture());
}

TEST_F(LayoutName, SeveralMonitorsInEnumerationOrder) {
    struct Case {
        std::vector<FakeMonitor> monitors;
        const wchar_t* name;
    };
    const Case cases[] = {
        {{{{0, 0, 1920, 1080}, true}, {{-1280, 0, 0, 1024}, false}}, L"Multi-Monitor *[0,0,1920,1080][-1280,0,0,1024]"},
        {{{{1920, -200, 3200, 824}, false}, {{0, 0, 1920, 1080}, true}},
         L"Multi-Monitor [1920,-200,3200,824]*[0,0,1920,1080]"},
        {{{{-1024, -768, 0, 0}, false}, {{0, 0, 800, 600}, true}, {{800, 0, 1600, 600}, false}},
         L"Multi-Monitor [-1024,-768,0,0]*[0,0,800,600][800,0,1600,600]"},
    };
    for (const Case& c : cases) {
        display.monitors = c.monitors;
        display.countReported = static_cast<int>(c.monitors.size());
        EXPECT_EQ(c.name, NameAfterCapture());
        ReleaseMonitors();
    }
}

TEST_F(LayoutName, NoMonitorGivesTheWordAloneAndNoEnumeration) {
    display.countReported = 0;
    display.workArea = {0, 0, 800, 600};
    EXPECT_EQ(L"Multi-Monitor ", NameAfterCapture());
    EXPECT_EQ(0, display.enumerations);
    EXPECT_EQ(0, WorkArea.right) << "the work area is not refreshed without monitors";
}

TEST_F(LayoutName, MonitorsBeyondTheCountAreNeitherStoredNorNamed) {
    display.countReported = 1 + 1;
    display.monitors = {{{0, 0, 100, 100}, true}, {{100, 0, 200, 100}, false}, {{200, 0, 300, 100}, false}};
    EXPECT_EQ(L"Multi-Monitor *[0,0,100,100][100,0,200,100]", NameAfterCapture());
    EXPECT_EQ(3, monitorTable.filled);
}

TEST_F(LayoutName, UnfilledEntriesAreLeftOut) {
    display.countReported = 2;
    display.monitors = {{{0, 0, 100, 100}, true, true}, {{100, 0, 200, 100}, false}};
    EXPECT_EQ(L"Multi-Monitor [100,0,200,100]", NameAfterCapture());
}

// The display the suite runs on: Xvfb's single screen of the size the test
// script gave it.
TEST(RealDisplay, SingleScreenGivesItsSize) {
    SetResourceModule(GetModuleHandleW(nullptr));
    char screen[64] = {};
    if (GetEnvironmentVariableA("KELVANE_SCREEN", screen, sizeof(screen)) == 0) {
        GTEST_SKIP() << "KELVANE_SCREEN names the test display's size";
    }
    int width = 0;
    int height = 0;
    ASSERT_EQ(2, sscanf(screen, "%dx%d", &width, &height));
    const int count = CaptureMonitors();
    WString name;
    BuildLayoutName(name, count);
    ReleaseMonitors();
    EXPECT_EQ(1, count);
    EXPECT_EQ(L"Layout " + std::to_wstring(width) + L" x " + std::to_wstring(height), name.Text());
    EXPECT_EQ(width, WorkArea.right);
    EXPECT_EQ(height, WorkArea.bottom);
}

TEST_F(LayoutName, CaptureFillsTheWorkAreaAndReleaseIsRepeatable) {
    display.countReported = 1;
    display.monitors = {{{0, 0, 1280, 1024}, true}};
    display.workArea = {0, 0, 1280, 994};
    EXPECT_EQ(1, CaptureMonitors());
    EXPECT_EQ(994, WorkArea.bottom);
    ReleaseMonitors();
    ReleaseMonitors();
    EXPECT_EQ(nullptr, monitorTable.entries);
    EXPECT_EQ(0, monitorTable.filled);
    EXPECT_EQ(1, monitorTable.count);
}

TEST_F(LayoutName, AScaledDisplayKeepsItsNameAndPlacementGetsPhysicalPixels) {
    // As a program without DPI awareness runs on a display at 125 %.
    using Setter = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
    const auto setAwareness = reinterpret_cast<Setter>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext")));
    ASSERT_NE(nullptr, setAwareness);
    const DPI_AWARENESS_CONTEXT before = setAwareness(DPI_AWARENESS_CONTEXT_UNAWARE);
    ASSERT_EQ(DpiAwareness::Unaware, CurrentDpiAwareness());
    display.scalePercent = 125;
    display.screenWidth = 1920;
    display.screenHeight = 1080;
    display.workArea = {0, 0, 1920, 1040};
    display.countReported = 1;
    display.monitors = {{{0, 0, 1920, 1080}, true}};
    EXPECT_EQ(L"Layout 1536 x 864", NameAfterCapture());
    EXPECT_EQ(1040, WorkArea.bottom);
    ReleaseMonitors();
    display.countReported = 2;
    display.monitors = {{{0, 0, 1920, 1080}, true}, {{1920, 0, 3840, 1080}, false}};
    EXPECT_EQ(L"Multi-Monitor *[0,0,1536,864][1536,0,3072,864]", NameAfterCapture());
    const DisplayConfig physical = CapturedDisplay();
    ASSERT_EQ(2u, physical.size());
    EXPECT_EQ(3840, physical[1].monitor.right);
    EXPECT_EQ(1080, physical[1].work.bottom);
    EXPECT_TRUE(physical[0].primary && !physical[1].primary);
    setAwareness(before);
}

}  // namespace
