// The hand-over between the search's thread and the looking thread: counts of the batches handed
// over and looked at, under one mutex, and a condition variable for each side to sleep on. A batch
// holds many pages, and a sleeping looker is woken only once several batches wait for it, so the two
// threads meet a few times per megabyte of pages, not once per page.
#include "navigation/page_ahead.h"

#include "navigation/batch_blocks.h"
#include "navigation/search_text.h"

#include <algorithm>
#include <new>
#include <pthread.h>
#include <signal.h>
#include <system_error>

namespace tavrin::search {

PageAhead::PageAhead(const PagePrefilter& filter, bool secondThread)
    : filter_(filter), secondThread_(secondThread), ring_(std::make_unique<Batch[]>(kBatches)) {}

PageAhead::~PageAhead() {
    if (looker_.joinable()) {
        // The looker ends after the batch it is looking at, if any; the rest are not looked at.
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        handedOver_.notify_one();
        looker_.join();
    }
    for (size_t k = 0; k < kBatches; ++k)
        GiveBatchBlock(ring_[k].block, ring_[k].capacity);
}

unsigned char* PageAhead::Room(size_t size) {
    Batch& batch = Filling();
    if (!batch.pages.empty()) {
        if (batch.pages.size() < kBatchPages && size <= batch.capacity - batch.used)
            return batch.block + batch.used;
        Grow();
        return nullptr;
    }
    if (batch.capacity < size) {
        const size_t capacity = std::max(size, kBatchBytes);
        void* block = TakeBatchBlock(capacity);
        if (!block) return nullptr;
        GiveBatchBlock(batch.block, batch.capacity);
        batch.block = static_cast<unsigned char*>(block);
        batch.capacity = capacity;
    }
    if (batch.pages.capacity() == 0) batch.pages.reserve(kBatchPages);
    return batch.block;
}

namespace {

// The next page's place after a page of `length` bytes at `at`: on a multiple of 16 bytes after the
// page's zero.
size_t PageEnds(size_t capacity, size_t at, size_t length) {
    return std::min(capacity, (at + length + 1 + 15) & ~size_t{15});
}

} // namespace

void PageAhead::Add(int32_t number, size_t length) {
    Batch& batch = Filling();
    batch.pages.push_back(Page{number, batch.used, length, false});
    batch.used = PageEnds(batch.capacity, batch.used, length);
}

PageAhead::Space PageAhead::Free() {
    Batch& batch = Filling();
    if (batch.pages.empty() && !Room(1)) return {};
    if (batch.pages.size() >= kBatchPages || batch.used >= batch.capacity) return {};
    return {batch.block + batch.used, batch.capacity - batch.used, kBatchPages - batch.pages.size()};
}

size_t PageAhead::AddRun(int32_t first, const int32_t* lengths, size_t count, size_t bytes) {
    Batch& batch = Filling();
    const size_t end = std::min(batch.used + bytes, batch.capacity);
    // The batch is found once for the run (a thousand pages of a dictionary), not once per page.
    size_t used = batch.used, taken = 0;
    for (; taken < count; ++taken) {
        const int32_t length = lengths[taken];
        if (length < 0 || used + static_cast<size_t>(length) >= end) break;
        const auto n = static_cast<size_t>(length);
        batch.block[used + n] = 0;
        batch.pages.push_back(Page{first + static_cast<int32_t>(taken), used, n, false, false});
        used = PageEnds(batch.capacity, used, n);
    }
    batch.used = used;
    return taken;
}

void PageAhead::Hand(bool more) {
    Batch& batch = Filling();
    if (batch.pages.empty()) return;
    if (more) Grow();
    if (!looker_.joinable()) {
        LookAt(batch, false);
        ++handed_;
        looked_ = handed_;
        return;
    }
    bool wake;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++handed_;
        wake = handed_ - looked_ >= kWakeAt;
    }
    if (wake) handedOver_.notify_one();
}

const PageAhead::Batch& PageAhead::Oldest() {
    if (looker_.joinable()) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (looked_ <= taken_) {
            // The looker may be asleep with fewer batches than wake it: it is needed now. While this
            // thread waits, the looker leaves the rest of the batch's line-by-line reading to it.
            searchWaits_.store(true, std::memory_order_relaxed);
            handedOver_.notify_one();
            lookedAt_.wait(lock, [this] { return looked_ > taken_; });
            searchWaits_.store(false, std::memory_order_relaxed);
        }
    }
    return ring_[taken_ % batches_];
}

void PageAhead::Done() {
    Batch& batch = ring_[taken_ % batches_];
    batch.pages.clear();
    batch.used = 0;
    ++taken_;
}

void PageAhead::Grow() {
    // The book is longer than one batch: from here on the batches are looked at on the second
    // thread. Only now, while the first batch is still being filled, can the ring grow.
    if (secondThread_ && !looker_.joinable() && handed_ == 0) StartLooker();
}

void PageAhead::StartLooker() {
    // The host's signals stay with the host's threads: the looker is made with every signal blocked.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    batches_ = kBatches;
    try {
        looker_ = std::thread([this] { Look(); });
    } catch (const std::system_error&) {
        batches_ = 1; // no thread to be had: every batch is looked at when it is handed over
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

void PageAhead::Look() {
    pthread_setname_np(pthread_self(), "tavrin-search"); // as debuggers and profilers show it
    for (size_t i = 0;; ++i) {
        {
            // Awake, the looker goes on while batches wait; caught up, it sleeps until it is woken:
            // when enough batches wait, or when the search waits for the oldest.
            std::unique_lock<std::mutex> lock(mutex_);
            handedOver_.wait(lock, [&] { return stop_ || handed_ > i; });
            if (stop_) return;
        }
        LookAt(ring_[i % batches_], true);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            looked_ = i + 1;
        }
        lookedAt_.notify_one();
    }
}

namespace {

// A sweep over a batch's pages: the page that holds each place the quick look lets through is asked
// whether its look stops there; a page that says yes is settled and the sweep goes on after it.
struct BatchSweep {
    const PagePrefilter& filter;
    const unsigned char* block;
    PageAhead::Page* page; // the first page not yet passed
    PageAhead::Page* end;
    size_t stretch; // the bytes swept

    static size_t Visit(void* context, size_t q) {
        auto& s = *static_cast<BatchSweep*>(context);
        while (s.page != s.end && s.page->offset + s.page->length <= q)
            ++s.page;
        if (s.page == s.end) return s.stretch;
        if (q < s.page->offset) return s.page->offset; // between two pages
        if (!s.filter.HoldsAt(s.block + s.page->offset, s.page->length, q - s.page->offset)) return q + 1;
        s.page->mayHold = true;
        s.page->stop = q - s.page->offset;
        const size_t next = s.page->offset + s.page->length;
        ++s.page;
        return std::max(next, q + 1);
    }
};

} // namespace

void PageAhead::LookAt(Batch& batch, bool exact) {
    // Pages of a dictionary (under a kilobyte on average) are swept together: they lie in order in
    // the block (whatever lies between them is never taken for a page's bytes). Longer pages are
    // looked at one by one, which costs less for each place the quick look lets through.
    if (filter_.Sweeps() && !batch.pages.empty() && batch.used < batch.pages.size() * kSweptPageBytes) {
        for (Page& page : batch.pages) {
            page.mayHold = page.checked = false;
            page.stop = 0;
        }
        BatchSweep sweep{filter_, batch.block, batch.pages.data(), batch.pages.data() + batch.pages.size(),
                         batch.used};
        filter_.Sweep(batch.block, batch.used, &BatchSweep::Visit, &sweep);
    } else {
        for (Page& page : batch.pages) {
            page.mayHold = filter_.MayHold(batch.block + page.offset, page.length);
            page.checked = false;
            page.stop = 0;
        }
    }
    for (Page& page : batch.pages) {
        const unsigned char* bytes = batch.block + page.offset;
        if (!exact || !page.mayHold || searchWaits_.load(std::memory_order_relaxed)) continue;
        // A page whose area cannot be had is left to the search's thread, which says so.
        try {
            if (plain_.size() < page.length + 2) plain_.resize(page.length + 2);
        } catch (const std::bad_alloc&) {
            continue;
        }
        // The sweep met no place of the page before where it stopped: the text's own bytes, if the
        // page holds them, start there.
        const int holds = PassedPageHolds(filter_.Needle(), filter_.Length(), filter_.Folds(), filter_.Rare(),
                                          bytes, page.length, plain_.data(), breaks_, page.stop);
        if (holds >= 0) {
            page.mayHold = holds == 1;
            page.checked = true;
        }
    }
}

} // namespace tavrin::search
