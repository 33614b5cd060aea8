#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <vector>

#include "actions/desktop_walk.h"
#include "actions/misplaced_icons.h"
#include "desktop/folder_view_calibration.h"
#include "desktop/folder_view_thread.h"
#include "desktop/remote_buffers.h"
#include "text/wstring.h"

// Makes the shell keep the positions a restore gives the icons, and checks that
// it did: since Windows 10 1809 the shell keeps its own record of them, which
// list-view moves do not reach, so every icon placed or moved out of the way is
// also committed through the folder view, and each icon the restore moved is
// read back. The folder view's apartment lives as long as this object.
class PositionCommit {
public:
    // Reaches the folder view and calibrates it against the list view as the
    // restore's walk read it; must be made before the first icon moves. What
    // the walk did not read whole is read from the list view. Prints nothing.
    PositionCommit(HWND listView, RemoteBuffers& shell, uint8_t* idListBuffer, const WalkedItems& walked);
    PositionCommit(const PositionCommit&) = delete;
    PositionCommit& operator=(const PositionCommit&) = delete;

    // The folder view said it arranges its icons by itself.
    [[nodiscard]] bool FolderViewArrangesIcons() const { return calibration_.arrangesIcons; }

    // An icon the restore found at its place: committed where the walk saw it,
    // not read back.
    void NoteMatched(int index) { noted_.push_back(index); }

    // An icon the restore moved (to its record's place, or out of another's
    // way), where it put it and the record's text (empty for one moved out of
    // the way): committed and read back. The last place given counts.
    void NoteMoved(int index, POINT placedAt, const WString& name);

    // Commits every noted icon where the list view now shows it, when the
    // calibration agreed, and reads back where the folder view keeps the moved
    // ones; otherwise reads back where the list view shows them. Says on
    // standard error which moved icons do not stand where they were put. When
    // the folder view answered but disagreed, commits nothing and says on
    // standard error that the shell may not keep the positions. A stop
    // requested before the commit is sent leaves it unsent and says so in one
    // line. Silent when the shell stopped answering: nothing more is sent.
    void Commit();

private:
    // Commits each noted icon that has an ID list, and collects the moved icons
    // not kept where they were put: a moved icon's place is read from the list
    // view once, an unmoved one's is where the walk saw it. False when a stop or
    // a hung shell ended the reads.
    bool CommitNoted(std::vector<MisplacedIcon>& misplaced);
    struct Move {
        POINT placedAt;
        WString name;
    };

    // The icon at `index` as the walk read it, or when it did not read it
    // whole, as the list view shows it now.
    bool ListedIconAt(int index, ListedIcon& icon);

    // Reads where the list view shows each moved icon, or one of them.
    void ReadBackListView(std::vector<MisplacedIcon>& misplaced);
    void ReadBackListView(int index, const Move& move, std::vector<MisplacedIcon>& misplaced);

    const HWND listView_;
    RemoteBuffers& shell_;
    uint8_t* const idListBuffer_;
    const WalkedItems& walked_;
    FolderViewThread thread_;
    Calibration calibration_;
    std::vector<int> noted_;
    std::map<int, Move> moves_;
};
