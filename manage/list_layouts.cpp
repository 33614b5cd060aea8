#include "manage/list_layouts.h"

#include "actions/action_result.h"
#include "actions/action_start.h"
#include "app/console_output.h"
#include "store/layout_store.h"
#include "store/stored_layouts.h"

int ListLayouts(const wchar_t* givenName) {
    StoredLayouts store;
    if (givenName[0] == L'\0') {
        for (const WString& name : store.List()) {
            WString line(name);
            line.Append(L"\n");
            PrintText(OutputStream::Out, line.Text());
        }
        return kActionDone;
    }
    WString storedName;
    if (!store.Find(givenName, storedName)) {
        ReportLayoutNotFound(givenName);
        return kActionNotDone;
    }
    IconRecordList records;
    (void)LoadLayout(storedName.Text(), records);
    for (const IconRecord& record : records) {
        // Keys and texts are at most 259 characters: the line fits a formatted text.
        Print(OutputStream::Out, L"%d\t%d\t%s\t%s\t%s\n", record.x, record.y, record.textOnly ? L"text" : L"item",
              record.keyName.Text(), record.displayText.Text());
    }
    return kActionDone;
}
