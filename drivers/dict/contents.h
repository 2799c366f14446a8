// The contents of a dictionary: its headwords grouped by their leading letters, so that no level holds
// more than kLevelMost entries. A group of more headwords is split by one more letter ("a", then "ab",
// "ac", ...); when the split gives more than kLevelMost groups, neighbouring groups are gathered into
// ranges ("ab – am"); headwords that share all their letters are split into runs of kLevelMost. A group
// of one headword is that headword's own entry. Levels are made when first asked for.
//
// Items: the root is 1, a group g + 1 (below kPageItem), the entry of page p is kPageItem | p.
#pragma once

#include "dict/dictionary.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tavrin::dict {

inline constexpr size_t kLevelMost = 250;
inline constexpr uint32_t kPageItem = 0x80000000u;
inline constexpr uint32_t kRootItem = 1;

class Contents {
  public:
    explicit Contents(const Dictionary& dictionary);

    bool Valid(uint32_t item) const;
    bool HasChildren(uint32_t item) const { return IsGroup(item); }
    uint32_t FirstChild(uint32_t item);
    uint32_t NextSibling(uint32_t item);
    uint32_t Parent(uint32_t item); // 0 for the root
    // The label: a group's letters ("Ab", "Ab – Am") or a page's headword, in UTF-8.
    std::string Text(uint32_t item);
    int32_t Page(uint32_t item) const; // -1 for a group
    uint32_t ItemOfPage(int32_t page) const;

  private:
    struct Group {
        uint32_t first = 0, last = 0; // pages [first, last)
        uint32_t parent = 0;          // item
        uint32_t indexInParent = 0;
        uint32_t letters = 0; // how many leading letters its members share
        std::string label;
        bool made = false;
        std::vector<uint32_t> children; // items
    };
    bool IsGroup(uint32_t item) const { return item != 0 && item < kPageItem && item <= groups_.size(); }
    Group& GroupOf(uint32_t item) { return groups_[item - 1]; }
    void Make(uint32_t item);
    uint32_t AddGroup(uint32_t parent, uint32_t first, uint32_t last, uint32_t letters, std::string label);
    uint32_t ParentOfPage(uint32_t page);
    uint32_t FirstPageOf(uint32_t item) const;
    size_t IndexIn(uint32_t parent, uint32_t item);

    const Dictionary& dictionary_;
    std::vector<Group> groups_;
};

} // namespace tavrin::dict
