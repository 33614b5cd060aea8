#include "actions/undo_restore.h"

#include "actions/action_result.h"
#include "actions/action_start.h"
#include "actions/apply_layout.h"
#include "app/confirm.h"
#include "app/console_output.h"
#include "app/stop_request.h"
#include "desktop/window_update_lock.h"
#include "store/undo_store.h"

int UndoRestore(bool assumeYes) {
    const ActionStart start(L"");
    if (!start.Found()) {
        return kActionNotDone;
    }
    // Read before the engine keeps the arrangement it is about to replace, which
    // takes this one's place.
    IconRecordList records;
    if (!LoadUndoArrangement(records)) {
        PrintText(OutputStream::Err, L"Nothing to undo.\n");
        return kActionNotDone;
    }
    if (RefuseArrangedDesktop(start.listView)) {
        return kActionNotDone;
    }
    if (!assumeYes && !AskYesNo(L"Undo the last restore")) {
        return kActionNotDone;
    }
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    // Ctrl+C stops the walk as it stops a restore's.
    const ConsoleStopScope stopScope;
    const WindowUpdateLock lock(start.listView);
    return ApplyRecords(start.listView, L"(undo)", records) == 1 ? kActionDone : kActionNotDone;
}
