#include "manage/import_layouts.h"

#include <string>
#include <vector>

#include "actions/action_result.h"
#include "actions/action_start.h"
#include "app/confirm.h"
#include "app/console_output.h"
#include "store/display_record.h"
#include "store/file_bytes.h"
#include "store/layout_file.h"
#include "store/layout_store.h"
#include "store/stored_layouts.h"

namespace {

// One line, joined rather than formatted: names and paths can be long.
int Refuse(const wchar_t* fileName, const std::wstring& problem) {
    WString line(L"Cannot import ");
    line.Append(fileName);
    line.Append(L": ");
    line.Append(problem.c_str());
    line.Append(L" Nothing was imported.\n");
    PrintText(OutputStream::Err, line.Text());
    return kActionNotDone;
}

std::wstring LayoutPlace(size_t index, const WString& name) {
    return L"Layout " + std::to_wstring(index + 1) + L" (\"" + name.Text() + L"\"): ";
}

}  // namespace

int ImportLayouts(bool assumeYes, const wchar_t* fileName, const wchar_t* givenName) {
    std::string bytes;
    switch (ReadFileBytes(fileName, kMaxLayoutFileSize, bytes)) {
        case FileRead::Read:
            break;
        case FileRead::TooLarge:
            return Refuse(fileName, L"The file is larger than 16 MiB.");
        case FileRead::Failed:
            return Refuse(fileName, L"The file could not be read.");
    }
    std::vector<FileLayout> layouts;
    std::wstring problem;
    if (!ParseLayoutFile(bytes, layouts, problem)) {
        return Refuse(fileName, problem);
    }
    if (givenName[0] != L'\0') {
        if (layouts.size() != 1) {
            return Refuse(fileName,
                          L"/n names one layout, and the file holds " + std::to_wstring(layouts.size()) + L".");
        }
        if (const wchar_t* nameProblem = LayoutNameProblem(givenName)) {
            return Refuse(fileName, nameProblem);
        }
        layouts[0].name.Assign(givenName);
    }
    // Where each layout goes: into the stored layout a restore would find by its
    // name, or a new one. A name the registry takes for a stored one that no
    // restore would find is refused, as a save refuses it.
    StoredLayouts store;
    std::vector<WString> targets;
    WString replaced;
    for (size_t index = 0; index < layouts.size(); ++index) {
        const WString& name = layouts[index].name;
        WString stored;
        if (store.FindCaseTwin(name.Text(), stored)) {
            return Refuse(fileName, LayoutPlace(index, name) + L"The layout " + stored.Text() +
                                        L" is stored already, and the registry does not tell this name apart "
                                        L"from it.");
        }
        if (store.Find(name.Text(), stored)) {
            replaced.Append(replaced.IsEmpty() ? L"" : L"\n\t");
            replaced.Append(stored);
            targets.push_back(stored);
        } else {
            targets.push_back(name);
        }
    }
    if (!replaced.IsEmpty() && !assumeYes) {
        WString question(L"Replace Icon Locations for:\n\t");
        question.Append(replaced);
        if (!AskYesNo(question.Text())) {
            return kActionNotDone;
        }
    }
    for (size_t index = 0; index < layouts.size(); ++index) {
        const StoreResult stored = StoreLayout(targets[index].Text(), layouts[index].icons, LayoutChange::Import);
        if (!stored.versionKept) {
            ReportVersionNotKept(targets[index].Text(), L"import");
        }
        if (stored.outcome != StoreOutcome::Stored) {
            Print(OutputStream::Err, L"Could not write to the registry: the layout %s was not imported.\n",
                  targets[index].Text());
            return kActionNotDone;
        }
        // A layout that comes without its display is handled as one stored before
        // displays were recorded: an earlier record would describe other icons.
        (void)RecordLayoutDisplay(targets[index].Text(), layouts[index].display);
    }
    return kActionDone;
}
