#include "actions/position_commit.h"

#include <algorithm>

#include "app/console_output.h"
#include "app/stop_request.h"
#include "desktop/folder_view_commit.h"
#include "desktop/listed_icon.h"

PositionCommit::PositionCommit(HWND listView, RemoteBuffers& shell, uint8_t* idListBuffer)
    : listView_(listView),
      shell_(shell),
      idListBuffer_(idListBuffer),
      thread_(kFolderViewBudgetMilliseconds),
      calibration_(CalibrateFolderView(thread_, listView, shell, idListBuffer)) {}

void PositionCommit::Commit() {
    // A shell that stopped answering has had its line: nothing more is sent.
    if (moved_.empty() || shell_.ShellHung()) {
        return;
    }
    switch (calibration_.verdict) {
        case CalibrationVerdict::Agrees:
            CommitMoved();
            break;
        case CalibrationVerdict::Disagrees:
            PrintText(OutputStream::Err,
                      L"Windows may not keep these positions: the desktop's folder view and its list view disagree "
                      L"on where the icons stand.\n");
            break;
        case CalibrationVerdict::Unanswered:
            break;
    }
}

void PositionCommit::CommitMoved() {
    // An icon placed by two records, or placed and later moved out of the way,
    // is committed once, where it ended.
    std::sort(moved_.begin(), moved_.end());
    moved_.erase(std::unique(moved_.begin(), moved_.end()), moved_.end());
    std::vector<ListedIcon> named;
    for (int index : moved_) {
        // The reads are a walk over the moved icons: a stop ends it as it ends the
        // others, and a shell that stops answering gets no commit either.
        if (StopRequested()) {
            PrintText(OutputStream::Err,
                      L"The restore was interrupted before Windows was told to keep the icons where they now stand: "
                      L"it may put them back later.\n");
            NoteStopObeyed();
            return;
        }
        ListedIcon icon;
        if (ReadListedIcon(listView_, shell_, index, idListBuffer_, icon)) {
            named.push_back(std::move(icon));
        } else if (shell_.ShellHung()) {
            return;
        }
    }
    CommitIconPositions(thread_, std::move(named), calibration_.offset);
}
