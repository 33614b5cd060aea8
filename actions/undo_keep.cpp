#include "actions/undo_keep.h"

#include "app/console_output.h"
#include "store/undo_store.h"

void KeepArrangementForUndo(const WalkResult& walk, const IconRecordList& records) {
    switch (walk.end) {
        case WalkEnd::Complete:
            break;
        case WalkEnd::ShellGone:
            PrintText(OutputStream::Err,
                      L"Could not keep the arrangement for undo: the desktop list view went away. The kept one is "
                      L"unchanged.\n");
            return;
        case WalkEnd::ShellHung:
        case WalkEnd::Stopped:
            // The restore stops on it at once, and says so in its own line.
            return;
    }
    if (!StoreUndoArrangement(records)) {
        PrintText(OutputStream::Err,
                  L"Could not keep the arrangement for undo: the registry refused it. The restore goes on.\n");
        return;
    }
    if (walk.itemsFailed > 0) {
        Print(OutputStream::Err,
              L"The arrangement kept for undo lacks %d icons that could not be read. The restore goes on.\n",
              walk.itemsFailed);
    }
}
