#pragma once

#include <windows.h>

#include <vector>

#include "desktop/folder_view_thread.h"
#include "desktop/listed_icon.h"

// Tells the folder view where the given icons stand: each icon's ID list and
// its list-view position moved by the calibrated offset, all in one
// IFolderView::SelectAndPositionItems call. An icon the list view could not
// name by an ID list is not among them: it keeps its list-view place alone. A
// refusal or an overrun is not reported: the icons then stand where the list
// view put them, as they did before the shell kept positions of its own.
void CommitIconPositions(FolderViewThread& thread, std::vector<ListedIcon> icons, POINT offset);
