// The ring that carries a search's pages to the quick look and back: pages come back in the order
// they were handed over, each with the answer the filter gives for it, with or without the second
// thread; a ring dropped with pages still on their way ends cleanly; the second thread takes none of
// the host's signals; a block that cannot be had leaves the slot as it was.
#include "navigation/page_ahead.h"
#include "navigation/search_bytes.h"
#include "navigation/search_text.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <pthread.h>
#include <random>
#include <string>
#include <vector>

namespace {

using tavrin::search::PageAhead;
using tavrin::search::PagePrefilter;

struct Needle {
    explicit Needle(std::string text) : bytes(std::move(text)) {}
    const unsigned char* Data() const { return reinterpret_cast<const unsigned char*>(bytes.data()); }
    PagePrefilter Filter() const {
        return PagePrefilter(Data(), bytes.size(), false, tavrin::search::RarestByte(Data(), bytes.size()));
    }
    std::string bytes;
};

std::vector<std::string> Pages(int count, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<std::string> pages;
    for (int p = 0; p < count; ++p) {
        std::string page(1 + rng() % 3000, 'x');
        if (rng() % 5 == 0) page.replace(rng() % page.size(), 1, "q");
        if (rng() % 9 == 0) page += "qz";
        pages.push_back(page);
    }
    return pages;
}

void Fill(PageAhead& ahead, const std::string& page, int32_t number) {
    PageAhead::Slot& slot = ahead.Next();
    ASSERT_TRUE(ahead.Grow(slot, page.size() + 1));
    std::memcpy(slot.block, page.data(), page.size());
    slot.length = page.size();
    slot.page = number;
    ahead.Hand();
}

class PageAheadBothWays : public testing::TestWithParam<bool> {};

INSTANTIATE_TEST_SUITE_P(PageAhead, PageAheadBothWays, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& way) {
                             return way.param ? "SecondThread" : "Inline";
                         });

TEST_P(PageAheadBothWays, PagesComeBackInOrderWithTheirAnswers) {
    const Needle needle("qz");
    const PagePrefilter filter = needle.Filter();
    const std::vector<std::string> pages = Pages(3000, 7);
    PageAhead ahead(filter, GetParam());
    std::vector<int32_t> order;
    int holding = 0;
    auto takeBack = [&] {
        PageAhead::Slot& slot = ahead.Oldest();
        const std::string& page = pages[static_cast<size_t>(slot.page)];
        EXPECT_EQ(slot.mayHold,
                  filter.MayHold(reinterpret_cast<const unsigned char*>(page.data()), page.size()))
            << "page " << slot.page;
        EXPECT_EQ(std::string(reinterpret_cast<char*>(slot.block), slot.length), page);
        holding += slot.mayHold;
        order.push_back(slot.page);
        ahead.Done();
    };
    for (size_t p = 0; p < pages.size(); ++p) {
        if (ahead.Full()) takeBack();
        Fill(ahead, pages[p], static_cast<int32_t>(p));
    }
    while (!ahead.Empty())
        takeBack();
    ASSERT_EQ(order.size(), pages.size());
    for (size_t p = 0; p < order.size(); ++p)
        ASSERT_EQ(order[p], static_cast<int32_t>(p));
    EXPECT_GT(holding, 200) << "both answers must occur";
    EXPECT_LT(holding, 2800);
}

TEST_P(PageAheadBothWays, DroppedWithPagesOnTheirWay) {
    const Needle needle("qz");
    const PagePrefilter filter = needle.Filter();
    const std::vector<std::string> pages = Pages(40, 11);
    for (size_t stopAt = 0; stopAt < 20; ++stopAt) {
        PageAhead ahead(filter, GetParam());
        for (size_t p = 0; p < stopAt; ++p) {
            if (ahead.Full()) {
                ahead.Oldest();
                ahead.Done();
            }
            Fill(ahead, pages[p], static_cast<int32_t>(p));
        }
    } // each ring ends here, its looker past every page handed over
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
    const Needle needle("qz");
    const PagePrefilter filter = needle.Filter();
    PageAhead ahead(filter, true);
    Fill(ahead, "a page", 0);
    ahead.Oldest(); // the looker has started and named itself
    ahead.Done();
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

TEST(PageAhead, BlockThatCannotBeHadLeavesTheSlotAsItWas) {
    const Needle needle("qz");
    const PagePrefilter filter = needle.Filter();
    PageAhead ahead(filter, false);
    PageAhead::Slot& slot = ahead.Next();
    ASSERT_TRUE(ahead.Grow(slot, 100));
    unsigned char* block = slot.block;
    g_failAt = 5000;
    tavrin::search::SetAllocator(&FailAt);
    EXPECT_FALSE(ahead.Grow(slot, 5000));
    EXPECT_EQ(slot.block, block);
    EXPECT_EQ(slot.capacity, 100u);
    EXPECT_TRUE(ahead.Grow(slot, 50)) << "a block large enough already is kept";
    EXPECT_EQ(slot.block, block);
    EXPECT_TRUE(ahead.Grow(slot, 6000));
    EXPECT_EQ(slot.capacity, 6000u);
    tavrin::search::SetAllocator(nullptr);
}

} // namespace
