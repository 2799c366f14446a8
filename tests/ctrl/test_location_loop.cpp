// Drivers whose contents trees are broken: a parent chain that runs in a circle or never ends, an
// entry that is its own parent, a level whose siblings run in a circle. The shelf must end its walks
// and build what it can, never hang.
#include "test_contents_world.h"

using contents::ContentsWorld;

namespace {

class BrokenContents : public ContentsWorld {
  protected:
    void SetUp() override {
        ContentsWorld::SetUp();
        std::string driver = AddDriver("LoopBooks.dll", TAVRIN_LOOP_BOOKS_DRIVER_PATH);
        for (const char* file : {"parent-loop.ebd", "endless.ebd", "self-parent.ebd", "sibling-loop.ebd"})
            regbooks::Register(file, (dir_ / file).string(), driver);
        ASSERT_TRUE(Start());
    }
    // Goes to `page` of the book named `name` (its file name without ".ebd").
    int Go(const char* name, LONG page) {
        HTREEITEM book = Find(name);
        EXPECT_NE(book, nullptr) << name;
        if (!book) return -1;
        PageInfo info{};
        info.dwBookHandle = Book(book).dwBookHandle;
        info.nPage = page;
        return Ctrl().SetLocation(info);
    }
};

TEST_F(BrokenContents, ParentsInACircleOrWithoutEndAndAnEntryThatIsItsOwnParentAreRefused) {
    HTREEITEM book = Find("parent-loop");
    Select(book);
    Notices().clear();
    EXPECT_EQ(Go("parent-loop", 9), 0);
    EXPECT_EQ(Selected(), book);
    EXPECT_TRUE(Children(book).empty()) << "nothing is built for a path that was refused";
    EXPECT_TRUE(Notices().empty());
    EXPECT_EQ(Ctrl().SuppressExpand(), 0);
    EXPECT_EQ(Go("endless", 9), 0);
    EXPECT_EQ(Go("self-parent", 9), 0);
    EXPECT_EQ(Selected(), book);
}

TEST_F(BrokenContents, TheSoundPartsOfSuchBooksStillWork) {
    // Page 3 is the leaf under the chapter: an honest path in every one of these books.
    for (const char* name : {"parent-loop", "endless", "self-parent"}) {
        EXPECT_EQ(Go(name, 3), 1) << name;
        EXPECT_EQ(Text(Selected()), "Leaf 3") << name;
    }
}

TEST_F(BrokenContents, SiblingsInACircleMakeEachEntryOnce) {
    HTREEITEM book = Find("sibling-loop");
    ASSERT_NE(book, nullptr);
    UserExpand(book);
    EXPECT_EQ(ChildTexts(book), (std::vector<std::string>{"Chapter 2", "Entry 8", "Entry 9"}));
    EXPECT_EQ(Go("sibling-loop", 3), 1) << "the level is reached through the chapter";
    EXPECT_EQ(Text(Selected()), "Leaf 3");
}

} // namespace
