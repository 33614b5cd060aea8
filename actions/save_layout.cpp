#include "actions/save_layout.h"

#include <windows.h>

#include "actions/action_start.h"
#include "actions/desktop_walk.h"
#include "actions/shell_access.h"
#include "app/confirm.h"
#include "app/console_output.h"
#include "app/stop_request.h"
#include "desktop/item_identity.h"
#include "desktop/remote_buffers.h"
#include "store/display_record.h"
#include "store/layout_store.h"
#include "store/stored_layouts.h"

void SaveLayout(bool assumeYes, const wchar_t* givenName) {
    const ActionStart start(givenName);
    if (!start.Found()) {
        return;
    }
    const WString& layoutName = start.layoutName;
    if (const wchar_t* problem = LayoutNameProblem(layoutName.Text())) {
        Print(OutputStream::Err, L"%s Nothing was saved.\n", problem);
        return;
    }
    WString prompt;
    prompt.Format(L"Save Icon Locations for:\n%s", layoutName.Text());
    if (!assumeYes && !AskYesNo(prompt.Text())) {
        return;
    }
    // Only now: looking creates the store, which a save answered no leaves alone.
    SaveDesktop(start.listView, layoutName, SaveWhen::Always);
}

DesktopSave SaveDesktop(HWND listView, const WString& layoutName, SaveWhen when) {
    DesktopSave save;
    WString twin;
    if (StoredLayouts().FindCaseTwin(layoutName.Text(), twin)) {
        Print(OutputStream::Err,
              L"The layout %s is stored already, and the registry does not tell %s apart from it. "
              L"Nothing was saved.\n",
              twin.Text(), layoutName.Text());
        return save;
    }
    // From here on Ctrl+C stops the walk rather than the process.
    const ConsoleStopScope stopScope;
    // The save names a missing desktop folder, the restore does not: a save that
    // stores nothing must say why, while a restore speaks only of its icons.
    DesktopFolder desktopFolder;
    if (!desktopFolder.Obtain()) {
        PrintText(OutputStream::Err, L"Could not get IShellFolder.\n");
        return save;
    }
    // The blocks come before the ID-list buffer here, after it in the restore: the
    // order decides which failure a user meets, and so what is printed.
    RemoteBuffers shell;
    if (!OpenShellProcess(shell, listView) ||
        !AllocateShellBlocks(shell, {RemoteBlock::Item, RemoteBlock::Text, RemoteBlock::Point})) {
        return save;
    }
    IdListBuffer idListBuffer = AllocateIdListBuffer();
    if (!idListBuffer) {
        return save;
    }
    IconRecordList records;
    const WalkResult walk =
        ReadAllItems(listView, shell, desktopFolder.get(), idListBuffer.get(), ItemReport::Printed, records);
    switch (walk.end) {
        case WalkEnd::Complete:
            break;
        case WalkEnd::ShellGone:
            Print(OutputStream::Err,
                  L"The desktop list view went away during the save: the layout %s was not changed.\n",
                  layoutName.Text());
            return save;
        case WalkEnd::ShellHung:
            Print(OutputStream::Err,
                  L"The desktop list view is not responding: the save stopped, and the layout %s was not changed.\n",
                  layoutName.Text());
            return save;
        case WalkEnd::Stopped:
            Print(OutputStream::Err, L"The save was interrupted: the layout %s was not changed.\n", layoutName.Text());
            NoteStopObeyed();
            return save;
    }
    // A desktop not filled yet, or a shell that shows nothing, would empty the layout.
    if (!walk.anyItem) {
        Print(OutputStream::Err, L"The save found no icons on the desktop: the layout %s was not changed.\n",
              layoutName.Text());
        return save;
    }
    save.icons = static_cast<int>(records.size());
    IconRecordList storedRecords;
    if (when == SaveWhen::Changed && LoadLayout(layoutName.Text(), storedRecords) &&
        SameRecords(records, storedRecords)) {
        save.end = SaveEnd::Unchanged;
        return save;
    }
    // The icons that could not be read are still on the desktop: their stored records stay.
    const UnreadIcons unread{walk.failedTexts, walk.itemsFailed > static_cast<int>(walk.failedTexts.size())};
    // The watcher's save keeps the replaced layout as a version as the command's does.
    const StoreResult stored = StoreLayout(
        layoutName.Text(), records, when == SaveWhen::Changed ? LayoutChange::Watch : LayoutChange::Save, unread);
    if (!stored.versionKept) {
        ReportVersionNotKept(layoutName.Text(), L"save");
    }
    save.end = stored.outcome == StoreOutcome::NothingWritten ? SaveEnd::NotStored : SaveEnd::Stored;
    // The display goes with the icons it was saved on; a record that fails to be
    // kept leaves the layout to be handled as one saved before displays were.
    if (save.end == SaveEnd::Stored) {
        (void)RecordLayoutDisplay(layoutName.Text(), CapturedDisplay());
    }
    switch (stored.outcome) {
        case StoreOutcome::Stored:
            break;
        case StoreOutcome::StaleKept:
            Print(OutputStream::Err,
                  L"Could not write to the registry: the layout %s was saved, but still holds icons that are no "
                  L"longer on the desktop.\n",
                  layoutName.Text());
            break;
        case StoreOutcome::PartlyWritten:
            Print(OutputStream::Err,
                  L"Could not write to the registry: the layout %s was saved only in part, and its other icons keep "
                  L"their earlier positions.\n",
                  layoutName.Text());
            break;
        case StoreOutcome::NothingWritten:
            Print(OutputStream::Err, L"Could not write to the registry: the layout %s was not saved.\n",
                  layoutName.Text());
            break;
    }
    return save;
}
