// The control's full-text search through the test driver: one hit per page in page order, the hit's
// fields, which books a search over the shelf reads, the callback stopping it, HTML pages, memory that
// cannot be had, and a search started from inside the callback.
#include "test_regbooks_world.h"

#include "navigation/search_text.h"
#include "search_reference.h"

#include <algorithm>
#include <functional>
#include <utility>

using namespace regbooks;

namespace {

struct Hit {
    DWORD book;
    std::string name, number, entry;
    LONG page;
    bool operator==(const Hit&) const = default;
};
void PrintTo(const Hit& h, std::ostream* os) {
    *os << "{" << h.book << " " << h.name << " " << h.number << " p" << h.page << " '" << h.entry << "'}";
}

std::vector<Hit> g_hits;
int g_answer = 1;               // what the callback returns
std::function<void()> g_during; // what the callback does besides
int Collect(DWORD book, const SearchHit* hit) {
    g_hits.push_back({book, hit->pszBookName, hit->pszBookNumber, hit->pszEntryText, hit->nPage});
    if (g_during) g_during();
    return g_answer;
}

size_t g_failFrom = SIZE_MAX; // allocations from this many bytes ...
size_t g_failTo = SIZE_MAX;   // ... to below this many fail ...
int g_failCount = 0;          // ... this many times (-1: always)
void* Failing(size_t size) {
    if (size >= g_failFrom && size < g_failTo && g_failCount != 0) {
        if (g_failCount > 0) --g_failCount;
        return nullptr;
    }
    return std::malloc(size);
}

class SearchBooks : public RegWorld {
  protected:
    void SetUp() override {
        RegWorld::SetUp();
        AddCatalog(Sys().Root(), "First", "1", {"w1.ebd=0"});
        AddCatalog(Sys().Root(), "Unclassified", "65535");
        g_hits.clear();
        g_answer = 1;
        g_during = nullptr;
        g_failFrom = g_failTo = SIZE_MAX;
        g_failCount = 0;
    }
    void TearDown() override {
        tavrin::search::SetAllocator(nullptr);
        g_during = nullptr;
        RegWorld::TearDown();
    }
    // An e-book with pages; returns its path.
    std::string EBook(const char* file, const char* name, const std::vector<std::string>& pages,
                      unsigned caps = 0) {
        std::string path = AddBook(file, name, name, 0xFF, caps);
        int32_t p = 0;
        for (const std::string& page : pages) {
            Books().SetPage(path.c_str(), p++, page.data(), static_cast<int32_t>(page.size()));
        }
        Register(name, path, books_);
        return path;
    }
    DWORD Handle(const char* name) { return Book(Find(name)).dwBookHandle; }
    int Run(DWORD book, const char* text, int matchCase = 1) {
        std::string t(text);
        return Ctrl().Search(book, t.data(), matchCase, reinterpret_cast<void*>(&Collect));
    }
    std::vector<LONG> Pages() const {
        std::vector<LONG> pages;
        for (const Hit& h : g_hits)
            pages.push_back(h.page);
        return pages;
    }
    // Each hit as its book's name and page number: "Alpha2".
    std::vector<std::string> NamesAndPages() const {
        std::vector<std::string> names;
        for (const Hit& h : g_hits)
            names.push_back(h.name + std::to_string(h.page));
        return names;
    }
    // Allocations of `from` to below `to` bytes fail `count` times (-1: always); the user is told
    // once, with `text`.
    void FailAllocations(size_t from, size_t to, int count, const char* text = "Out of memory") {
        g_failFrom = from;
        g_failTo = to;
        g_failCount = count;
        tavrin::search::SetAllocator(&Failing);
        ui_.AnswerMessageBox(IDOK, text);
    }
};

const std::string kBreak = "\xFF\x0A";

TEST_F(SearchBooks, OneHitPerPageInPageOrderWithTheHitsFields) {
    std::string path =
        EBook("a.ebd", "Alpha", {"none here", "cat cat" + kBreak + "cat", "no", "a cat"}, CBI_CAP_CONTENTS);
    uint32_t chapter = Books().AddItem(path.c_str(), 0, "Chapter One", 0);
    uint32_t later = Books().AddItem(path.c_str(), 0, "Chapter Two", 3);
    Books().SetPageToItem(path.c_str(), 1, chapter);
    Books().SetPageToItem(path.c_str(), 3, later);
    std::string plain = EBook("b.ebd", "Beta", {"cat"});
    Books().AddItem(plain.c_str(), 0, "Chapter", 0); // listed, but the caps deny contents
    ASSERT_TRUE(Start());
    DWORD alpha = Handle("Alpha");
    EXPECT_EQ(Run(alpha, "cat"), 1);
    EXPECT_EQ(g_hits, (std::vector<Hit>{{alpha, "Alpha", "Alpha", "Chapter One", 1},
                                        {alpha, "Alpha", "Alpha", "Chapter Two", 3}}));
    g_hits.clear();
    Books().ClearLog();
    EXPECT_EQ(Run(Handle("Beta"), "cat"), 1);
    EXPECT_EQ(g_hits, (std::vector<Hit>{{Handle("Beta"), "Beta", "Beta", "", 0}}))
        << "no entry without contents";
    EXPECT_EQ(Books().CallCount("CBIVPPageToItem"), 0);
    EXPECT_TRUE(ui_.MessageBoxTexts().empty());
}

TEST_F(SearchBooks, CaseSkippedSequencesAndHtmlTagsThroughTheDriver) {
    EBook("a.ebd", "Alpha",
          {"xABCx", "ab" + kBreak + "c", std::string("ab\xFF\x03") + std::string(20, 'z') + "c"});
    std::string path = EBook("h.ebd", "Html", {"<p>One</p><p>Two</p>", "<b>cat</b>", "plain cat"});
    ASSERT_TRUE(Start());
    DWORD alpha = Handle("Alpha");
    EXPECT_EQ(Run(alpha, "abc", 0), 1);
    EXPECT_EQ(Pages(), (std::vector<LONG>{0, 2}));
    g_hits.clear();
    EXPECT_EQ(Run(alpha, "abc", 1), 1);
    EXPECT_EQ(Pages(), (std::vector<LONG>{2}));
    // The HTML bit is set only while the search reads it: a shared driver would stay loaded on closing.
    Books().SetCaps(path.c_str(), CBI_CAP_SHARED_HTML, 0xFF);
    DWORD html = Handle("Html");
    g_hits.clear();
    EXPECT_EQ(Run(html, "OneTwo"), 1);
    EXPECT_EQ(Pages(), (std::vector<LONG>{0})) << "the texts between tags";
    g_hits.clear();
    EXPECT_EQ(Run(html, "p>"), 1);
    EXPECT_TRUE(g_hits.empty()) << "tags are not text";
    EXPECT_EQ(Run(html, "cat"), 1);
    EXPECT_EQ(Pages(), (std::vector<LONG>{1, 2})) << "a page without tags stays as it is";
    Books().SetCaps(path.c_str(), 0, 0xFF);
}

TEST_F(SearchBooks, CallbackStopsTheWholeSearchAndCannotStartAnother) {
    EBook("a.ebd", "Alpha", {"cat", "cat"});
    EBook("b.ebd", "Beta", {"cat"});
    ASSERT_TRUE(Start());
    g_answer = 0;
    EXPECT_EQ(Run(0xFFFFFFFF, "cat"), 0);
    EXPECT_EQ(g_hits.size(), 1u);
    EXPECT_EQ(g_bSearchStop, 1) << "the flag keeps its value until the next search";
    g_hits.clear();
    g_answer = 1;
    int inner = -1;
    g_during = [&] {
        char text[] = "cat";
        inner = Ctrl().Search(Handle("Beta"), text, 1, reinterpret_cast<void*>(&Collect));
    };
    EXPECT_EQ(Run(0xFFFFFFFF, "cat"), 1);
    EXPECT_EQ(inner, 0) << "a search from inside the callback is refused";
    EXPECT_EQ(g_hits.size(), 3u) << "the running search goes on unharmed";
    EXPECT_EQ(g_bSearchStop, 0);
}

// Books that are long enough are looked at on a second thread while the next pages are read (below).
std::vector<std::string> LongBook(int count, const std::vector<int>& holding);

TEST_F(SearchBooks, ABookTheHostRemovesDuringTheSearchIsNotReadAgain) {
    EBook("a.ebd", "Alpha", {"cat", "cat", "cat"});
    EBook("b.ebd", "Beta", LongBook(120, {5, 6, 7, 100}));
    EBook("c.ebd", "Gamma", LongBook(50, {1}));
    ASSERT_TRUE(Start());
    const DWORD alpha = Handle("Alpha");
    const DWORD beta = Handle("Beta");
    const DWORD gamma = Handle("Gamma");
    // At its first hit the host takes the book being searched off the shelf (its handle is closed).
    g_during = [&] {
        const std::string name = g_hits.back().name;
        if (name != "Gamma")
            if (HTREEITEM item = Find(name)) TreeView_DeleteItem(Tree(), item);
    };
    EXPECT_EQ(Run(0xFFFFFFFF, "cat"), 1);
    std::vector<std::pair<DWORD, LONG>> hits;
    for (const Hit& h : g_hits)
        hits.emplace_back(h.book, h.page);
    EXPECT_EQ(hits, (std::vector<std::pair<DWORD, LONG>>{{alpha, 0}, {beta, 5}, {gamma, 1}}))
        << "the walk goes on with the next book";
    EXPECT_EQ(Books().MisuseCount(), 0) << "no call with the closed handle";
}

TEST_F(SearchBooks, AllBooksInTheTreesPreOrderAndDictionariesOnlyByHandle) {
    DictLibrary();
    std::string dict = AddBook("w1.ebd", "Words", "Words", 0x11);
    Books().SetDictAttr(dict.c_str(), 1, 1);
    Books().SetPageText(dict.c_str(), 0, "cat");
    Register("Words", dict, books_);
    EBook("b.ebd", "Beta", {"cat"});
    EBook("a.ebd", "Alpha", {"dog", "cat"});
    ASSERT_TRUE(Start());
    ASSERT_NE(Find("Words"), nullptr);
    ASSERT_EQ(Node(Find("Words"))->nKind, NODE_DICT);
    std::vector<DWORD> expected;
    for (HTREEITEM item : BookItems())
        if (Node(item)->nKind == NODE_BOOK) expected.push_back(Book(item).dwBookHandle);
    ASSERT_EQ(expected.size(), 2u);
    EXPECT_EQ(Run(0xFFFFFFFF, "cat"), 1);
    std::vector<DWORD> books;
    for (const Hit& h : g_hits)
        books.push_back(h.book);
    EXPECT_EQ(books, expected);
    g_hits.clear();
    EXPECT_EQ(Run(Handle("Words"), "cat"), 1);
    ASSERT_EQ(g_hits.size(), 1u);
    EXPECT_EQ(g_hits[0].name, "Words");
}

TEST_F(SearchBooks, BookWithoutPagesOrUnknownHandleOrEmptyText) {
    std::string empty = AddBook("e.ebd", "Empty", "Empty");
    Register("Empty", empty, books_);
    EBook("a.ebd", "Alpha", {"cat", "dog"});
    ASSERT_TRUE(Start());
    EXPECT_EQ(Run(Handle("Empty"), "cat"), 1);
    EXPECT_EQ(Run(0x7777, "cat"), 0);
    Books().ClearLog();
    EXPECT_EQ(Run(Handle("Alpha"), ""), 1);
    EXPECT_TRUE(g_hits.empty());
    EXPECT_NE(Books().Log().find("CBIGetPages " + std::to_string(Handle("Alpha")) + " 0 "),
              std::string::npos);
    EXPECT_NE(Books().Log().find("-> 2\n"), std::string::npos) << "every page is still read, at once";
    EXPECT_EQ(Books().CallCount("CBIGetPage"), 0);
    EXPECT_TRUE(ui_.MessageBoxTexts().empty());
    EXPECT_EQ(g_searchBuffer, nullptr) << "the scratch area lives only while a search runs";
}

TEST_F(SearchBooks, NoScratchAreaAtTheStart) {
    EBook("a.ebd", "Alpha", {"cat"});
    ASSERT_TRUE(Start());
    FailAllocations(kSearchBufferSize, SIZE_MAX, -1);
    EXPECT_EQ(Run(Handle("Alpha"), "cat"), 0);
    EXPECT_TRUE(g_hits.empty());
    EXPECT_EQ(ui_.MessageBoxTexts(), (std::vector<std::string>{"Out of memory"}));
}

TEST_F(SearchBooks, NoPageBlockEndsThatBookOnly) {
    // A page longer than a batch of pages gets a block of its own.
    EBook("a.ebd", "Alpha", {"cat", std::string(600000, 'c') + "cat", "cat"});
    EBook("b.ebd", "Beta", {"cat"});
    ASSERT_TRUE(Start());
    FailAllocations(600001, 610000, 1); // the long page's block, not the scratch area
    EXPECT_EQ(Run(0xFFFFFFFF, "cat"), 1);
    std::vector<std::string> names = NamesAndPages();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha0", "Beta0"}));
    EXPECT_EQ(ui_.MessageBoxTexts(), (std::vector<std::string>{"Out of memory"}));
}

TEST_F(SearchBooks, NoLargerScratchAreaSkipsThatPageOnly) {
    std::string longPage = std::string(100000, 'x') + "cat";
    EBook("a.ebd", "Alpha", {"cat", longPage, "cat", longPage});
    ASSERT_TRUE(Start());
    // The scratch area for the long page, not its block.
    FailAllocations(100000 + 3 + 2, 100000 + 3 + 2 + 1, 1, "There are short of memory!");
    EXPECT_EQ(Run(Handle("Alpha"), "cat"), 1);
    EXPECT_EQ(Pages(), (std::vector<LONG>{0, 2, 3})) << "later pages get an area again";
    EXPECT_EQ(ui_.MessageBoxTexts(), (std::vector<std::string>{"There are short of memory!"}));
}

// ---- books long enough to be looked at on a second thread while the next pages are read ----

// Pages 0..count-1; the pages in `holding` hold "cat", some of them split by a sequence.
std::vector<std::string> LongBook(int count, const std::vector<int>& holding) {
    std::vector<std::string> pages;
    for (int p = 0; p < count; ++p) {
        std::string page = std::string(200 + p % 300, 'x') + kBreak + "ca" + kBreak + "t";
        if (std::find(holding.begin(), holding.end(), p) != holding.end())
            page += p % 2 ? std::string("ca\xFF\x03") + std::string(20, 'q') + "t" : std::string("a cat");
        pages.push_back(page + std::string(p % 7, 'y'));
    }
    return pages;
}

TEST_F(SearchBooks, LongBookHitsInPageOrderUpToTheStop) {
    // Many batches of pages: hits in the first and the last, and in a run across batches.
    std::vector<int> holding = {0, 3, 31, 32, 33, 64, 100, 150, 151, 199, 4999};
    for (int p = 1500; p < 3100; p += 3)
        holding.push_back(p);
    std::sort(holding.begin(), holding.end());
    EBook("a.ebd", "Alpha", LongBook(5000, holding));
    EBook("b.ebd", "Beta", LongBook(40, {39}));
    ASSERT_TRUE(Start());
    EXPECT_EQ(Run(0xFFFFFFFF, "cat"), 1);
    std::vector<LONG> expected(holding.begin(), holding.end());
    expected.push_back(39);
    EXPECT_EQ(Pages(), expected);

    // Stopped at the fourth hit: no later page is reported, whatever was read ahead.
    g_hits.clear();
    g_during = [] {
        if (g_hits.size() == 4) g_answer = 0;
    };
    EXPECT_EQ(Run(0xFFFFFFFF, "cat"), 0);
    EXPECT_EQ(Pages(), (std::vector<LONG>{0, 3, 31, 32}));
    g_answer = 1;
    g_during = nullptr;
}

// The hits of a whole book are the pages the line-by-line reading finds: thousands of small random
// pages, some texts split by a sequence, and now and then a long page, so that batches end both at
// their page count and at their bytes.
TEST_F(SearchBooks, HitsOfABookOfManySmallPagesAreThoseOfTheLineReading) {
    search_ref::RandomPages random(20261207);
    const std::vector<std::string> needles = {"ab", "Ab]", "t=", "b a",
                                              "\x81"
                                              "a"};
    std::vector<std::string> pages;
    for (int p = 0; p < 6000; ++p) {
        std::string page = random.Page();
        if (p % 500 == 7)
            while (page.size() < 40000)
                page += random.Page();
        if (p % 3 == 0) {
            const std::string& needle = needles[static_cast<size_t>(random.Below(5))];
            const size_t cut = 1 + static_cast<size_t>(random.Below(static_cast<int>(needle.size()) - 1));
            page.insert(static_cast<size_t>(random.Below(static_cast<int>(page.size()) + 1)),
                        needle.substr(0, cut) + random.Sequence() + needle.substr(cut));
        }
        pages.push_back(page);
    }
    EBook("a.ebd", "Alpha", pages);
    // The same book from a driver that serves its pages one by one only.
    std::string single;
    testdrv::Driver& singly = OtherDriver("single.dll", &single, TAVRIN_TESTDRV_NORUN_PATH);
    const std::string path = AddBookOf(singly, "g.ebd", "Gamma", "Gamma");
    for (size_t p = 0; p < pages.size(); ++p)
        singly.SetPage(path.c_str(), static_cast<int32_t>(p), pages[p].data(),
                       static_cast<int32_t>(pages[p].size()));
    Register("Gamma", path, single);
    ASSERT_TRUE(Start());
    for (const std::string& needle : needles) {
        for (int matchCase = 0; matchCase < 2; ++matchCase) {
            std::vector<LONG> expected;
            for (size_t p = 0; p < pages.size(); ++p)
                if (search_ref::SearchPage(needle, reinterpret_cast<const unsigned char*>(pages[p].data()),
                                           pages[p].size(), matchCase != 0))
                    expected.push_back(static_cast<LONG>(p));
            for (const char* book : {"Alpha", "Gamma"}) {
                g_hits.clear();
                EXPECT_EQ(Run(Handle(book), needle.c_str(), matchCase), 1);
                ASSERT_EQ(Pages(), expected)
                    << book << " " << testing::PrintToString(needle) << " matchCase " << matchCase;
            }
            EXPECT_GT(expected.size(), 20u);
            EXPECT_LT(expected.size(), 5000u);
        }
    }
    const int searches = static_cast<int>(needles.size()) * 2;
    EXPECT_GT(Books().CallCount("CBIGetPages"), 0);
    EXPECT_LT(Books().CallCount("CBIGetPage"), searches * 100) << "most pages come in runs";
}

TEST_F(SearchBooks, LongBookTheCallbackShortensEndsAtItsNewEnd) {
    const std::string path = EBook("a.ebd", "Alpha", LongBook(5000, {10, 3000, 4000, 4001}));
    ASSERT_TRUE(Start());
    // Pages past the new end may have been read ahead already: they are not reported.
    g_during = [&] {
        if (g_hits.size() == 1) Books().SetPageCount(path.c_str(), 3500);
    };
    EXPECT_EQ(Run(Handle("Alpha"), "cat"), 1);
    EXPECT_EQ(Pages(), (std::vector<LONG>{10, 3000}));
}

TEST_F(SearchBooks, LongBookWithoutABlockReportsThePagesReadBefore) {
    std::vector<std::string> pages = LongBook(100, {2, 40, 58, 59, 60, 90});
    // A page longer than a batch of pages gets a block of its own: the block that cannot be had.
    pages[60] = std::string(600000, 'c') + "cat";
    EBook("a.ebd", "Alpha", pages);
    EBook("b.ebd", "Beta", LongBook(40, {7}));
    ASSERT_TRUE(Start());
    FailAllocations(600000, 610000, 1);
    EXPECT_EQ(Run(0xFFFFFFFF, "cat"), 1);
    EXPECT_EQ(NamesAndPages(), (std::vector<std::string>{"Alpha2", "Alpha40", "Alpha58", "Alpha59", "Beta7"}))
        << "the pages read ahead of the failure are reported too";
    EXPECT_EQ(ui_.MessageBoxTexts(), (std::vector<std::string>{"Out of memory"}));
}

} // namespace
