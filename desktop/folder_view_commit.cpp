#include "desktop/folder_view_commit.h"

#include <shobjidl.h>

#include <memory>
#include <utility>

namespace {

class PositionItems final : public FolderViewJob {
public:
    PositionItems(std::vector<CommittedIcon> icons, POINT offset) : icons_(std::move(icons)), offset_(offset) {}

    void Run(IFolderView* view) override {
        std::vector<PCUITEMID_CHILD> idLists;
        std::vector<POINT> points;
        for (const CommittedIcon& committed : icons_) {
            idLists.push_back(IdListOf(committed));
            points.push_back({committed.icon.position.x + offset_.x, committed.icon.position.y + offset_.y});
        }
        // Positions only: the user's selection is not the restore's business.
        if (FAILED(view->SelectAndPositionItems(static_cast<UINT>(idLists.size()), idLists.data(), points.data(),
                                                SVSI_POSITIONITEM))) {
            return;
        }
        for (const CommittedIcon& committed : icons_) {
            if (!committed.readBack) {
                continue;
            }
            POINT kept = {};
            if (SUCCEEDED(view->GetItemPosition(IdListOf(committed), &kept))) {
                readBack.positions.emplace_back(POINT{kept.x - offset_.x, kept.y - offset_.y});
            } else {
                readBack.positions.emplace_back();
            }
        }
        readBack.answered = true;
    }

    CommitReadBack readBack;

private:
    static PCUITEMID_CHILD IdListOf(const CommittedIcon& committed) {
        return reinterpret_cast<PCUITEMID_CHILD>(committed.icon.idList.data());
    }

    const std::vector<CommittedIcon> icons_;
    const POINT offset_;
};

}  // namespace

CommitReadBack CommitIconPositions(FolderViewThread& thread, std::vector<CommittedIcon> icons, POINT offset) {
    if (icons.empty()) {
        return {};
    }
    const auto job = std::make_shared<PositionItems>(std::move(icons), offset);
    if (!thread.Run(job)) {
        return {};
    }
    return job->readBack;
}
