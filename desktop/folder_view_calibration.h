#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "desktop/folder_view_thread.h"
#include "desktop/listed_icon.h"
#include "desktop/remote_buffers.h"

enum class CalibrationVerdict {
    Agrees,      // every icon read stands at one offset from its list-view place
    Disagrees,   // the folder view answered, but not at one offset, or of other items
    Unanswered,  // a step failed, refused or ran out of time, or there was nothing to read
};

struct Calibration {
    CalibrationVerdict verdict = CalibrationVerdict::Unanswered;
    POINT offset = {};  // folder-view position less list-view position, when they agree
    // The folder view said it arranges its icons by itself (GetAutoArrange).
    bool arrangesIcons = false;
};

// One icon as each interface placed it.
struct PositionPair {
    bool sameItem;  // the folder view's item at the index is the list view's item there
    POINT folderView;
    POINT listView;
};

// Agrees when there is at least one pair and every pair names the same item at
// one offset.
Calibration JudgePositions(const std::vector<PositionPair>& pairs);

// At most this many icons are read, spread over the view's items.
constexpr int kCalibrationIcons = 16;

// Where the list view shows the icon at an index and which item it is; false
// when that could not be read.
using ListedIconAt = std::function<bool(int index, ListedIcon& icon)>;

// Compares icons as both interfaces place them before anything moves: the
// folder view's item at an index and its position there
// (IFolderView::GetItemPosition), and the list view's item at that index and
// its position, as `listedIcon` gives them. It also asks the folder view
// whether it arranges its icons by itself. Only once the folder view has
// answered is `listedIcon` asked; a list-view icon not known leaves the
// calibration Unanswered. Prints nothing.
Calibration CalibrateFolderView(FolderViewThread& thread, const ListedIconAt& listedIcon);
