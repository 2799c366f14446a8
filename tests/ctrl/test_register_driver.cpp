// Finding a driver for a book file being registered: the drivers of the books on the shelf first, then
// the host program's folder, then the folder named by "DriverPath"; drivers that do not check, open or
// serve the file are passed over, and every library tried is released again.
#include "test_regbooks_world.h"

#include <algorithm>
#include <fstream>

using namespace regbooks;

namespace {

const std::string kSysInfo = "SOFTWARE\\Velmoran\\ZavikIB\\SysInfo";

class DriverSearch : public RegWorld {
  protected:
    void SetUp() override {
        RegWorld::SetUp();
        AddCatalog(Sys().Root(), "Unclassified", "65535");
        file_ = (dir_ / "new.ebd").string();
        std::ofstream(file_, std::ios::binary) << "EBDF";
    }
    // A copy of the test driver under `name` in `folder` that reads the new file.
    std::unique_ptr<testdrv::Driver> Reader(const std::string& folder, const std::string& name,
                                            const char* variant = TAVRIN_TESTDRV_PATH) {
        auto drv = std::make_unique<testdrv::Driver>(AddDriver(name, variant, folder));
        if (drv->Has("CBIOpenBook")) {
            drv->AddBook(file_.c_str());
            drv->SetExBookNo(file_.c_str(), "NEW");
        }
        return drv;
    }
    std::string Search() {
        char path[260];
        EXPECT_TRUE(tavrin::CopyFits(path, file_));
        if (!Ctrl().FindDriver(tavrin::kBookSignature, path)) return "<none>";
        return path;
    }
    std::string Folder(const char* name) const { return (dir_ / name).string(); }
    std::string file_;
};

TEST_F(DriverSearch, DriverOfABookOnTheShelfComesFirstUnlessItRefusesTheFile) {
    auto shelfDriver = Reader(Folder("elsewhere"), "shelfdrv.dll");
    std::string onShelf = (dir_ / "old.ebd").string();
    shelfDriver->AddBook(onShelf.c_str());
    shelfDriver->SetExBookNo(onShelf.c_str(), "OLD");
    Register("OLD", onShelf, Folder("elsewhere") + "/shelfdrv.dll");
    Books().AddBook(file_.c_str()); // the host folder's driver reads it too
    ASSERT_TRUE(Start());
    EXPECT_EQ(Search(), Folder("elsewhere") + "/shelfdrv.dll");
    EXPECT_EQ(Books().CallCount("CBICheckVersion"), 0) << "the host folder was not searched";
    shelfDriver->SetCheckVersion(file_.c_str(), 0);
    EXPECT_EQ(Search(), books_) << "found in the host program's folder";
}

TEST_F(DriverSearch, CandidatesInTheHostFolderThatCannotCheckOpenOrServeArePassedOver) {
    // "Books.Dll" and "bookdrv.dll" sit in the host folder too but do not know the file.
    auto noCheck = Reader(dir_.string(), "a-nocheck.dll", TAVRIN_TESTDRV_NOCHECK_PATH);
    auto empty = Reader(dir_.string(), "b-empty.dll", TAVRIN_TESTDRV_EMPTY_PATH);
    auto noOpen = Reader(dir_.string(), "c-cannot-open.dll");
    noOpen->SetOpenResult(file_.c_str(), 3);
    auto noCaps = Reader(dir_.string(), "d-nocaps.dll", TAVRIN_TESTDRV_NOCAPS_PATH);
    auto good = Reader(dir_.string(), "e-good.dll");
    std::ofstream(dir_ / "f-not-a-library.dll") << "text";
    ASSERT_TRUE(Start());
    EXPECT_EQ(Search(), (dir_ / "e-good.dll").string());
    EXPECT_EQ(noCheck->OpenCount(), 0) << "a library without CBICheckVersion is not even opened";
    EXPECT_EQ(good->OpenBooks(), 0) << "the trial opening was closed";
    EXPECT_EQ(plat::LoadedModuleCount(), 1u) << "every candidate was released";
}

TEST_F(DriverSearch, DriverFolderWithOrWithoutATrailingSeparator) {
    auto reader = Reader(Folder("drivers"), "d.dll");
    ASSERT_TRUE(Start());
    EXPECT_EQ(Search(), "<none>");
    for (std::string folder : {Folder("drivers"), Folder("drivers") + "/", Folder("drivers") + "\\"}) {
        SetValue(kSysInfo, "DriverPath", folder);
        std::string found = Search();
        // The candidate is the folder as given plus the file name; "\" is a separator here too.
        std::replace(found.begin(), found.end(), '\\', '/');
        EXPECT_EQ(std::filesystem::path(found), std::filesystem::path(Folder("drivers")) / "d.dll") << folder;
    }
}

TEST_F(DriverSearch, DriverPathValueIsFoundByNameInAnyCase) {
    ASSERT_TRUE(Start());
    char folder[260] = "junk";
    EXPECT_EQ(Ctrl().GetBookDriverPath(folder), 0) << "no key";
    EXPECT_STREQ(folder, "");
    SetValue(kSysInfo, "Other", "/other");
    SetValue(kSysInfo, "driverpath", "/drivers", /*terminator=*/true);
    EXPECT_EQ(Ctrl().GetBookDriverPath(folder), 1);
    EXPECT_STREQ(folder, "/drivers");
    SetValue(kSysInfo, "driverpath", std::string(300, 'd'));
    EXPECT_EQ(Ctrl().GetBookDriverPath(folder), 0) << "a folder too long is refused, not cut";
    SetValue(kSysInfo, "driverpath", "");
    EXPECT_EQ(Ctrl().GetBookDriverPath(folder), 0);
}

TEST_F(DriverSearch, FolderSearchAddsTheSeparatorInTheCallersBuffer) {
    auto reader = Reader(Folder("drivers"), "d.dll");
    ASSERT_TRUE(Start());
    char folder[260];
    ASSERT_TRUE(tavrin::CopyFits(folder, Folder("drivers")));
    char driver[260] = "junk";
    EXPECT_EQ(Ctrl().FindDriverOnDisk(folder, file_.c_str(), driver), 1);
    EXPECT_EQ(std::string(folder), Folder("drivers") + "/");
    EXPECT_EQ(std::string(driver), Folder("drivers") + "/d.dll");
    char empty[260];
    ASSERT_TRUE(tavrin::CopyFits(empty, Folder("nothing-here")));
    EXPECT_EQ(Ctrl().FindDriverOnDisk(empty, file_.c_str(), driver), 0);
}

} // namespace
