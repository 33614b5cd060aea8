#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "desktop/folder_view_calibration.h"
#include "desktop/folder_view_thread.h"
#include "desktop/remote_buffers.h"

// Makes the shell keep the positions a restore gives the icons: since Windows 10
// 1809 the shell keeps its own record of them, which list-view moves do not
// reach, so every icon placed or moved out of the way is also committed through
// the folder view. The folder view's apartment lives as long as this object.
class PositionCommit {
public:
    // Reaches the folder view and calibrates it against the list view; must be
    // made before the first icon moves. Prints nothing.
    PositionCommit(HWND listView, RemoteBuffers& shell, uint8_t* idListBuffer);
    PositionCommit(const PositionCommit&) = delete;
    PositionCommit& operator=(const PositionCommit&) = delete;

    // An icon the restore placed, or moved off another's place.
    void NoteMoved(int index) { moved_.push_back(index); }

    // Commits every noted icon where the list view now shows it, when the
    // calibration agreed. When the folder view answered but disagreed, commits
    // nothing and says on standard error that the shell may not keep the
    // positions. A stop requested before the commit is sent leaves it unsent
    // and says so in one line. Silent when the folder view could not be reached
    // or refused, and when the shell stopped answering: then nothing is
    // committed either.
    void Commit();

private:
    // Reads each noted icon's ID list and place from the list view, and commits
    // those that have one.
    void CommitMoved();

    const HWND listView_;
    RemoteBuffers& shell_;
    uint8_t* const idListBuffer_;
    FolderViewThread thread_;
    Calibration calibration_;
    std::vector<int> moved_;
};
