// The read-ahead thread and its two blocks. The reader asks for the block after the one it is in
// once the thread is idle and a block is free; it waits (sleeping) only for a block the thread is
// still reading. Everything is under one mutex except the reads themselves: the thread reads into a
// block nobody else touches until it says the block is ready, and the reader copies only from blocks
// that are ready, which only the reader frees.
#include "bookfmt/read_ahead.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <pthread.h>
#include <signal.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace tavrin::book {

bool ReadFully(int fd, uint64_t offset, std::span<uint8_t> out) {
    size_t done = 0;
    while (done < out.size()) {
        ssize_t n = ::pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false; // error, or the file ended early
        done += static_cast<size_t>(n);
    }
    return true;
}

namespace {

class Ahead {
  public:
    ~Ahead() {
        if (!thread_.joinable()) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        work_.notify_one();
        thread_.join();
    }

    // False when the reader is to read the bytes itself: another reader has the blocks, or there
    // is no thread to be had. Else *ok says whether the bytes were read.
    bool Read(int fd, uint64_t id, uint64_t offset, std::span<const Piece> pieces, uint64_t end, bool* ok) {
        if (busy_.exchange(true, std::memory_order_acquire)) return false;
        const bool served = ReadHeld(fd, id, offset, pieces, end, ok);
        busy_.store(false, std::memory_order_release);
        return served;
    }

    // Around a fork: the mutex is held across it, so that the child gets the state whole; the child,
    // which has none of the parent's other threads, starts again with no thread and no blocks held
    // (its mutex and condition variables made anew: a waiter that exists only in the parent must not
    // be waited for or signalled).
    void BeforeFork() { mutex_.lock(); }
    void AfterForkInParent() { mutex_.unlock(); }
    void AfterForkInChild() {
        new (&mutex_) std::mutex();
        new (&work_) std::condition_variable();
        new (&done_) std::condition_variable();
        new (&thread_) std::thread(); // the parent's thread is not the child's to join
        busy_.store(false, std::memory_order_relaxed);
        for (Block& b : blocks_)
            b.state = State::Free;
        asked_ = -1;
        reading_ = stop_ = false;
        fd_ = -1;
        id_ = 0;
    }

    void Forget(uint64_t id) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (id_ != id) return;
        Reset(lock);
    }

  private:
    enum class State { Free, Asked, Ready, Failed };
    struct Block {
        State state = State::Free;
        uint64_t start = 0, length = 0;
        std::unique_ptr<uint8_t[]> bytes;
        bool Holds(uint64_t at) const { return state != State::Free && at >= start && at - start < length; }
    };

    // With the mutex: waits for the thread's read, if any, and forgets the blocks and the file.
    void Reset(std::unique_lock<std::mutex>& lock) {
        asked_ = -1;
        done_.wait(lock, [this] { return !reading_; });
        for (Block& b : blocks_)
            b.state = State::Free;
        id_ = 0;
        fd_ = -1;
    }

    bool Start() {
        if (thread_.joinable()) return true;
        for (Block& b : blocks_)
            if (!b.bytes) {
                b.bytes.reset(new (std::nothrow) uint8_t[kReadAheadBlock]);
                if (!b.bytes) return false;
            }
        // The host's signals stay with the host's threads.
        sigset_t all, previous;
        sigfillset(&all);
        pthread_sigmask(SIG_SETMASK, &all, &previous);
        try {
            thread_ = std::thread([this] { Run(); });
        } catch (const std::system_error&) {
        }
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return thread_.joinable();
    }

    // Copies the bytes from `at` on into the pieces, from piece `*piece` byte `*into` on.
    static void Scatter(const uint8_t* from, uint64_t n, std::span<const Piece> pieces, size_t* piece,
                        size_t* into) {
        while (n > 0) {
            const Piece& p = pieces[*piece];
            const size_t part = static_cast<size_t>(std::min<uint64_t>(n, p.length - *into));
            std::memcpy(p.to + *into, from, part);
            from += part;
            n -= part;
            *into += part;
            if (*into == p.length) {
                ++*piece;
                *into = 0;
            }
        }
    }

    bool ReadHeld(int fd, uint64_t id, uint64_t offset, std::span<const Piece> pieces, uint64_t end,
                  bool* ok) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!Start()) return false;
        if (id_ != id) {
            Reset(lock);
            id_ = id;
            fd_ = fd;
        }
        uint64_t total = 0;
        for (const Piece& p : pieces)
            total += p.length;
        const uint64_t stop = offset + total;
        size_t piece = 0, into = 0;
        while (piece < pieces.size() && pieces[piece].length == 0)
            ++piece;
        // The bytes from the blocks: one still being read is waited for; where no block holds them
        // (the start of a stretch), the reader reads a block itself.
        uint64_t at = offset;
        bool failed = false;
        while (at < stop && !failed) {
            Block* b = At(at);
            if (!b) {
                b = Spare();
                b->start = at;
                b->length = std::max<uint64_t>(std::min<uint64_t>(kReadAheadBlock, end > at ? end - at : 0),
                                               std::min<uint64_t>(kReadAheadBlock, stop - at));
                b->state = ReadFully(fd, at, {b->bytes.get(), static_cast<size_t>(b->length)})
                               ? State::Ready
                               : State::Failed;
                continue;
            }
            if (b->state == State::Asked) {
                done_.wait(lock, [b] { return b->state != State::Asked; });
                continue;
            }
            if (b->state == State::Failed) {
                failed = true;
                break;
            }
            const uint64_t n = std::min(stop, b->start + b->length) - at;
            Scatter(b->bytes.get() + (at - b->start), n, pieces, &piece, &into);
            at += n;
        }
        // The block the reader is in and the one after it are kept, the others are free again (behind
        // the reader, or from an earlier pass); the block after is asked for.
        Block* current = At(stop);
        const uint64_t next = current ? current->start + current->length : stop;
        for (Block& b : blocks_)
            if (b.state != State::Asked && &b != current && !(b.state != State::Free && b.start == next))
                b.state = State::Free;
        bool asked = false;
        if (!failed && asked_ < 0 && !reading_ && next < end && !At(next))
            for (int k = 0; k < 2 && !asked; ++k)
                if (blocks_[k].state == State::Free) {
                    blocks_[k].state = State::Asked;
                    blocks_[k].start = next;
                    blocks_[k].length = std::min<uint64_t>(kReadAheadBlock, end - next);
                    asked_ = k;
                    asked = true;
                }
        lock.unlock();
        if (asked) work_.notify_one();
        *ok = !failed;
        return true;
    }

    // A block for the reader to read into itself: one the thread is not reading.
    Block* Spare() {
        for (Block& b : blocks_)
            if (b.state == State::Free) return &b;
        for (Block& b : blocks_)
            if (b.state != State::Asked) return &b;
        return nullptr; // not reached: the thread reads one block at a time
    }

    Block* At(uint64_t at) {
        for (Block& b : blocks_)
            if (b.Holds(at)) return &b;
        return nullptr;
    }

    void Run() {
        pthread_setname_np(pthread_self(), "tavrin-read"); // as debuggers and profilers show it
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            work_.wait(lock, [this] { return stop_ || asked_ >= 0; });
            if (stop_) return;
            Block& b = blocks_[asked_];
            asked_ = -1;
            reading_ = true;
            const int fd = fd_;
            lock.unlock();
            const bool read = ReadFully(fd, b.start, {b.bytes.get(), static_cast<size_t>(b.length)});
            lock.lock();
            reading_ = false;
            // A block forgotten meanwhile (its file closed) stays free.
            if (b.state == State::Asked) b.state = read ? State::Ready : State::Failed;
            done_.notify_all();
        }
    }

    std::atomic<bool> busy_{false}; // one reader at a time
    std::mutex mutex_;
    std::condition_variable work_, done_;
    Block blocks_[2];
    int asked_ = -1; // the block the thread is to read next
    bool reading_ = false, stop_ = false;
    int fd_ = -1;
    uint64_t id_ = 0;
    std::thread thread_;
};

// Made when the library is loaded, so that it ends (its thread joined) after the books, whose files
// forget it when they close.
Ahead g_ahead;

// The fork handlers go with the library: they are dropped when it is unloaded.
const int g_forkHandlers = pthread_atfork([] { g_ahead.BeforeFork(); }, [] { g_ahead.AfterForkInParent(); },
                                          [] { g_ahead.AfterForkInChild(); });

} // namespace

bool ReadAhead(int fd, uint64_t id, uint64_t offset, std::span<const Piece> pieces, uint64_t end) {
    bool ok = false;
    if (g_ahead.Read(fd, id, offset, pieces, end, &ok)) return ok;
    for (const Piece& p : pieces) {
        if (!ReadFully(fd, offset, {p.to, p.length})) return false;
        offset += p.length;
    }
    return true;
}

void ForgetReadAhead(uint64_t id) {
    g_ahead.Forget(id);
}

} // namespace tavrin::book
