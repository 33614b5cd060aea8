#include "manage/remove_layout.h"

#include "actions/action_result.h"
#include "actions/action_start.h"
#include "app/confirm.h"
#include "app/console_output.h"
#include "store/layout_store.h"
#include "store/stored_layouts.h"

int RemoveLayout(bool assumeYes, const wchar_t* givenName) {
    const WString name = GivenOrDefaultName(givenName);
    WString storedName;
    if (!StoredLayouts().Find(name.Text(), storedName)) {
        ReportLayoutNotFound(name.Text());
        return kActionNotDone;
    }
    WString question;
    question.Format(L"Delete Icon Locations for:\n\t%s", storedName.Text());
    if (!assumeYes && !AskYesNo(question.Text())) {
        return kActionNotDone;
    }
    const DeleteResult deletion = DeleteLayout(storedName.Text());
    if (!deletion.versionKept) {
        ReportVersionNotKept(storedName.Text(), L"delete");
    }
    if (!deletion.deleted) {
        Print(OutputStream::Err, L"Could not delete the layout %s from the registry.\n", storedName.Text());
        return kActionNotDone;
    }
    return kActionDone;
}
