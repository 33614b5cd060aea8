#pragma once

#include <string>
#include <vector>

#include "display/monitor_areas.h"
#include "store/icon_record.h"

// The layout file of export and import: UTF-8 JSON, one object
//   {"format": "Kelvane layouts", "version": 1, "layouts": [{"name": ...,
//    "icons": [{"key": ..., "text": ..., "x": ..., "y": ..., "textOnly": ...}],
//    "display": [{"monitor": [l, t, r, b], "work": [l, t, r, b], "primary": ...}]}]}
// where each icon is one record as the store holds it, and the display, which a
// layout stored before displays were recorded goes without, lists the monitors
// it was saved on. The JSON library's
// exceptions end at this boundary: both functions answer with values.

struct FileLayout {
    WString name;
    IconRecordList icons;
    DisplayConfig display;  // empty when the file gives none
};

// Whether the file can carry a text exactly: UTF-16 that converts to UTF-8 and
// back unchanged (no lone surrogate).
[[nodiscard]] bool FileCanCarry(const WString& text);

// The file's bytes for these layouts. False when a name, key or text is one the
// file cannot carry.
[[nodiscard]] bool FormatLayoutFile(const std::vector<FileLayout>& layouts, std::string& bytes);

// Reads a whole file and checks every layout and icon against what a save could
// have stored, before anything is written: the field types and values, the
// lengths, the coordinates each record form can hold, and names and keys that
// the registry would take for one. False with a one-line description of the
// first problem (its layout and icon, or its line and column).
[[nodiscard]] bool ParseLayoutFile(const std::string& bytes, std::vector<FileLayout>& layouts, std::wstring& problem);
