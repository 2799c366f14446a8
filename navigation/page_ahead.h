// The pages of one book on their way through a search. The search reads pages through the book's
// driver one after another into a batch, a block of some hundred kilobytes; a full batch is handed
// over and its pages are looked at (PagePrefilter) while the next batch is read; the search then
// takes the batches back in the order it handed them over, each page with its answer.
//
// Pages come in batches because a page of a dictionary is a few hundred bytes: handing each over on
// its own, and waiting for each, cost more than reading and looking at it.
//
// For a book of more than a batch the looking may be done by a second thread, which also reads the
// pages that the quick look lets through line by line (a common word passes most pages, and that
// reading is most of the search's work then) unless the search's thread is waiting for it; it
// sleeps while it has nothing to look at, as the search does
// while it waits for an answer (no thread spins). Only the search's own thread calls drivers, the host or the
// message box; the second thread reads the batches handed to it and writes the answers, nothing else. Without
// a second thread (a book of one batch, a caller that wants none, or no thread to be had) a batch is looked
// at when it is handed over, and there is one batch, taken back before the next is read.
#pragma once

#include "navigation/page_prefilter.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tavrin::search {

class PageAhead {
  public:
    struct Page {
        int32_t number = 0;
        size_t offset = 0;    // of its bytes in the batch's block
        size_t length = 0;    // the page's bytes, followed by a zero byte
        bool mayHold = false; // the answer, once the batch is taken back
        bool checked = false; // mayHold is the line-by-line reading's answer, not only the quick look's
        size_t stop = 0;      // where a sweep's quick look stopped in the page (else 0)
    };
    // Batches hold up to kBatchBytes of pages (a longer page gets a block of its own size) and up
    // to kBatchPages pages.
    static constexpr size_t kBatchBytes = 512 * 1024;
    static constexpr size_t kBatchPages = 2048;
    static constexpr size_t kBatches = 4;
    // A batch whose pages are shorter than this on average is looked at in one sweep.
    static constexpr size_t kSweptPageBytes = 1024;
    // A sleeping looker is woken once this many batches wait for it (or the search waits for one):
    // waking a thread costs the search some microseconds, so it is done once per few batches. Not
    // later than with half the ring still free: a woken thread takes tens of microseconds to run on a
    // busy or virtual machine, and the search, finding the ring full meanwhile, would sleep in turn
    // (a search of 400 MB took 8 % longer, measured, woken with one batch free).
    static constexpr size_t kWakeAt = kBatches / 2;
    struct Batch {
        unsigned char* block = nullptr; // from TakeBatchBlock; capacity bytes
        size_t capacity = 0;
        size_t used = 0;
        std::vector<Page> pages;
        const unsigned char* Bytes(const Page& page) const { return block + page.offset; }
    };

    // filter: kept by the caller while this is used. secondThread: look at the batches on a second
    // thread once the book proves longer than one batch.
    PageAhead(const PagePrefilter& filter, bool secondThread);
    ~PageAhead();
    PageAhead(const PageAhead&) = delete;
    PageAhead& operator=(const PageAhead&) = delete;

    // Room for `size` bytes (a page and its closing zero) at the end of the batch being filled. Null
    // when that batch has pages and no room: hand it over, take batches back while Full(), then ask
    // again; null from an empty batch means that no block of that size was to be had (the batch
    // keeps its old one).
    unsigned char* Room(size_t size);
    // Adds the page whose bytes were written where Room pointed: `length` bytes and a zero after them.
    void Add(int32_t number, size_t length);
    // For a driver that reads a run of pages at once: the free part of the batch being filled (its
    // start on a multiple of 16 bytes) and how many more pages the batch takes; empty when it has no
    // room or no block was to be had. The driver lays the pages out there as Add would place them.
    struct Space {
        unsigned char* at = nullptr;
        size_t bytes = 0;
        size_t pages = 0;
    };
    Space Free();
    // Adds pages first, first + 1, ... that a driver wrote into Free()'s space, `lengths` saying how
    // long each is, and writes the zero after each. Takes pages only while they lie inside the
    // `bytes` the driver was given (a driver's wrong length is not trusted); the number taken.
    size_t AddRun(int32_t first, const int32_t* lengths, size_t count, size_t bytes);
    // Hands the batch being filled over to be looked at; nothing when it holds no page. With
    // `more`, pages follow it: a book longer than one batch gets its second thread here.
    void Hand(bool more = false);

    // The batch being filled holds pages.
    bool Filled() const { return !ring_[handed_ % batches_].pages.empty(); }
    // No batch is left to fill: the oldest must be taken back first.
    bool Full() const { return handed_ - taken_ == batches_; }
    bool Empty() const { return handed_ == taken_; }
    // The first batch handed over and not yet taken back, once it has been looked at (the caller
    // sleeps until then); Done() frees it to be filled again.
    const Batch& Oldest();
    void Done();

    // Whether a second thread looks at the batches (for tests).
    bool Looker() const { return looker_.joinable(); }

  private:
    Batch& Filling() { return ring_[handed_ % batches_]; }
    void Grow();
    void StartLooker();
    void Look();
    void LookAt(Batch& batch, bool exact);

    const PagePrefilter& filter_;
    const bool secondThread_;
    size_t batches_ = 1; // in use; the ring holds kBatches
    std::unique_ptr<Batch[]> ring_;
    // Counts of batches: handed over, looked at, taken back. looked_ and stop_ are shared with the
    // looker under mutex_; the others belong to the search's thread.
    size_t handed_ = 0, taken_ = 0;
    size_t looked_ = 0;
    bool stop_ = false;
    std::mutex mutex_;
    std::condition_variable handedOver_, lookedAt_;
    std::thread looker_;
    // Set while the search's thread waits for the looker: the looker is the slower of the two then,
    // and leaves the pages it has not read line by line to the search's thread.
    std::atomic<bool> searchWaits_{false};
    // The looker's own area for a page's plain text and its line breaks.
    std::vector<unsigned char> plain_;
    std::vector<uint32_t> breaks_;
};

} // namespace tavrin::search
