// The batches that carry a search's pages to the quick look and back: pages come back in the order
// they were added, byte for byte, each with the answer the filter gives for it, with or without the
// second thread; the second thread starts only for a book longer than one batch and sleeps while it
// has nothing to look at; a ring dropped with batches still on their way ends cleanly; the second
// thread takes none of the host's signals; a block that cannot be had leaves the batch as it was.
#include "navigation/batch_blocks.h"
#include "navigation/page_ahead.h"
#include "navigation/search_bytes.h"
#include "navigation/search_text.h"
#include "common/huge_pages.h"
#include "search_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <pthread.h>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using tavrin::search::PageAhead;
using tavrin::search::PagePrefilter;

// The quick look for "qz", which some of the pages below hold.
const PagePrefilter& Qz() {
    static const unsigned char text[] = "qz";
    static const PagePrefilter filter(text, 2, false, tavrin::search::RarestByte(text, 2));
    return filter;
}

// Pages of a few bytes to `longest` bytes; some hold "qz".
std::vector<std::string> Pages(int count, uint32_t seed, size_t longest = 3000) {
    std::mt19937 rng(seed);
    std::vector<std::string> pages;
    for (int p = 0; p < count; ++p) {
        std::string page(1 + rng() % longest, 'x');
        if (rng() % 5 == 0) page.replace(rng() % page.size(), 1, "q");
        if (rng() % 9 == 0) page += "qz";
        pages.push_back(page);
    }
    return pages;
}

// Adds a page as the search does: when the batch being filled has no room, it is handed over and
// batches are taken back until one is free.
void Add(PageAhead& ahead, const std::string& page, int32_t number, const std::function<void()>& takeBack) {
    unsigned char* at = ahead.Room(page.size() + 1);
    if (!at) {
        ahead.Hand();
        while (ahead.Full())
            takeBack();
        at = ahead.Room(page.size() + 1);
    }
    ASSERT_NE(at, nullptr);
    std::memcpy(at, page.data(), page.size());
    at[page.size()] = 0;
    ahead.Add(number, page.size());
}

// Every page added in order, then every batch taken back.
void AddAll(PageAhead& ahead, const std::vector<std::string>& pages, const std::function<void()>& takeBack) {
    for (size_t p = 0; p < pages.size(); ++p)
        Add(ahead, pages[p], static_cast<int32_t>(p), takeBack);
    ahead.Hand();
    while (!ahead.Empty())
        takeBack();
}

// A book of many short pages through `ahead`, its batches taken back unread.
void AddAllUnread(PageAhead& ahead, uint32_t seed) {
    AddAll(ahead, Pages(3000, seed, 300), [&] {
        ahead.Oldest(); // once the looker has looked, it has named itself
        ahead.Done();
    });
}

class PageAheadBothWays : public testing::TestWithParam<bool> {};

INSTANTIATE_TEST_SUITE_P(PageAhead, PageAheadBothWays, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& way) {
                             return way.param ? "SecondThread" : "Inline";
                         });

TEST_P(PageAheadBothWays, PagesComeBackInOrderWithTheirAnswers) {
    const PagePrefilter& filter = Qz();
    // Pages of a dictionary (a few hundred bytes: batches end at their page count), ordinary ones
    // (batches end at their bytes), and some longer than a batch.
    std::vector<std::string> pages = Pages(5000, 7, 300);
    for (const std::string& page : Pages(300, 8, 6000))
        pages.push_back(page);
    pages[100] = std::string(PageAhead::kBatchBytes * 2, 'x') + "qz";
    pages[5100] = std::string(PageAhead::kBatchBytes - 1, 'y');
    pages.push_back(std::string(PageAhead::kBatchBytes + 5, 'q'));
    PageAhead ahead(filter, GetParam());
    std::vector<int32_t> order;
    int holding = 0;
    auto takeBack = [&] {
        const PageAhead::Batch& batch = ahead.Oldest();
        EXPECT_LE(batch.pages.size(), PageAhead::kBatchPages);
        for (const PageAhead::Page& page : batch.pages) {
            const std::string& sent = pages[static_cast<size_t>(page.number)];
            const std::string got(reinterpret_cast<const char*>(batch.Bytes(page)), page.length);
            ASSERT_EQ(got, sent) << "page " << page.number;
            EXPECT_EQ(batch.Bytes(page)[page.length], 0) << "page " << page.number;
            EXPECT_EQ(page.mayHold,
                      filter.MayHold(reinterpret_cast<const unsigned char*>(sent.data()), sent.size()))
                << "page " << page.number;
            holding += page.mayHold;
            order.push_back(page.number);
        }
        ahead.Done();
    };
    // Pages added one by one, and in runs laid out where Free() says as a driver does; the length
    // a driver claims past the bytes it was given ends the run there.
    for (size_t p = 0; p < pages.size();) {
        if (p % 5 == 0) {
            const PageAhead::Space space = ahead.Free();
            std::vector<int32_t> lengths;
            size_t at = 0;
            for (size_t q = p; q < pages.size() && lengths.size() < space.pages; ++q) {
                if (at + pages[q].size() + 1 > space.bytes) break;
                std::memcpy(space.at + at, pages[q].data(), pages[q].size());
                lengths.push_back(static_cast<int32_t>(pages[q].size()));
                at = (at + pages[q].size() + 1 + 15) & ~size_t{15};
            }
            const size_t fit = lengths.size();
            lengths.push_back(static_cast<int32_t>(space.bytes)); // not a page the driver wrote
            const size_t taken =
                ahead.AddRun(static_cast<int32_t>(p), lengths.data(), lengths.size(), space.bytes);
            ASSERT_EQ(taken, fit) << "page " << p;
            p += taken;
            if (taken > 0) continue;
        }
        Add(ahead, pages[p], static_cast<int32_t>(p), takeBack);
        ++p;
    }
    ahead.Hand();
    while (!ahead.Empty())
        takeBack();
    EXPECT_EQ(ahead.Looker(), GetParam());
    ASSERT_EQ(order.size(), pages.size());
    for (size_t p = 0; p < order.size(); ++p)
        ASSERT_EQ(order[p], static_cast<int32_t>(p));
    EXPECT_GT(holding, 400) << "both answers must occur";
    EXPECT_LT(holding, 4000);
}

TEST_P(PageAheadBothWays, DroppedWithBatchesOnTheirWay) {
    const std::vector<std::string> pages = Pages(60, 11, 40000);
    for (size_t stopAt = 0; stopAt < pages.size(); stopAt += 7) {
        PageAhead ahead(Qz(), GetParam());
        auto takeBack = [&] {
            ahead.Oldest();
            ahead.Done();
        };
        for (size_t p = 0; p < stopAt; ++p)
            Add(ahead, pages[p], static_cast<int32_t>(p), takeBack);
        if (stopAt % 2) ahead.Hand();
    } // each ring ends here, its looker stopped and joined
}

TEST(PageAhead, OneBatchIsLookedAtWithoutASecondThread) {
    PageAhead ahead(Qz(), true);
    for (int32_t p = 0; p < 100; ++p)
        Add(ahead, "a short page qz", p, [] { FAIL() << "one batch holds them all"; });
    ahead.Hand();
    EXPECT_FALSE(ahead.Looker());
    const PageAhead::Batch& batch = ahead.Oldest();
    ASSERT_EQ(batch.pages.size(), 100u);
    EXPECT_TRUE(batch.pages[99].mayHold);
    ahead.Done();
    EXPECT_TRUE(ahead.Empty());
}

// The CPU time of the whole process so far.
std::chrono::nanoseconds ProcessCpu() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
}

TEST(PageAhead, IdleLookerSleeps) {
    PageAhead ahead(Qz(), true);
    AddAllUnread(ahead, 3);
    ASSERT_TRUE(ahead.Looker());
    // Nothing more is handed over: the looker waits, and a waiting thread costs no CPU.
    const auto before = ProcessCpu();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LT(ProcessCpu() - before, std::chrono::milliseconds(30));
}

// The blocked signals of this process's thread named `name` (as /proc shows them), or nullopt.
std::optional<uint64_t> BlockedSignalsOf(const std::string& name) {
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string taskName;
        std::getline(comm, taskName);
        if (taskName != name) continue;
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("SigBlk:", 0) == 0) return std::stoull(line.substr(7), nullptr, 16);
    }
    return std::nullopt;
}

TEST(PageAhead, LookerKeepsOutOfTheHostsSignals) {
    PageAhead ahead(Qz(), true);
    AddAllUnread(ahead, 5);
    ASSERT_TRUE(ahead.Looker());
    std::optional<uint64_t> blocked = BlockedSignalsOf("tavrin-search");
    ASSERT_TRUE(blocked.has_value()) << "the looking thread is named";
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGALRM})
        EXPECT_TRUE(*blocked >> (signal - 1) & 1) << "signal " << signal;
    sigset_t mine;
    pthread_sigmask(SIG_SETMASK, nullptr, &mine);
    EXPECT_FALSE(sigismember(&mine, SIGINT)) << "the caller's mask is as it was";
}

size_t g_failAt = 0;
void* FailAt(size_t size) {
    return size == g_failAt ? nullptr : std::malloc(size);
}

TEST(PageAhead, BlockThatCannotBeHadLeavesTheBatchAsItWas) {
    PageAhead ahead(Qz(), false);
    unsigned char* block = ahead.Room(100);
    ASSERT_NE(block, nullptr);
    const size_t huge = PageAhead::kBatchBytes * 3;
    g_failAt = huge;
    tavrin::search::SetAllocator(&FailAt);
    EXPECT_EQ(ahead.Room(huge), nullptr) << "an empty batch without room: no block to be had";
    EXPECT_EQ(ahead.Room(PageAhead::kBatchBytes), block) << "the batch keeps its block";
    EXPECT_NE(ahead.Room(huge + 1), nullptr);
    tavrin::search::SetAllocator(nullptr);
}

// Blocks are kept from one search to the next, but never handed to a search whose allocator is a
// test's: the kept blocks do not hide memory that cannot be had.
TEST(PageAhead, KeptBlocksServeTheNextSearchButNotAFailingAllocator) {
    const PagePrefilter& filter = Qz();
    unsigned char* first = nullptr;
    {
        PageAhead ahead(filter, false);
        first = ahead.Room(100);
        ASSERT_NE(first, nullptr);
    }
    {
        PageAhead again(filter, false);
        EXPECT_EQ(again.Room(100), first) << "the block of the search before";
    }
    g_failAt = PageAhead::kBatchBytes;
    tavrin::search::SetAllocator(&FailAt);
    {
        PageAhead failing(filter, false);
        EXPECT_EQ(failing.Room(100), nullptr) << "no block to be had";
    }
    tavrin::search::SetAllocator(nullptr);
}

// A ring's blocks are the quarters of one area placed on a multiple of its size (what a huge page
// needs) and advised for huge pages; every search after the first gets the same ones back. Blocks
// past the area's come from the allocator and go back to it; blocks given back while a test's
// allocator is set still go back to the area (never to free(), which would abort under the
// sanitizers).
TEST(PageAhead, TheRingsBlocksAreOneAreaAdvisedForHugePages) {
    using tavrin::search::GiveBatchBlock;
    using tavrin::search::TakeBatchBlock;
    const size_t block = PageAhead::kBatchBytes;
    std::vector<void*> taken;
    for (size_t k = 0; k < PageAhead::kBatches; ++k)
        taken.push_back(TakeBatchBlock(block));
    const tavrin::search::BatchArea area = tavrin::search::RingArea();
    ASSERT_NE(area.start, nullptr);
    ASSERT_EQ(area.size, block * PageAhead::kBatches);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(area.start) % area.size, 0u);
    std::vector<void*> quarters;
    for (size_t k = 0; k < PageAhead::kBatches; ++k)
        quarters.push_back(const_cast<unsigned char*>(area.start) + k * block);
    EXPECT_TRUE(std::is_permutation(taken.begin(), taken.end(), quarters.begin())) << "each quarter once";
    if (hugepages::KernelHasHugePages()) {
        EXPECT_TRUE(hugepages::AdvisedForHugePages(area.start)) << hugepages::MappingFlags(area.start);
    }

    void* past = TakeBatchBlock(block);
    ASSERT_NE(past, nullptr);
    EXPECT_TRUE(past < area.start || past >= area.start + area.size) << "the area's are all out";
    std::memset(past, 1, block);
    GiveBatchBlock(past, block);

    g_failAt = block;
    tavrin::search::SetAllocator(&FailAt);
    EXPECT_EQ(TakeBatchBlock(block), nullptr) << "a test's allocator: the area is not taken from";
    for (void* b : taken)
        GiveBatchBlock(b, block);
    tavrin::search::SetAllocator(nullptr);
    std::vector<void*> again;
    for (size_t k = 0; k < PageAhead::kBatches; ++k)
        again.push_back(TakeBatchBlock(block));
    EXPECT_TRUE(std::is_permutation(again.begin(), again.end(), quarters.begin())) << "the same area again";
    for (void* b : again)
        GiveBatchBlock(b, block);
}

// A batch's pages looked at in one sweep give each page the answer the quick look gives it alone:
// random pages with sequences, two-byte characters and zeros, the text often at a page's first or
// last bytes or split by a sequence, pages of every short length (a dictionary's), both cases, the
// rarest byte before and after the second rarest. Every width runs (64 and 32 sweep).
TEST(PageAhead, ASweptBatchAnswersAsEachPageAlone) {
    search_ref::RandomPages random(20261207);
    for (size_t width : {64, 32}) {
        const size_t previous = tavrin::search::UseScanWidth(width);
        for (int round = 0; round < 60; ++round) {
            std::vector<std::string> pages;
            std::string needle;
            while (needle.empty())
                needle = random.Needle(random.Page());
            const bool fold = round % 2 == 0;
            std::string folded = needle;
            if (fold)
                for (char& c : folded)
                    c = static_cast<char>(tavrin::search::Fold(static_cast<unsigned char>(c)));
            const auto* text = reinterpret_cast<const unsigned char*>(folded.data());
            const PagePrefilter filter(text, folded.size(), fold,
                                       tavrin::search::RarestByte(text, folded.size()));
            for (int p = 0; p < 400; ++p) {
                std::string page = random.Below(4) == 0 ? random.Text(random.Below(8)) : random.Page();
                const int where = random.Below(6);
                if (where == 0) page = needle + page;
                if (where == 1) page += needle;
                if (where == 2 && needle.size() > 1)
                    page = needle.substr(0, 1) + random.Sequence() + needle.substr(1) + page;
                pages.push_back(page);
            }
            PageAhead ahead(filter, false);
            size_t checked = 0, holding = 0;
            auto takeBack = [&] {
                const PageAhead::Batch& batch = ahead.Oldest();
                for (const PageAhead::Page& page : batch.pages) {
                    const std::string& sent = pages[static_cast<size_t>(page.number)];
                    ASSERT_EQ(
                        page.mayHold,
                        filter.MayHold(reinterpret_cast<const unsigned char*>(sent.data()), sent.size()))
                        << "width " << width << " round " << round << " page " << page.number << " text "
                        << testing::PrintToString(needle) << " page " << testing::PrintToString(sent);
                    holding += page.mayHold;
                    ++checked;
                }
                ahead.Done();
            };
            AddAll(ahead, pages, takeBack);
            ASSERT_EQ(checked, pages.size());
            EXPECT_GT(holding, 0u) << "round " << round;
        }
        tavrin::search::UseScanWidth(previous);
    }
}

} // namespace
