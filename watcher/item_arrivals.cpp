#include "watcher/item_arrivals.h"

#include <algorithm>
#include <map>

namespace {

// Where each tag stands in a list, in ascending order.
using Occurrences = std::map<ItemTag, std::vector<int>>;

Occurrences IndexTags(const std::vector<ItemTag>& tags) {
    Occurrences occurrences;
    for (int index = 0; index < static_cast<int>(tags.size()); ++index) {
        occurrences[tags[index]].push_back(index);
    }
    return occurrences;
}

// The first index at or after `from` where the tag stands, or -1.
int NextOccurrence(const Occurrences& occurrences, const ItemTag& tag, int from) {
    const auto found = occurrences.find(tag);
    if (found == occurrences.end()) {
        return -1;
    }
    const auto next = std::lower_bound(found->second.begin(), found->second.end(), from);
    return next != found->second.end() ? *next : -1;
}

bool SamePositions(const std::vector<POINT>& left, const std::vector<POINT>& right) {
    return left.size() == right.size() &&
           std::equal(left.begin(), left.end(), right.begin(),
                      [](const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; });
}

}  // namespace

std::vector<int> AppearedItems(const std::vector<ItemTag>& before, const std::vector<ItemTag>& now) {
    const Occurrences inBefore = IndexTags(before);
    const Occurrences inNow = IndexTags(now);
    std::vector<int> appeared;
    const int beforeCount = static_cast<int>(before.size());
    int stayed = 0;  // the next item of `before` not yet passed over
    for (int index = 0; index < static_cast<int>(now.size()); ++index) {
        while (true) {
            if (stayed < beforeCount && before[stayed] == now[index]) {
                ++stayed;
                break;
            }
            const int again = NextOccurrence(inBefore, now[index], stayed);
            if (stayed >= beforeCount || again == -1) {
                appeared.push_back(index);
                break;
            }
            // Both are met again later: the side whose item is met sooner has the
            // items in between deleted (before) or inserted (now).
            const int gone = NextOccurrence(inNow, before[stayed], index);
            if (gone != -1 && gone - index < again - stayed) {
                appeared.push_back(index);
                break;
            }
            ++stayed;
        }
    }
    return appeared;
}

std::vector<int> ItemArrivals::Look(HWND listView, const std::vector<POINT>& positions) {
    const bool sameView = known_ && listView == listView_;
    if (sameView && SamePositions(positions, positions_)) {
        return {};
    }
    // A read that fails leaves the last look as it was: the next one compares
    // with it again.
    std::vector<ItemTag> tags;
    if (!ReadItemTags(listView, tags)) {
        return {};
    }
    std::vector<int> appeared = sameView ? AppearedItems(tags_, tags) : std::vector<int>{};
    listView_ = listView;
    positions_ = positions;
    tags_ = std::move(tags);
    known_ = true;
    return appeared;
}

void ItemArrivals::Forget() {
    known_ = false;
    positions_.clear();
    tags_.clear();
}
