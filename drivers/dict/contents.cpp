#include "dict/contents.h"

#include <algorithm>

namespace tavrin::dict {

namespace {

// How many characters of the folded `word` count, up to `most`.
size_t FoldedLength(std::string_view word, size_t most, const HeadwordOrder& order) {
    const std::string prefix = FoldedPrefix(word, most, order);
    if (!order.utf8) return prefix.size();
    size_t count = 0;
    for (char c : prefix)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

// A group's label: its letters with the first in upper case; letters that end in a blank (the group
// of "A battery", "A la carte") as "A \u2026", since a label's last blank cannot be seen.
std::string Label(std::string prefix) {
    if (prefix.empty()) return "#";
    if (prefix.back() == ' ' || prefix.back() == '\t') {
        while (!prefix.empty() && (prefix.back() == ' ' || prefix.back() == '\t'))
            prefix.pop_back();
        prefix += " \xE2\x80\xA6";
    }
    if (prefix[0] >= 'a' && prefix[0] <= 'z') prefix[0] = static_cast<char>(prefix[0] - 'a' + 'A');
    return prefix;
}

} // namespace

Contents::Contents(const Dictionary& dictionary) : dictionary_(dictionary) {
    Group root;
    root.last = static_cast<uint32_t>(dictionary.PageCount());
    groups_.push_back(std::move(root));
}

bool Contents::Valid(uint32_t item) const {
    if (item & kPageItem) return (item & ~kPageItem) < dictionary_.PageCount();
    return IsGroup(item);
}

uint32_t Contents::AddGroup(uint32_t parent, uint32_t first, uint32_t last, uint32_t letters,
                            std::string label) {
    if (last - first == 1) return kPageItem | first; // a group of one headword is its entry
    Group g;
    g.first = first;
    g.last = last;
    g.parent = parent;
    g.letters = letters;
    g.label = std::move(label);
    groups_.push_back(std::move(g));
    return static_cast<uint32_t>(groups_.size());
}

void Contents::Make(uint32_t item) {
    if (GroupOf(item).made) return;
    const uint32_t first = GroupOf(item).first, last = GroupOf(item).last, letters = GroupOf(item).letters;
    const HeadwordOrder& order = dictionary_.Order();
    std::vector<uint32_t> children;
    if (last - first <= kLevelMost) {
        for (uint32_t p = first; p < last; ++p)
            children.push_back(kPageItem | p);
    } else {
        // The fewest leading letters more than the group's that split its headwords.
        struct Part {
            uint32_t first;
            std::string prefix;
        };
        std::vector<Part> parts;
        size_t depth = letters;
        bool exhausted = false;
        while (parts.size() <= 1 && !exhausted) {
            ++depth;
            parts.clear();
            exhausted = true;
            for (uint32_t p = first; p < last; ++p) {
                const std::string_view word = dictionary_.PageWord(p);
                std::string prefix = FoldedPrefix(word, depth, order);
                if (exhausted && FoldedLength(word, depth, order) >= depth) exhausted = false;
                if (parts.empty() || parts.back().prefix != prefix) parts.push_back({p, std::move(prefix)});
            }
        }
        const uint32_t self = item;
        if (parts.size() <= 1) {
            // Headwords alike in every letter: runs of kLevelMost.
            for (uint32_t p = first; p < last; p += kLevelMost) {
                const uint32_t end = std::min<uint32_t>(last, p + static_cast<uint32_t>(kLevelMost));
                children.push_back(AddGroup(self, p, end, UINT32_MAX / 2,
                                            std::string(dictionary_.PageWord(p)) + " " +
                                                std::to_string(p - first + 1) + "-" +
                                                std::to_string(end - first)));
            }
        } else if (parts.size() <= kLevelMost) {
            for (size_t i = 0; i < parts.size(); ++i) {
                const uint32_t end = i + 1 < parts.size() ? parts[i + 1].first : last;
                children.push_back(AddGroup(self, parts[i].first, end, static_cast<uint32_t>(depth),
                                            Label(parts[i].prefix)));
            }
        } else {
            // Too many groups for one level: ranges of neighbouring groups, split again when opened.
            const size_t per = (parts.size() + kLevelMost - 1) / kLevelMost;
            for (size_t i = 0; i < parts.size(); i += per) {
                const size_t lastPart = std::min(parts.size(), i + per) - 1;
                const uint32_t end = lastPart + 1 < parts.size() ? parts[lastPart + 1].first : last;
                std::string label = Label(parts[i].prefix);
                if (lastPart != i) label += " \xE2\x80\x93 " + Label(parts[lastPart].prefix);
                children.push_back(
                    AddGroup(self, parts[i].first, end, static_cast<uint32_t>(depth - 1), label));
            }
        }
    }
    for (size_t i = 0; i < children.size(); ++i)
        if (IsGroup(children[i])) GroupOf(children[i]).indexInParent = static_cast<uint32_t>(i);
    Group& g = GroupOf(item);
    g.children = std::move(children);
    g.made = true;
}

uint32_t Contents::FirstPageOf(uint32_t item) const {
    return (item & kPageItem) ? (item & ~kPageItem) : groups_[item - 1].first;
}

uint32_t Contents::FirstChild(uint32_t item) {
    if (!IsGroup(item)) return 0;
    Make(item);
    const Group& g = GroupOf(item);
    return g.children.empty() ? 0 : g.children.front();
}

// The position of `item` among the children of `parent` (made), or SIZE_MAX.
size_t Contents::IndexIn(uint32_t parent, uint32_t item) {
    const std::vector<uint32_t>& children = GroupOf(parent).children;
    const uint32_t page = FirstPageOf(item);
    auto it = std::upper_bound(children.begin(), children.end(), page,
                               [&](uint32_t p, uint32_t child) { return p < FirstPageOf(child); });
    if (it == children.begin()) return SIZE_MAX;
    --it;
    return *it == item ? static_cast<size_t>(it - children.begin()) : SIZE_MAX;
}

uint32_t Contents::NextSibling(uint32_t item) {
    const uint32_t parent = Parent(item);
    if (parent == 0) return 0;
    const size_t index = IndexIn(parent, item);
    const std::vector<uint32_t>& children = GroupOf(parent).children;
    return index + 1 < children.size() ? children[index + 1] : 0;
}

uint32_t Contents::ParentOfPage(uint32_t page) {
    uint32_t group = kRootItem;
    for (;;) {
        Make(group);
        const std::vector<uint32_t>& children = GroupOf(group).children;
        auto it = std::upper_bound(children.begin(), children.end(), page,
                                   [&](uint32_t p, uint32_t child) { return p < FirstPageOf(child); });
        if (it == children.begin()) return 0;
        const uint32_t child = *(it - 1);
        if (child == (kPageItem | page)) return group;
        if (!IsGroup(child) || page >= GroupOf(child).last) return 0;
        group = child;
    }
}

uint32_t Contents::Parent(uint32_t item) {
    if (!Valid(item) || item == kRootItem) return 0;
    if (item & kPageItem) return ParentOfPage(item & ~kPageItem);
    return GroupOf(item).parent;
}

std::string Contents::Text(uint32_t item) {
    if (!Valid(item)) return std::string();
    if (item & kPageItem) return std::string(dictionary_.PageWord(item & ~kPageItem));
    return GroupOf(item).label;
}

int32_t Contents::Page(uint32_t item) const {
    return (item & kPageItem) && Valid(item) ? static_cast<int32_t>(item & ~kPageItem) : -1;
}

uint32_t Contents::ItemOfPage(int32_t page) const {
    return page >= 0 && static_cast<size_t>(page) < dictionary_.PageCount()
               ? kPageItem | static_cast<uint32_t>(page)
               : 0;
}

} // namespace tavrin::dict
