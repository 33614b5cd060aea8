#pragma once

#include <windows.h>

#include <vector>

#include "desktop/item_tags.h"

// The indices, in `now`, of the items that are not in `before`. A list view keeps
// the order of the items it holds; it deletes some and inserts others anywhere.
// So the items both looks hold in the same order are those that stayed, and the
// others of `now` appeared: found by walking both, where the two differ passing
// over whichever side's item is met again sooner. An item moved, by the user or
// a program, keeps its tag and its place in the order: it never appears.
[[nodiscard]] std::vector<int> AppearedItems(const std::vector<ItemTag>& before, const std::vector<ItemTag>& now);

// The watcher's view of which desktop items are new: it reads the items' tags
// only when their positions show that something changed since its last look.
class ItemArrivals {
public:
    // The items that appeared since the last look, given the list view and the
    // positions of its items as read now; none at the first look, after Forget,
    // or when the list view is another window.
    [[nodiscard]] std::vector<int> Look(HWND listView, const std::vector<POINT>& positions);

    // The tags of the items as the last look read them.
    [[nodiscard]] const std::vector<ItemTag>& Tags() const { return tags_; }

    // The next look starts afresh: what appeared meanwhile is taken as it stands.
    void Forget();

private:
    HWND listView_ = nullptr;
    std::vector<POINT> positions_;
    std::vector<ItemTag> tags_;
    bool known_ = false;
};
