#pragma once

#include "display/monitor_snapshot.h"

// Holds the monitor snapshot for one action and releases it on every way out.
class MonitorCapture {
public:
    MonitorCapture() : count(CaptureMonitors()) {}
    MonitorCapture(const MonitorCapture&) = delete;
    MonitorCapture& operator=(const MonitorCapture&) = delete;
    ~MonitorCapture() { ReleaseMonitors(); }

    const int count;
};
