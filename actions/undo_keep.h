#pragma once

#include "actions/desktop_walk.h"
#include "store/icon_record.h"

// Keeps the desktop's arrangement as the restore's walk read it (`walk` and its
// records, as a save would store them) for `undo` to put back: every restore
// calls it once the user has said yes and before the first icon moves. A keep
// that fails, wholly or for some icons, says so in one line on standard error
// and nothing else, and the restore goes on. A walk that a hung shell or a stop
// request ended keeps nothing, without a line: the restore then stops, and says
// why.
void KeepArrangementForUndo(const WalkResult& walk, const IconRecordList& records);
