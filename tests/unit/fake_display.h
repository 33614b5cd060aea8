#pragma once

#include <windows.h>

#include <vector>

#include "display/dpi_awareness.h"
#include "display/monitor_snapshot.h"

struct FakeMonitor {
    RECT rect;
    bool primary;
    bool infoFails = false;
};

// A display whose monitors the test chooses, in physical pixels. With a scale
// above 100 %, a thread that is not per-monitor DPI aware sees every size and
// rectangle scaled down, as Windows shows them to such a program.
class FakeDisplay : public DisplayPlatform {
public:
    int GetSystemMetrics(int index) override {
        switch (index) {
            case SM_CMONITORS:
                return countReported;
            case SM_CXSCREEN:
                return Scaled(screenWidth);
            case SM_CYSCREEN:
                return Scaled(screenHeight);
        }
        return 0;
    }
    BOOL EnumDisplayMonitors(MONITORENUMPROC callback, LPARAM data) override {
        ++enumerations;
        for (size_t index = 0; index < monitors.size(); ++index) {
            callback(reinterpret_cast<HMONITOR>(index + 1), nullptr, nullptr, data);
        }
        return TRUE;
    }
    BOOL GetMonitorInfoW(HMONITOR monitor, MONITORINFO* info) override {
        const FakeMonitor& fake = monitors[reinterpret_cast<size_t>(monitor) - 1];
        if (fake.infoFails) return FALSE;
        info->rcMonitor = Scaled(fake.rect);
        info->rcWork = Scaled(fake.rect);
        info->dwFlags = fake.primary ? MONITORINFOF_PRIMARY : 0;
        return TRUE;
    }
    BOOL GetWorkArea(RECT* area) override {
        *area = Scaled(workArea);
        return TRUE;
    }

    int countReported = 0;
    int screenWidth = 0;
    int screenHeight = 0;
    RECT workArea = {0, 0, 0, 0};
    std::vector<FakeMonitor> monitors;
    int enumerations = 0;
    int scalePercent = 100;

private:
    int Scaled(int value) const {
        return CurrentDpiAwareness() == DpiAwareness::PerMonitorAware ? value : value * 100 / scalePercent;
    }
    RECT Scaled(const RECT& rect) const {
        return {Scaled(rect.left), Scaled(rect.top), Scaled(rect.right), Scaled(rect.bottom)};
    }

    DisplayPlatform::Scope installed_{this};
};
