// The hand-over between the search's thread and the looking thread goes through one ticket per slot:
// the search stores 2i+1 when it hands over the i-th page, the looker 2i+2 when it has looked at it,
// and kEnd tells the looker to stop. Each side spins a little before it sleeps on the ticket: a page
// takes microseconds, and sleeping and waking for each would cost more than the page.
#include "navigation/page_ahead.h"

#include "navigation/search_text.h"

#include <cstdlib>
#include <pthread.h>
#include <signal.h>
#include <system_error>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace tavrin::search {
namespace {

constexpr uint32_t kEnd = 0xFFFFFFFF;
// About a hundred microseconds of spinning: longer than reading one page.
constexpr int kSpins = 2048;

void Relax() {
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#else
    std::this_thread::yield();
#endif
}

// Waits until the ticket holds `want` or `orElse`; returns which.
uint32_t WaitFor(const std::atomic<uint32_t>& ticket, uint32_t want, uint32_t orElse) {
    for (int spin = 0;; ++spin) {
        uint32_t now = ticket.load(std::memory_order_acquire);
        if (now == want || now == orElse) return now;
        if (spin < kSpins)
            Relax();
        else
            ticket.wait(now, std::memory_order_acquire);
    }
}

void Post(std::atomic<uint32_t>& ticket, uint32_t value) {
    ticket.store(value, std::memory_order_release);
    ticket.notify_one();
}

} // namespace

PageAhead::PageAhead(const PagePrefilter& filter, bool secondThread) : filter_(filter) {
    ring_ = std::make_unique<Slot[]>(kSlots);
    slots_ = secondThread ? kSlots : 1;
    if (!secondThread) return;
    // The host's signals stay with the host's threads: the looker is made with every signal blocked.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    try {
        looker_ = std::thread([this] { Look(); });
    } catch (const std::system_error&) {
        slots_ = 1; // no thread to be had: every page is looked at when handed over
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

PageAhead::~PageAhead() {
    if (looker_.joinable()) {
        // The looker must be past every page handed over before the next slot's ticket says stop;
        // otherwise its answer to a page could overwrite the stop.
        if (handed_ != 0) {
            const uint32_t last = handed_ - 1;
            WaitFor(ring_[last % slots_].ticket, 2 * last + 2, 2 * last + 2);
        }
        Post(ring_[handed_ % slots_].ticket, kEnd);
        looker_.join();
    }
    for (size_t k = 0; k < kSlots; ++k)
        std::free(ring_[k].block);
}

bool PageAhead::Grow(Slot& slot, size_t size) {
    if (slot.capacity >= size) return true;
    void* block = Allocate(size);
    if (!block) return false;
    std::free(slot.block);
    slot.block = static_cast<unsigned char*>(block);
    slot.capacity = size;
    return true;
}

void PageAhead::Hand() {
    Slot& slot = Next();
    const uint32_t i = handed_++;
    if (looker_.joinable()) {
        Post(slot.ticket, 2 * i + 1);
    } else {
        slot.mayHold = filter_.MayHold(slot.block, slot.length);
        slot.ticket.store(2 * i + 2, std::memory_order_relaxed);
    }
}

PageAhead::Slot& PageAhead::Oldest() {
    Slot& slot = ring_[taken_ % slots_];
    WaitFor(slot.ticket, 2 * taken_ + 2, 2 * taken_ + 2);
    return slot;
}

void PageAhead::Look() {
    pthread_setname_np(pthread_self(), "tavrin-search"); // as debuggers and profilers show it
    for (uint32_t i = 0;; ++i) {
        Slot& slot = ring_[i % slots_];
        if (WaitFor(slot.ticket, 2 * i + 1, kEnd) == kEnd) return;
        slot.mayHold = filter_.MayHold(slot.block, slot.length);
        Post(slot.ticket, 2 * i + 2);
    }
}

} // namespace tavrin::search
