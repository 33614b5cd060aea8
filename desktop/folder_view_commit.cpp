#include "desktop/folder_view_commit.h"

#include <shobjidl.h>

#include <memory>
#include <utility>

namespace {

class PositionItems final : public FolderViewJob {
public:
    explicit PositionItems(std::vector<ListedIcon> icons) : icons_(std::move(icons)) {}

    void Run(IFolderView* view) override {
        std::vector<PCUITEMID_CHILD> idLists;
        std::vector<POINT> points;
        for (const ListedIcon& icon : icons_) {
            idLists.push_back(reinterpret_cast<PCUITEMID_CHILD>(icon.idList.data()));
            points.push_back(icon.position);
        }
        // Positions only: the user's selection is not the restore's business.
        view->SelectAndPositionItems(static_cast<UINT>(idLists.size()), idLists.data(), points.data(),
                                     SVSI_POSITIONITEM);
    }

private:
    const std::vector<ListedIcon> icons_;
};

}  // namespace

void CommitIconPositions(FolderViewThread& thread, std::vector<ListedIcon> icons, POINT offset) {
    if (icons.empty()) {
        return;
    }
    for (ListedIcon& icon : icons) {
        icon.position.x += offset.x;
        icon.position.y += offset.y;
    }
    (void)thread.Run(std::make_shared<PositionItems>(std::move(icons)));
}
