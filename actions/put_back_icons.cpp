#include "actions/put_back_icons.h"

#include <algorithm>

#include "actions/action_start.h"
#include "actions/apply_layout.h"
#include "app/console_output.h"
#include "desktop/window_update_lock.h"
#include "store/layout_store.h"
#include "store/stored_layouts.h"
#include "text/item_text_match.h"

namespace {

constexpr size_t kNamedIcons = 5;

void ReportPutBack(const std::vector<WString>& names) {
    if (names.empty()) {
        return;
    }
    WString line;
    if (names.size() == 1) {
        line.Format(L"\"%s\" appeared again and was put back in its place.\n", names.front().Text());
        PrintText(OutputStream::Out, line.Text());
        return;
    }
    line.Format(L"%u icons appeared again and were put back in their places: ", static_cast<unsigned>(names.size()));
    for (size_t at = 0; at < names.size() && at < kNamedIcons; ++at) {
        line.Append(at > 0 ? L", \"" : L"\"");
        line.Append(names[at]);
        line.Append(L"\"");
    }
    if (names.size() > kNamedIcons) {
        WString more;
        more.Format(L" and %u more", static_cast<unsigned>(names.size() - kNamedIcons));
        line.Append(more);
    }
    line.Append(L".\n");
    PrintText(OutputStream::Out, line.Text());
}

}  // namespace

void PutBackAppearedIcons(HWND listView, const std::vector<ItemTag>& tags, const std::vector<int>& appeared) {
    const ActionStart start(L"");
    WString storedName;
    IconRecordList records;
    if (!start.Found() || !StoredLayouts().Find(start.layoutName.Text(), storedName) ||
        !LoadLayout(storedName.Text(), records)) {
        return;
    }
    // Only the records that can be an appeared item's are searched for.
    records.erase(std::remove_if(records.begin(), records.end(),
                                 [&](const IconRecord& record) {
                                     return std::none_of(appeared.begin(), appeared.end(), [&](int index) {
                                         return ItemTextsMatch(tags[index].text.Text(), record.displayText.Text());
                                     });
                                 }),
                  records.end());
    if (records.empty()) {
        return;
    }
    const WindowUpdateLock lock(listView);
    PutBackRecords(listView, records, appeared, ReportPutBack);
}
