#include "actions/position_commit.h"

#include <algorithm>

#include "app/console_output.h"
#include "app/stop_request.h"
#include "desktop/folder_view_commit.h"
#include "desktop/listed_icon.h"

namespace {

bool SamePoint(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }

}  // namespace

PositionCommit::PositionCommit(HWND listView, RemoteBuffers& shell, uint8_t* idListBuffer, const WalkedItems& walked)
    : listView_(listView),
      shell_(shell),
      idListBuffer_(idListBuffer),
      walked_(walked),
      thread_(kFolderViewBudgetMilliseconds),
      calibration_(
          CalibrateFolderView(thread_, [this](int index, ListedIcon& icon) { return ListedIconAt(index, icon); })) {}

bool PositionCommit::ListedIconAt(int index, ListedIcon& icon) {
    const WalkedItem* item = walked_.Find(index);
    if (item != nullptr && item->ReadWhole()) {
        return walked_.Listed(index, icon);
    }
    return ReadListedIcon(listView_, shell_, index, idListBuffer_, icon);
}

void PositionCommit::NoteMoved(int index, POINT placedAt, const WString& name) {
    noted_.push_back(index);
    moves_[index] = {placedAt, name};
}

void PositionCommit::Commit() {
    // A shell that stopped answering has had its line: nothing more is sent.
    if (noted_.empty() || shell_.ShellHung()) {
        return;
    }
    std::vector<MisplacedIcon> misplaced;
    switch (calibration_.verdict) {
        case CalibrationVerdict::Agrees:
            if (!CommitNoted(misplaced)) {
                return;
            }
            break;
        case CalibrationVerdict::Disagrees:
            PrintText(OutputStream::Err,
                      L"Windows may not keep these positions: the desktop's folder view and its list view disagree "
                      L"on where the icons stand.\n");
            ReadBackListView(misplaced);
            break;
        case CalibrationVerdict::Unanswered:
            ReadBackListView(misplaced);
            break;
    }
    if (!shell_.ShellHung()) {
        ReportMisplacedIcons(listView_, shell_, std::move(misplaced));
    }
}

bool PositionCommit::CommitNoted(std::vector<MisplacedIcon>& misplaced) {
    // An icon placed by two records, or placed and later moved out of the way,
    // is committed once, where it ended.
    std::sort(noted_.begin(), noted_.end());
    noted_.erase(std::unique(noted_.begin(), noted_.end()), noted_.end());
    std::vector<CommittedIcon> named;
    std::vector<int> readBack;  // the indexes of the icons read back, in order
    for (int index : noted_) {
        // The reads are a walk over the moved icons: a stop ends it as it ends the
        // others, and a shell that stops answering gets no commit either.
        if (StopRequested()) {
            PrintText(OutputStream::Err,
                      L"The restore was interrupted before Windows was told to keep the icons where they now stand: "
                      L"it may put them back later.\n");
            NoteStopObeyed();
            return false;
        }
        const auto move = moves_.find(index);
        CommittedIcon committed;
        const WalkedItem* item = walked_.Find(index);
        bool listed = false;
        if (move == moves_.end() || item == nullptr || !item->ReadWhole()) {
            listed = ListedIconAt(index, committed.icon);
        } else if (!item->idList.empty()) {
            // Which item it is the walk knows; where it stands now is read.
            committed.icon.idList = item->idList;
            listed = ReadListedPosition(listView_, shell_, index, committed.icon.position);
        }
        if (!listed) {
            if (shell_.ShellHung()) {
                return false;
            }
            // An icon without an ID list keeps its list-view place alone.
            if (move != moves_.end()) {
                ReadBackListView(index, move->second, misplaced);
            }
            continue;
        }
        if (move != moves_.end()) {
            if (SamePoint(committed.icon.position, move->second.placedAt)) {
                committed.readBack = true;
                readBack.push_back(index);
            } else {
                misplaced.push_back({index, move->second.name, move->second.placedAt, committed.icon.position, false});
            }
        }
        named.push_back(std::move(committed));
    }
    const CommitReadBack kept = CommitIconPositions(thread_, std::move(named), calibration_.offset);
    for (size_t at = 0; at < kept.positions.size() && at < readBack.size(); ++at) {
        const Move& move = moves_.at(readBack[at]);
        if (!kept.positions[at] || !SamePoint(*kept.positions[at], move.placedAt)) {
            misplaced.push_back({readBack[at], move.name, move.placedAt, kept.positions[at], true});
        }
    }
    return true;
}

void PositionCommit::ReadBackListView(std::vector<MisplacedIcon>& misplaced) {
    for (const auto& [index, move] : moves_) {
        ReadBackListView(index, move, misplaced);
        if (shell_.ShellHung()) {
            return;
        }
    }
}

void PositionCommit::ReadBackListView(int index, const Move& move, std::vector<MisplacedIcon>& misplaced) {
    POINT standsAt;
    if (!ReadListedPosition(listView_, shell_, index, standsAt)) {
        if (!shell_.ShellHung()) {
            misplaced.push_back({index, move.name, move.placedAt, std::nullopt, false});
        }
    } else if (!SamePoint(standsAt, move.placedAt)) {
        misplaced.push_back({index, move.name, move.placedAt, standsAt, false});
    }
}
