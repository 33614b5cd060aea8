#include "manage/export_layouts.h"

#include <iterator>
#include <vector>

#include "actions/action_result.h"
#include "actions/action_start.h"
#include "app/confirm.h"
#include "app/console_output.h"
#include "store/display_record.h"
#include "store/file_bytes.h"
#include "store/layout_file.h"
#include "store/stored_layouts.h"
#include "store/whole_layout.h"

namespace {

// What the export says of a value it leaves out, in the order of ValueProblem.
constexpr const wchar_t* kLeftOutReasons[] = {
    L"its name has 260 characters or more",
    L"its data is over 528 bytes",
    L"its data is under 10 bytes",
    L"its REG_DWORD data is not 4 bytes",
    L"it is neither REG_BINARY nor REG_DWORD",
    L"its text does not end with the data's one zero",
};
static_assert(std::size(kLeftOutReasons) == static_cast<size_t>(ValueProblem::TextNotEnded) + 1);

// Names can be long and hold %: the line is joined, not formatted.
void ReportLeftOut(const wchar_t* layoutName, const wchar_t* valueName, const wchar_t* reason) {
    WString line(L"Left out of the export: the value \"");
    line.Append(valueName);
    line.Append(L"\" of the layout ");
    line.Append(layoutName);
    line.Append(L": ");
    line.Append(reason);
    line.Append(L".\n");
    PrintText(OutputStream::Err, line.Text());
}

}  // namespace

int ExportLayouts(bool assumeYes, const wchar_t* fileName, const wchar_t* givenName) {
    StoredLayouts store;
    std::vector<WString> names;
    if (givenName[0] != L'\0') {
        WString storedName;
        if (!store.Find(givenName, storedName)) {
            ReportLayoutNotFound(givenName);
            return kActionNotDone;
        }
        names.push_back(storedName);
    } else {
        names = store.List();
    }
    if (PathExists(fileName) && !assumeYes) {
        WString question(L"Overwrite the file:\n\t");
        question.Append(fileName);
        if (!AskYesNo(question.Text())) {
            return kActionNotDone;
        }
    }
    bool whole = true;
    std::vector<FileLayout> layouts;
    for (const WString& name : names) {
        if (!FileCanCarry(name)) {
            WString line(L"Left out of the export: the layout ");
            line.Append(name);
            line.Append(L": its name is not valid UTF-16.\n");
            PrintText(OutputStream::Err, line.Text());
            whole = false;
            continue;
        }
        FileLayout layout;
        layout.name = name;
        // A layout stored before displays were recorded goes without one.
        (void)LayoutDisplay(name.Text(), layout.display);
        IconRecordList records;
        std::vector<SkippedValue> skipped;
        if (!ReadWholeLayout(name.Text(), records, skipped)) {
            Print(OutputStream::Err, L"Could not read the layout %s from the registry: nothing was exported.\n",
                  name.Text());
            return kActionNotDone;
        }
        for (const SkippedValue& value : skipped) {
            ReportLeftOut(name.Text(), value.name.Text(), kLeftOutReasons[static_cast<size_t>(value.problem)]);
            whole = false;
        }
        for (const IconRecord& record : records) {
            if (FileCanCarry(record.keyName) && FileCanCarry(record.displayText)) {
                layout.icons.push_back(record);
            } else {
                ReportLeftOut(name.Text(), record.ValueName(), L"its name or text is not valid UTF-16");
                whole = false;
            }
        }
        layouts.push_back(layout);
    }
    std::string bytes;
    if (!FormatLayoutFile(layouts, bytes) || !WriteFileBytes(fileName, bytes)) {
        WString line(L"Could not write the file ");
        line.Append(fileName);
        line.Append(L".\n");
        PrintText(OutputStream::Err, line.Text());
        return kActionNotDone;
    }
    return whole ? kActionDone : kActionNotDone;
}
