// Opening a registered book (LoadAndOpen): which books can be served, the dictionary check through
// the dictionary library, and that every failure leaves nothing open and nothing loaded.
#include "test_regbooks_world.h"

using namespace regbooks;

namespace {

class Opening : public RegWorld {
  protected:
    void SetUp() override {
        RegWorld::SetUp();
        AddCatalog(Sys().Root(), "Unclassified", "65535");
        ASSERT_TRUE(Start());
    }
    // Opens with LoadAndOpen; the module, and the handle in *handle.
    HMODULE Open(const std::string& file, const std::string& driver, DWORD* handle) {
        return Ctrl().LoadAndOpen(handle, file.c_str(), driver.c_str());
    }
    // Closes what Open handed out and gives its load back.
    static void Close(HMODULE module, DWORD handle) {
        BindDriver(module);
        g_cbi.CBICloseBook(handle);
        FreeLibrary(module);
    }
    // A dictionary of class 0x10 with attribute bytes 4 and 5.
    std::string Dictionary(const char* file, unsigned low, unsigned high) {
        std::string d = AddBook(file, file, file, 0x10);
        Books().SetDictAttr(d.c_str(), low, high);
        return d;
    }
    // The test driver copied in as the dictionary library (variant `variant`).
    std::unique_ptr<testdrv::Driver> DictionaryLibrary(const char* variant = TAVRIN_TESTDRV_PATH) {
        return std::make_unique<testdrv::Driver>(AddDriver("ZavikApi.dll", variant));
    }
};

TEST_F(Opening, BooksAreServedAsTheyAreAndDictionariesByTheirIdFromTheLibrary) {
    auto api = DictionaryLibrary();
    for (unsigned bookClass : {0xFFu, 0xFEu}) {
        std::string p = AddBook("b" + std::to_string(bookClass) + ".ebd", "N", "B", bookClass);
        DWORD handle = 0;
        HMODULE module = Open(p, books_, &handle);
        ASSERT_NE(module, 0u);
        EXPECT_EQ(handle, Books().LastHandle(p.c_str()));
        EXPECT_EQ(plat::ModuleLoadCount(module), 1u) << "the caller owns one load";
        Close(module, handle);
    }
    EXPECT_EQ(api->CallCount("dicCreateHDICT"), 0) << "books are not asked about";
    // The id is class * 65536 + byte 5 * 256 + byte 4; only the low byte of the class counts.
    std::string d = Dictionary("d.ebd", 0x34, 0x12);
    Books().SetDictClassNo(d.c_str(), 0x107);
    api->DicAccept(0x071234);
    DWORD handle = 0;
    HMODULE module = Open(d, books_, &handle);
    ASSERT_NE(module, 0u);
    EXPECT_EQ(api->DicLastId(), 0x071234u);
    EXPECT_EQ(api->DicCreateCount(), 1);
    EXPECT_EQ(api->DicFreeCount(), 1) << "the dictionary handle is freed at once";
    EXPECT_EQ(plat::ModuleLoadCount(GetModuleHandleA("ZavikApi.dll")), 0u) << "the library is released";
    Close(module, handle);
}

TEST_F(Opening, WithoutDictClassNoTheClassIsOne) {
    auto api = DictionaryLibrary();
    std::string other = AddDriver("noclass.dll", TAVRIN_TESTDRV_NODICTCLASS_PATH);
    testdrv::Driver drv(other);
    std::string d = (dir_ / "d.ebd").string();
    drv.AddBook(d.c_str());
    drv.SetCaps(d.c_str(), 0, 0x20);
    drv.SetDictAttr(d.c_str(), 2, 1);
    api->DicAcceptAll(1);
    DWORD handle = 0;
    HMODULE module = Open(d, other, &handle);
    ASSERT_NE(module, 0u);
    EXPECT_EQ(api->DicLastId(), 0x010102u);
    Close(module, handle);
}

TEST_F(Opening, RefusedDictionaryIsClosedAndItsDriverReleased) {
    auto api = DictionaryLibrary();
    std::string d = Dictionary("d.ebd", 1, 2);
    DWORD handle = 0xABCD;
    EXPECT_EQ(Open(d, books_, &handle), 0u);
    EXPECT_EQ(handle, 0xABCDu) << "no handle is handed out";
    EXPECT_EQ(Books().OpenBooks(), 0);
    EXPECT_EQ(Books().BookCloseCount(d.c_str()), 1);
    EXPECT_EQ(api->DicCreateCount(), 0);
}

TEST_F(Opening, DictionaryWithoutAttributesOrLibraryIsNotServed) {
    std::string d = AddBook("d.ebd", "D", "D", 0x10); // no CBIDictAttr answer
    DWORD handle = 0;
    auto api = DictionaryLibrary();
    api->DicAcceptAll(1);
    EXPECT_EQ(Open(d, books_, &handle), 0u);
    Books().SetDictAttr(d.c_str(), 1, 1);
    HMODULE module = Open(d, books_, &handle);
    ASSERT_NE(module, 0u) << "served once the attributes are there";
    Close(module, handle);
    api.reset();
    std::filesystem::remove(dir_ / "ZavikApi.dll");
    EXPECT_EQ(Open(d, books_, &handle), 0u) << "no dictionary library: no dictionary";
    EXPECT_EQ(Books().OpenBooks(), 0);
}

TEST_F(Opening, DictionaryLibraryLackingAnEntryPointServesNothing) {
    auto api = DictionaryLibrary(TAVRIN_TESTDRV_NODICFREE_PATH);
    api->DicAcceptAll(1);
    std::string d = Dictionary("d.ebd", 1, 2);
    DWORD handle = 0;
    EXPECT_EQ(Open(d, books_, &handle), 0u);
    EXPECT_EQ(api->DicCreateCount(), 0) << "not even asked: it could not free the handle";
    EXPECT_EQ(plat::LoadedModuleCount(), 1u) << "only the shelf driver stays loaded";
}

TEST_F(Opening, DriverLackingWhatItNeedsServesNothingAndIsReleased) {
    struct Case {
        const char* variant;
        const char* what;
    };
    int n = 0;
    for (Case c : {Case{TAVRIN_TESTDRV_NOOPEN_PATH, "no CBIOpenBook"},
                   Case{TAVRIN_TESTDRV_NOCAPS_PATH, "no CBIGetCaps"},
                   Case{TAVRIN_TESTDRV_EMPTY_PATH, "no entry point"}}) {
        std::string path = AddDriver("variant" + std::to_string(++n) + ".dll", c.variant);
        testdrv::Driver drv(path);
        std::string book = (dir_ / "x.ebd").string();
        if (drv.Has("CBIOpenBook")) drv.AddBook(book.c_str());
        DWORD handle = 0;
        EXPECT_EQ(Ctrl().LoadAndOpen(&handle, book.c_str(), path.c_str()), 0u) << c.what;
        EXPECT_EQ(drv.OpenBooks(), 0) << c.what;
        EXPECT_EQ(plat::LoadedModuleCount(), 1u) << c.what;
    }
    DWORD handle = 0;
    EXPECT_EQ(Ctrl().LoadAndOpen(&handle, "x.ebd", (dir_ / "missing.dll").string().c_str()), 0u);
}

TEST_F(Opening, FailingOpenOrCapsLeaveNothingOpen) {
    std::string p = AddBook("p.ebd", "P", "P");
    Books().SetOpenResult(p.c_str(), 5);
    DWORD handle = 0;
    EXPECT_EQ(Open(p, books_, &handle), 0u);
    Books().SetOpenResult(p.c_str(), 0);
    Books().SetCapsFails(p.c_str(), 1);
    EXPECT_EQ(Open(p, books_, &handle), 0u) << "a book whose caps cannot be read is not served";
    EXPECT_EQ(Books().OpenBooks(), 0);
    EXPECT_EQ(plat::LoadedModuleCount(), 1u);
}

TEST_F(Opening, WalkSkipsWhatCannotBeServedSilentlyAndReleasesTheLibraryItHeld) {
    auto api = DictionaryLibrary();
    api->DicAccept(0x10101);
    Register("D", Dictionary("d.ebd", 1, 2), books_); // refused by the library
    Register("M", (dir_ / "missing.ebd").string(), books_);
    Register("N", (dir_ / "n.ebd").string(), (dir_ / "nodriver.dll").string());
    Register("G", AddBook("g.ebd", "G", "Good"), books_);
    for (int i = 0; i < 2; ++i) {
        std::string name = "w" + std::to_string(i) + ".ebd";
        Register(name, Dictionary(name.c_str(), 1, 1), books_);
    }
    Ctrl().Refresh();
    std::vector<std::string> labels;
    for (HTREEITEM item : BookItems())
        labels.push_back(Text(item));
    EXPECT_EQ(labels, (std::vector<std::string>{"Good", "w0.ebd", "w1.ebd"}));
    EXPECT_TRUE(ui_.MessageBoxes().empty());
    EXPECT_EQ(api->DicCreateCount(), 2);
    EXPECT_EQ(api->DicFreeCount(), 2);
    EXPECT_EQ(GetModuleHandleA("ZavikApi.dll"), 0u) << "released when the walk ends";
}

} // namespace
