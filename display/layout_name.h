#pragma once

#include "display/monitor_areas.h"
#include "text/wstring.h"

// The default layout name for the captured display: "Layout <width> x <height>"
// with one monitor, otherwise "Multi-Monitor " and one "[l,t,r,b]" group per
// monitor in enumeration order, the primary's marked with "*".
void BuildLayoutName(WString& name, int monitorCount);

// The display that a default layout name describes: one monitor at the origin
// of the named size, or each named monitor; work areas are not named, so each
// is its monitor. False for any other name.
[[nodiscard]] bool DisplayOfLayoutName(const wchar_t* name, DisplayConfig& display);
