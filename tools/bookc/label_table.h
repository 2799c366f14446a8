// The page labels of a book source, each kept once: the labels' bytes in one pool and a table of
// slots that finds them, so that a book of a million pages keeps a few tens of bytes per label.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin::bookc {

class LabelTable {
  public:
    // The label's number (0, 1, 2, ... in the order labels are first seen), adding it when new.
    uint32_t Intern(std::string_view label);
    std::string_view Text(uint32_t id) const;
    // The page the label stands on; -1 while no page has it.
    int32_t Page(uint32_t id) const { return labels_[id].page; }
    void SetPage(uint32_t id, int32_t page) { labels_[id].page = page; }

  private:
    struct Label {
        uint64_t offset = 0; // in pool_
        uint32_t length = 0;
        int32_t page = -1;
    };
    void Grow();

    std::string pool_;
    std::vector<Label> labels_;
    std::vector<uint32_t> slots_; // label number + 1; 0 for an empty slot
};

} // namespace tavrin::bookc
