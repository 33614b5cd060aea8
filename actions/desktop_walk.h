#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <vector>

#include "actions/item_exchange.h"
#include "desktop/listed_icon.h"
#include "desktop/remote_buffers.h"
#include "store/icon_record.h"

enum class WalkEnd { Complete, ShellGone, ShellHung, Stopped };

// How far the read of one item went.
enum class ItemRead {
    Recorded,         // all of it: the item becomes a record
    Unnamed,          // all of it, but the namespace cannot name the item
    Failed,           // nothing is known
    FailedAfterText,  // only its text is known
};

// One item as a walk read it.
struct WalkedItem {
    int index = -1;
    ItemRead read = ItemRead::Failed;
    WString text;                 // unless Failed
    POINT position = {};          // when Recorded or Unnamed
    uint64_t itemData = 0;        // the shell's pointer to its ID list; 0 for none
    std::vector<uint8_t> idList;  // that list's first identifier and terminator, when it has one
    WString identity;             // Recorded with an ID list: the key a record holds

    // Everything the list view holds of the item was read.
    [[nodiscard]] bool ReadWhole() const { return read == ItemRead::Recorded || read == ItemRead::Unnamed; }

    // The text filled the block it was read into: the item's own may be longer.
    [[nodiscard]] bool TextMayBeCut() const { return text.Length() >= static_cast<size_t>(kRemoteTextLength - 1); }
};

// What a walk read of the desktop, in index order: what an action that reads
// the desktop once looks its items up in.
class WalkedItems {
public:
    void Add(WalkedItem item) { items_.push_back(std::move(item)); }

    // The item at `index`, or null when the walk did not read it.
    [[nodiscard]] WalkedItem* Find(int index);
    [[nodiscard]] const WalkedItem* Find(int index) const;

    // The item at `index` as the folder view knows it (ID list and position),
    // when the walk read both; false otherwise.
    [[nodiscard]] bool Listed(int index, ListedIcon& icon) const;

    std::vector<WalkedItem>& all() { return items_; }
    const std::vector<WalkedItem>& all() const { return items_; }

private:
    std::vector<WalkedItem> items_;  // ascending indices
};

struct WalkResult {
    WalkEnd end = WalkEnd::Complete;
    // Items that could not be read (each reported unless silent); items the
    // namespace cannot name are left out without counting.
    int itemsFailed = 0;
    // The list view showed at least one item.
    bool anyItem = false;
    // The display texts of the failed items whose text was read before the step
    // that failed; the others' texts are unknown.
    std::vector<WString> failedTexts;
};

// Reads one item through the shell's blocks (remoteItem, remoteText and
// remotePoint), reporting the step that failed unless silent.
WalkedItem ReadWalkedItem(HWND listView, RemoteBuffers& shell, IShellFolder* desktopFolder, uint8_t* idListBuffer,
                          int index, ItemReport report);

// Reads every desktop item, in index order, into the records a save stores: an
// item with a shell item by its identity, one without by its text. Uses
// remoteItem, remoteText and remotePoint. A list view that has gone answers
// every message with 0, which would restart the walk at item 0 for ever: the
// walk ends when the window is gone or the index stops advancing. It also ends
// when the shell leaves a message unanswered, and at the next item when a stop
// is requested (app/stop_request.h), the last item included: what was read then
// is not to be stored. When `walked` is given, every item read goes there too.
WalkResult ReadAllItems(HWND listView, RemoteBuffers& shell, IShellFolder* desktopFolder, uint8_t* idListBuffer,
                        ItemReport report, IconRecordList& records, WalkedItems* walked = nullptr);

// Reads only the items at `indices` (ascending) into `walked`, silently; ends
// as ReadAllItems does on a hung shell, a list view gone or a stop.
WalkEnd ReadItemsAt(HWND listView, RemoteBuffers& shell, IShellFolder* desktopFolder, uint8_t* idListBuffer,
                    const std::vector<int>& indices, WalkedItems& walked);
