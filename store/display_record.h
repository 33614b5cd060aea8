#pragma once

#include <string>

#include "display/monitor_areas.h"

// The display configuration each layout was saved on, kept beside the layouts
// rather than among them (in the store's base key path with " Displays"
// appended), so that no listing of the layouts sees it: one REG_SZ value per
// layout name, one "l,t,r,b/l,t,r,b" group per monitor (its rectangle, then its
// work area), the groups joined by ";" and the primary's marked by a leading "*".
// A layout under a default name needs none: its name tells its display.

// The record's text for a display, and back. Parsing is strict: every group
// whole, each rectangle with width and height, each work area inside its
// monitor, exactly one primary.
[[nodiscard]] std::wstring DisplayRecordText(const DisplayConfig& display);
[[nodiscard]] bool ParseDisplayRecordText(const std::wstring& text, DisplayConfig& display);

// Keeps the display as the named layout's; an empty display, or a default
// name, removes the layout's record instead. True when the store holds what
// was asked.
[[nodiscard]] bool RecordLayoutDisplay(const wchar_t* layoutName, const DisplayConfig& display);

// The display the named layout was saved on: its record, or what its default
// name tells. False for a layout stored without either (before displays were
// recorded), which is handled as the display in force.
[[nodiscard]] bool LayoutDisplay(const wchar_t* layoutName, DisplayConfig& display);

// The stored record alone; false when there is none or it is not one.
[[nodiscard]] bool LoadDisplayRecord(const wchar_t* layoutName, DisplayConfig& display);
