#include "label_table.h"

#include <functional>

namespace tavrin::bookc {

uint32_t LabelTable::Intern(std::string_view label) {
    // At most half the slots are used, so that a search ends soon at an empty one.
    if ((labels_.size() + 1) * 2 > slots_.size()) Grow();
    const size_t mask = slots_.size() - 1;
    for (size_t slot = std::hash<std::string_view>()(label) & mask;; slot = (slot + 1) & mask) {
        if (slots_[slot] == 0) {
            auto id = static_cast<uint32_t>(labels_.size());
            labels_.push_back({pool_.size(), static_cast<uint32_t>(label.size()), -1});
            pool_ += label;
            slots_[slot] = id + 1;
            return id;
        }
        if (Text(slots_[slot] - 1) == label) return slots_[slot] - 1;
    }
}

std::string_view LabelTable::Text(uint32_t id) const {
    const Label& l = labels_[id];
    return std::string_view(pool_).substr(l.offset, l.length);
}

void LabelTable::Grow() {
    std::vector<uint32_t> slots(slots_.empty() ? 64 : slots_.size() * 2, 0);
    const size_t mask = slots.size() - 1;
    for (uint32_t id = 0; id < labels_.size(); ++id) {
        size_t slot = std::hash<std::string_view>()(Text(id)) & mask;
        while (slots[slot] != 0)
            slot = (slot + 1) & mask;
        slots[slot] = id + 1;
    }
    slots_ = std::move(slots);
}

} // namespace tavrin::bookc
