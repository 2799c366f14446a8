// A book taken off the shelf gives back what it holds, once, whichever way it goes: its item deleted
// (the delete command, the control's end) or its registration re-pointed to another file. The book is
// closed when its driver can close books, the library load it held is released whether or not the
// driver can (the shared e-book driver excepted), and a search that is reading the book stops reading
// it.
#include "test_html_ebooks_world.h"

#include <functional>

using namespace regbooks;

namespace {

std::vector<std::pair<std::string, LONG>> g_hits;
std::function<void()> g_during;
int Collect(DWORD, const SearchHit* hit) {
    g_hits.emplace_back(hit->pszBookName, hit->nPage);
    if (g_during) g_during();
    return 1;
}

// Books of two drivers: "bookdrv.dll" (every entry point) and "noclose.dll" (no CBICloseBook).
class Release : public html_world::HtmlWorld {
  protected:
    void SetUp() override {
        HtmlWorld::SetUp();
        AddCatalog(Sys().Root(), "Unclassified", "65535");
        noclose_ = &OtherDriver("noclose.dll", &noclosePath_, TAVRIN_TESTDRV_NOCLOSE_PATH);
        g_hits.clear();
        g_during = nullptr;
    }
    void TearDown() override {
        g_during = nullptr;
        HtmlWorld::TearDown();
    }
    // A registered book of `drv` (whose library is `driverPath`) with pages.
    std::string Book(testdrv::Driver& drv, const std::string& driverPath, const std::string& file,
                     const char* number, const char* name, const std::vector<std::string>& pages = {}) {
        std::string path = (dir_ / file).string();
        drv.AddBook(path.c_str());
        drv.SetExBookNo(path.c_str(), number);
        drv.SetName(path.c_str(), TD_ANY_LOCALE, name);
        for (size_t p = 0; p < pages.size(); ++p)
            drv.SetPageText(path.c_str(), static_cast<int32_t>(p), pages[p].c_str());
        Register(number, path, driverPath);
        return path;
    }
    // Points the registration of `number` at `file`.
    void Repoint(const char* number, const std::string& file) {
        SetValue(kRoot + "\\" + number + "\\Book", "Database", file);
    }
    HMODULE Module(const std::string& path) const { return GetModuleHandleA(path.c_str()); }

    std::string noclosePath_;
    testdrv::Driver* noclose_ = nullptr;
};

TEST_F(Release, RepointingGivesBackTheOldLoadOfADriverWithoutClose) {
    Book(*noclose_, noclosePath_, "n.ebd", "N-1", "Notes");
    ASSERT_TRUE(Start());
    ASSERT_EQ(plat::ModuleLoadCount(Module(noclosePath_)), 1u);
    std::string moved = Book(*noclose_, noclosePath_, "moved/n.ebd", "N-1", "Notes");
    Repoint("N-1", moved);
    Ctrl().Refresh();
    ASSERT_STREQ(RegWorld::Book(Find("Notes")).szFilePath, moved.c_str());
    EXPECT_EQ(plat::ModuleLoadCount(Module(noclosePath_)), 1u) << "the new book's load only";
    EXPECT_EQ(noclose_->MisuseCount(), 0);
}

TEST_F(Release, EveryLoadIsGivenBackAndEveryBookClosedOnceWhenTheControlGoes) {
    Book(Books(), books_, "a.ebd", "A-1", "Alpha");
    Book(Books(), books_, "b.ebd", "B-1", "Beta");
    Book(*noclose_, noclosePath_, "n.ebd", "N-1", "Notes");
    Book(*noclose_, noclosePath_, "o.ebd", "O-1", "Others");
    // The store's books: one shared, one that does not say so (it holds a load of its own).
    int cls = StoreClass("Novels", "NOV", {7});
    StoreBook(cls, 8, 0);
    ASSERT_TRUE(Start());
    // Re-pointed books of both drivers, and one deleted.
    Repoint("A-1", Book(Books(), books_, "moved/a.ebd", "A-1", "Alpha"));
    Repoint("N-1", Book(*noclose_, noclosePath_, "moved/n.ebd", "N-1", "Notes"));
    Ctrl().Refresh();
    ASSERT_TRUE(TreeView_SelectItem(Tree(), Find("Beta")));
    ui_.AnswerMessageBox(IDYES);
    Ctrl().Delete();
    EXPECT_EQ(plat::ModuleLoadCount(Module(books_)), 1u) << "moved Alpha";
    EXPECT_EQ(plat::ModuleLoadCount(Module(noclosePath_)), 2u) << "moved Notes and Others";
    EXPECT_EQ(plat::ModuleLoadCount(Ctrl().HtmlDriver()), 2u) << "the control's and Book 8's";

    DestroyControl();
    EXPECT_EQ(plat::LoadedModuleCount(), 0u) << "every load released once";
    EXPECT_EQ(Books().OpenBooks(), 0);
    EXPECT_EQ(Books().CloseCount(), Books().OpenCount());
    EXPECT_EQ(Html().OpenBooks(), 0);
    EXPECT_EQ(Books().MisuseCount() + noclose_->MisuseCount() + Html().MisuseCount(), 0);
}

TEST_F(Release, SearchStopsReadingABookTheHostRepointsFromItsCallback) {
    std::vector<std::string> pages = {"cat", "cat", "cat"};
    Book(Books(), books_, "a.ebd", "A-1", "Alpha", pages);
    Book(Books(), books_, "b.ebd", "B-1", "Beta", {"cat"});
    ASSERT_TRUE(Start());
    std::string moved = Book(Books(), books_, "moved/a.ebd", "A-1", "Alpha", pages);
    // At its first hit the host learns the book moved and refreshes the shelf: the book the search
    // reads is closed under it and served from its new place by a new handle.
    g_during = [&] {
        if (g_hits.size() != 1) return;
        Repoint("A-1", moved);
        Ctrl().Refresh();
    };
    std::string text = "cat";
    EXPECT_EQ(Ctrl().Search(0xFFFFFFFF, text.data(), 1, reinterpret_cast<void*>(&Collect)), 1);
    ASSERT_STREQ(RegWorld::Book(Find("Alpha")).szFilePath, moved.c_str()) << "the callback re-pointed it";
    EXPECT_EQ(g_hits, (std::vector<std::pair<std::string, LONG>>{{"Alpha", 0}, {"Beta", 0}}))
        << "the walk goes on with the next book";
    EXPECT_EQ(Books().MisuseCount(), 0) << "no call with the closed handle";
}

} // namespace
