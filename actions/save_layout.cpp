#include "actions/save_layout.h"

#include <windows.h>
#include <commctrl.h>

#include "actions/action_start.h"
#include "actions/item_exchange.h"
#include "actions/shell_access.h"
#include "app/confirm.h"
#include "app/console_output.h"
#include "desktop/item_identity.h"
#include "desktop/remote_buffers.h"
#include "desktop/shell_platform.h"
#include "store/layout_store.h"
#include "store/stored_layouts.h"

namespace {

enum class WalkEnd { Complete, ShellGone };

// Reads one item through the shell's blocks into a record; false (after printing
// the step that failed) when the item cannot be saved.
bool ReadItem(HWND listView, RemoteBuffers& shell, IShellFolder* desktopFolder, uint8_t* idListBuffer, int index,
              IconRecord& record) {
    if (!RequestItem(listView, shell, index)) {
        return false;
    }
    uint8_t item[kMaxRecordSize];
    if (!ShellPlatform::Current().Read(shell.process(), shell.remoteItem, item, kNativeLayout.itemSize)) {
        Print(OutputStream::Out, L"Desktop Saving. Read LVITEM for Item %d failed\n", index);
        return false;
    }
    wchar_t text[kRemoteTextLength];
    if (!ShellPlatform::Current().Read(shell.process(), shell.remoteText, text, sizeof(text))) {
        Print(OutputStream::Out, L"Desktop Saving. Read Name Mem for Item %d failed\n", index);
        return false;
    }
    text[kRemoteTextLength - 1] = L'\0';
    POINT position;
    if (!ShellPlatform::Current().Read(shell.process(), shell.remotePoint, &position, sizeof(position))) {
        Print(OutputStream::Out, L"Desktop Saving. Read Position Mem for Item %d failed\n", index);
        return false;
    }
    const uint64_t idList = DecodeItemParam(kNativeLayout, item);
    if (idList == 0) {
        record.SetTextOnly(text, position.x, position.y);
        return true;
    }
    WString identity;
    // An item the namespace cannot name is left out without a message.
    if (!IdentifyItem(shell, idList, desktopFolder, idListBuffer, index, identity) || identity.IsEmpty()) {
        return false;
    }
    record.Set(identity.Text(), text, position.x, position.y);
    return true;
}

// Visits the items in index order. A list view that has gone answers every
// message with 0, which would restart the walk at item 0 for ever: the walk ends
// when the window is gone or the index stops advancing.
WalkEnd ReadAllItems(HWND listView, RemoteBuffers& shell, IShellFolder* desktopFolder, uint8_t* idListBuffer,
                     IconRecordList& records) {
    int index =
        static_cast<int>(ShellPlatform::Current().Send(listView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_ALL));
    while (index != -1) {
        IconRecord record;
        if (ReadItem(listView, shell, desktopFolder, idListBuffer, index, record)) {
            records.push_back(record);
        } else if (!ShellPlatform::Current().IsWindowAlive(listView)) {
            return WalkEnd::ShellGone;
        }
        const int next = static_cast<int>(ShellPlatform::Current().Send(listView, LVM_GETNEXTITEM, index, LVNI_ALL));
        if (next != -1 && next <= index) {
            return WalkEnd::ShellGone;
        }
        index = next;
    }
    return WalkEnd::Complete;
}

}  // namespace

void SaveLayout(bool assumeYes, const wchar_t* givenName) {
    const ActionStart start(givenName);
    if (!start.Found()) {
        return;
    }
    const HWND listView = start.listView;
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
    WString twin;
    if (StoredLayouts().FindCaseTwin(layoutName.Text(), twin)) {
        Print(OutputStream::Err,
              L"The layout %s is stored already, and the registry does not tell %s apart from it. "
              L"Nothing was saved.\n",
              twin.Text(), layoutName.Text());
        return;
    }
    // The save names a missing desktop folder, the restore does not: a save that
    // stores nothing must say why, while a restore speaks only of its icons.
    DesktopFolder desktopFolder;
    if (!desktopFolder.Obtain()) {
        PrintText(OutputStream::Err, L"Could not get IShellFolder.\n");
        return;
    }
    // The blocks come before the ID-list buffer here, after it in the restore:
    // each command keeps its own fixed order of acquiring, so that the failures
    // a user can meet, and what each prints, stay as they have always been.
    RemoteBuffers shell;
    if (!OpenShellProcess(shell, listView) ||
        !AllocateShellBlocks(shell, {RemoteBlock::Item, RemoteBlock::Text, RemoteBlock::Point})) {
        return;
    }
    IdListBuffer idListBuffer = AllocateIdListBuffer();
    if (!idListBuffer) {
        return;
    }
    IconRecordList records;
    if (ReadAllItems(listView, shell, desktopFolder.get(), idListBuffer.get(), records) == WalkEnd::ShellGone) {
        Print(OutputStream::Err, L"The desktop list view went away during the save: the layout %s was not changed.\n",
              layoutName.Text());
        return;
    }
    if (!StoreLayout(layoutName.Text(), records)) {
        Print(OutputStream::Err, L"Could not write to the registry: the layout %s was not saved.\n", layoutName.Text());
    }
}
