#pragma once

#include <windows.h>

#include <vector>

#include "desktop/folder_view_thread.h"
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

// Reads icons through both interfaces before anything moves: the folder view's
// item at an index and its position there (IFolderView::GetItemPosition), and
// the list view's item at that index and its position (LVM_GETITEMPOSITION).
// It also asks the folder view whether it arranges its icons by itself.
// Only once the folder view has answered is the list view asked; a list-view
// read that fails or goes unanswered leaves the calibration Unanswered. Prints
// nothing.
Calibration CalibrateFolderView(FolderViewThread& thread, HWND listView, RemoteBuffers& shell, uint8_t* idListBuffer);
