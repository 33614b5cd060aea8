#pragma once

#include <windows.h>

#include <optional>
#include <vector>

#include "desktop/remote_buffers.h"
#include "text/wstring.h"

// An icon that, read back after a restore, does not stand where the restore
// put it.
struct MisplacedIcon {
    int index;
    WString name;  // the record's text; empty for an icon moved out of the way
    POINT placedAt;
    // Where it stands, in list-view coordinates; nothing when it went away.
    std::optional<POINT> standsAt;
    // Read from the shell's own record (the folder view) rather than the list view.
    bool byRecord;
};

// Says on standard error, in one line, how many icons do not stand where the
// restore put them, and for up to five of them where they stand and why, where
// that can be told: a shift within half the icon spacing both ways is the
// grid's ("Align icons to grid"), a record that kept another place did not take
// the commit, an icon not found went away. Names not known are read from the
// list view. Prints nothing when there are none.
void ReportMisplacedIcons(HWND listView, RemoteBuffers& shell, std::vector<MisplacedIcon> icons);
