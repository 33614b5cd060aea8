#include "desktop/folder_view_calibration.h"

#include <objbase.h>
#include <shobjidl.h>

#include <cstdint>

namespace {

// The bytes of a whole ID list, its terminator included.
std::vector<uint8_t> IdListBytes(PCUIDLIST_RELATIVE idList) {
    const auto* start = reinterpret_cast<const uint8_t*>(idList);
    const uint8_t* at = start;
    for (USHORT size; (size = static_cast<USHORT>(at[0] | (at[1] << 8))) != 0;) {
        at += size;
    }
    return std::vector<uint8_t>(start, at + sizeof(USHORT));
}

// The folder view's side of the calibration: which item stands at each index
// read, and where the view says it stands.
class FolderViewPositions final : public FolderViewJob {
public:
    struct Entry {
        int index;
        std::vector<uint8_t> idList;
        POINT position;
    };

    void Run(IFolderView* view) override {
        arrangesIcons = view->GetAutoArrange() == S_OK;
        int count = 0;
        if (FAILED(view->ItemCount(SVGIO_ALLVIEW, &count)) || count <= 0) {
            return;
        }
        const int reads = count < kCalibrationIcons ? count : kCalibrationIcons;
        for (int read = 0; read < reads; ++read) {
            const int index = static_cast<int>(static_cast<long long>(read) * count / reads);
            // The list is not looked at unless the call succeeded with one.
            PITEMID_CHILD idList = nullptr;
            if (FAILED(view->Item(index, &idList)) || idList == nullptr) {
                return;
            }
            POINT position = {};
            const bool placed = SUCCEEDED(view->GetItemPosition(idList, &position));
            std::vector<uint8_t> bytes = IdListBytes(idList);
            CoTaskMemFree(idList);
            if (!placed) {
                return;
            }
            entries.push_back({index, std::move(bytes), position});
        }
        answered = true;
    }

    bool arrangesIcons = false;
    bool answered = false;
    std::vector<Entry> entries;
};

}  // namespace

Calibration JudgePositions(const std::vector<PositionPair>& pairs) {
    if (pairs.empty()) {
        return {};
    }
    const POINT offset = {pairs[0].folderView.x - pairs[0].listView.x, pairs[0].folderView.y - pairs[0].listView.y};
    for (const PositionPair& pair : pairs) {
        if (!pair.sameItem || pair.folderView.x - pair.listView.x != offset.x ||
            pair.folderView.y - pair.listView.y != offset.y) {
            return {CalibrationVerdict::Disagrees, {}};
        }
    }
    return {CalibrationVerdict::Agrees, offset};
}

Calibration CalibrateFolderView(FolderViewThread& thread, const ListedIconAt& listedIcon) {
    const auto folderView = std::make_shared<FolderViewPositions>();
    if (!thread.Run(folderView)) {
        return {};
    }
    Calibration unanswered;
    unanswered.arrangesIcons = folderView->arrangesIcons;
    if (!folderView->answered) {
        return unanswered;
    }
    std::vector<PositionPair> pairs;
    for (const FolderViewPositions::Entry& entry : folderView->entries) {
        ListedIcon icon;
        if (!listedIcon(entry.index, icon)) {
            return unanswered;
        }
        pairs.push_back({icon.idList == entry.idList, entry.position, icon.position});
    }
    Calibration judged = JudgePositions(pairs);
    judged.arrangesIcons = folderView->arrangesIcons;
    return judged;
}
