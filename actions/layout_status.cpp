#include "actions/layout_status.h"

#include <vector>

#include "actions/action_result.h"
#include "actions/action_start.h"
#include "actions/desktop_walk.h"
#include "actions/shell_access.h"
#include "app/console_output.h"
#include "store/layout_store.h"
#include "store/stored_layouts.h"
#include "text/ascii_case.h"

namespace {

// One record of the layout or icon of the desktop, joined to its counterpart.
struct Pairing {
    const IconRecord* stored = nullptr;
    const IconRecord* standing = nullptr;
};

// The records name the same icon: the same kind of value under one name, as the
// registry compares value names for a restore's lookup.
bool SameIcon(const IconRecord& a, const IconRecord& b) {
    return a.textOnly == b.textOnly && EqualsIgnoringAsciiCase(a.ValueName(), b.ValueName());
}

std::vector<Pairing> PairRecords(const IconRecordList& stored, const IconRecordList& standing) {
    std::vector<Pairing> pairings;
    std::vector<bool> paired(standing.size(), false);
    for (const IconRecord& record : stored) {
        Pairing pairing{&record, nullptr};
        for (size_t at = 0; at < standing.size(); ++at) {
            if (!paired[at] && SameIcon(record, standing[at])) {
                paired[at] = true;
                pairing.standing = &standing[at];
                break;
            }
        }
        pairings.push_back(pairing);
    }
    for (size_t at = 0; at < standing.size(); ++at) {
        if (!paired[at]) {
            pairings.push_back({nullptr, &standing[at]});
        }
    }
    return pairings;
}

void AppendPoint(WString& line, const IconRecord* record) {
    WString point(L"-");
    if (record != nullptr) {
        point.Format(L"%d,%d", record->x, record->y);
    }
    line.Append(L"\t");
    line.Append(point);
}

// Joined, not formatted: a name can be longer than a formatted line holds.
void PrintIconLine(const wchar_t* kind, const Pairing& pairing) {
    WString line(kind);
    line.Append(L"\t");
    line.Append(pairing.standing != nullptr ? pairing.standing->displayText : pairing.stored->displayText);
    AppendPoint(line, pairing.standing);
    AppendPoint(line, pairing.stored);
    line.Append(L"\n");
    PrintText(OutputStream::Out, line.Text());
}

bool InPlace(const Pairing& pairing) {
    return pairing.stored->x == pairing.standing->x && pairing.stored->y == pairing.standing->y;
}

}  // namespace

int ReportLayoutStatus(const wchar_t* givenName, int version) {
    const ActionStart start(givenName);
    if (!start.Found()) {
        return kActionNotDone;
    }
    WString storedName;
    IconRecordList stored;
    if (version != 0) {
        LayoutVersion kept;
        if (!FindLayoutVersion(start.layoutName, version, storedName, kept)) {
            return kActionNotDone;
        }
        stored = kept.records;
    } else {
        if (!StoredLayouts().Find(start.layoutName.Text(), storedName)) {
            ReportLayoutNotFound(start.layoutName.Text());
            return kActionNotDone;
        }
        (void)LoadLayout(storedName.Text(), stored);  // an empty layout has every icon not in it
    }

    DesktopFolder desktopFolder;
    if (!desktopFolder.Obtain()) {
        PrintText(OutputStream::Err, L"Could not get IShellFolder.\n");
        return kActionNotDone;
    }
    RemoteBuffers shell;
    if (!OpenShellProcess(shell, start.listView) ||
        !AllocateShellBlocks(shell, {RemoteBlock::Item, RemoteBlock::Text, RemoteBlock::Point})) {
        return kActionNotDone;
    }
    IdListBuffer idListBuffer = AllocateIdListBuffer();
    if (!idListBuffer) {
        return kActionNotDone;
    }
    IconRecordList standing;
    const WalkResult walk =
        ReadAllItems(start.listView, shell, desktopFolder.get(), idListBuffer.get(), ItemReport::Silent, standing);
    if (walk.end != WalkEnd::Complete) {
        PrintText(OutputStream::Err,
                  walk.end == WalkEnd::ShellHung
                      ? L"The desktop list view is not responding: the desktop could not be compared.\n"
                      : L"The desktop list view went away: the desktop could not be compared.\n");
        return kActionNotDone;
    }

    const std::vector<Pairing> pairings = PairRecords(stored, standing);
    int inPlace = 0, elsewhere = 0, notOnDesktop = 0, notInLayout = 0;
    for (const Pairing& pairing : pairings) {
        if (pairing.stored == nullptr) {
            ++notInLayout;
        } else if (pairing.standing == nullptr) {
            ++notOnDesktop;
        } else if (InPlace(pairing)) {
            ++inPlace;
        } else {
            ++elsewhere;
        }
    }
    WString heading(L"Layout: ");
    heading.Append(storedName);
    heading.Append(L"\n");
    PrintText(OutputStream::Out, heading.Text());
    Print(OutputStream::Out, L"In place: %d\nElsewhere: %d\nNot on the desktop: %d\nNot in the layout: %d\n", inPlace,
          elsewhere, notOnDesktop, notInLayout);
    for (const Pairing& pairing : pairings) {
        if (pairing.stored == nullptr) {
            PrintIconLine(L"not-in-layout", pairing);
        } else if (pairing.standing == nullptr) {
            PrintIconLine(L"not-on-desktop", pairing);
        } else if (!InPlace(pairing)) {
            PrintIconLine(L"elsewhere", pairing);
        }
    }
    if (walk.itemsFailed > 0) {
        Print(OutputStream::Err, L"%d icons could not be read: they count as not on the desktop.\n", walk.itemsFailed);
    }
    return elsewhere == 0 ? kActionDone : kActionNotDone;
}
