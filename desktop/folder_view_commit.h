#pragma once

#include <windows.h>

#include <optional>
#include <vector>

#include "desktop/folder_view_thread.h"
#include "desktop/listed_icon.h"

// An icon to commit, and whether to read back where the folder view keeps it.
struct CommittedIcon {
    ListedIcon icon;
    bool readBack = false;
};

// Where the folder view keeps the icons read back once committed, in list-view
// coordinates, in the order given; nothing for an icon it could not place (one
// that went away). Empty when the folder view refused the commit or did not
// answer in time.
struct CommitReadBack {
    bool answered = false;
    std::vector<std::optional<POINT>> positions;
};

// Tells the folder view where the given icons stand: each icon's ID list and
// its list-view position moved by the calibrated offset, all in one
// IFolderView::SelectAndPositionItems call; then, in the same job, asks it
// where it now keeps the icons to read back (IFolderView::GetItemPosition). An
// icon the list view could not name by an ID list is not among them: it keeps
// its list-view place alone. A refusal or an overrun is not reported: the icons
// then stand where the list view put them, as they did before the shell kept
// positions of its own.
[[nodiscard]] CommitReadBack CommitIconPositions(FolderViewThread& thread, std::vector<CommittedIcon> icons,
                                                 POINT offset);
