// The pages of one book on their way through a search: the search reads a page through the book's
// driver into a slot and hands it over; the page is looked at (PagePrefilter) while the next pages are
// read; the search then takes the pages back in the order it handed them over, with the answer.
//
// For a book of many pages the looking is done by a second thread: reading a page (the kernel's copy
// and the driver's checksum) and looking at it take about as long, and two cores do both at once.
// Only the search's own thread calls drivers, the host or the message box; the second thread reads
// the blocks handed to it and writes the answer, nothing else. Without a second thread (a short
// book, or no thread to be had) a page is looked at when it is handed over, and there is one slot,
// so that every page is taken back before the next is read.
#pragma once

#include "navigation/page_prefilter.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>

namespace tavrin::search {

class PageAhead {
  public:
    struct Slot {
        unsigned char* block = nullptr; // from search::Allocate; capacity bytes
        size_t capacity = 0;
        size_t length = 0; // the page's bytes in the block
        int32_t page = 0;
        bool mayHold = false; // the answer, once taken back
        std::atomic<uint32_t> ticket{0};
    };

    // Books of at least this many pages get a second thread.
    static constexpr int32_t kPagesForSecondThread = 32;
    static constexpr size_t kSlots = 8;

    // filter: kept by the caller while this is used.
    PageAhead(const PagePrefilter& filter, bool secondThread);
    ~PageAhead();
    PageAhead(const PageAhead&) = delete;
    PageAhead& operator=(const PageAhead&) = delete;

    bool Full() const { return handed_ - taken_ == slots_; }
    bool Empty() const { return handed_ == taken_; }

    // The slot for the next page (not Full). Grow() makes its block hold `size` bytes; false when no
    // such block was to be had (the slot keeps its old one).
    Slot& Next() { return ring_[handed_ % slots_]; }
    bool Grow(Slot& slot, size_t size);
    // Hands the Next slot over, its block, length and page filled in.
    void Hand();

    // The first page handed over and not yet taken back, once it has been looked at; Done() frees
    // its slot for a later page.
    Slot& Oldest();
    void Done() { ++taken_; }

  private:
    void Look();

    const PagePrefilter& filter_;
    size_t slots_ = 1; // in use; the ring holds kSlots
    std::unique_ptr<Slot[]> ring_;
    uint32_t handed_ = 0, taken_ = 0;
    std::thread looker_;
};

} // namespace tavrin::search
