// The dictionary library ZavikApi.dll: the ids it serves come from ZavikApi.ini beside it ("dict" and
// "class" lines), the file is read again when it changes, handles are checked, and the shelf shows a
// dictionary exactly when the library serves it.
#include "test_regbooks_world.h"

#include "zavikapi.h"

#include <fstream>

using namespace regbooks;

namespace {

class DictionaryLibrary : public RegWorld {
  protected:
    void SetUp() override {
        RegWorld::SetUp();
        AddCatalog(Sys().Root(), "Unclassified", "65535");
        library_ = testdrv::CopyDriver(TAVRIN_ZAVIKAPI_PATH, dir_.string(), "ZavikApi.dll");
    }
    void TearDown() override {
        Unload();
        RegWorld::TearDown();
    }
    void WriteConfig(const std::string& text) {
        // A new file each time (written aside, then renamed), as an editor saving it would.
        std::string part = (dir_ / "ZavikApi.ini.part").string();
        std::ofstream(part, std::ios::binary) << text;
        std::filesystem::rename(part, dir_ / "ZavikApi.ini");
    }
    void Load() {
        module_ = LoadLibraryA(library_.c_str());
        ASSERT_NE(module_, 0u);
        create_ = reinterpret_cast<PFN_dicCreateHDICT>(GetProcAddress(module_, "dicCreateHDICT"));
        free_ = reinterpret_cast<PFN_dicFreeHDICT>(GetProcAddress(module_, "dicFreeHDICT"));
        id_ = reinterpret_cast<PFN_dicGetDictId>(GetProcAddress(module_, "dicGetDictId"));
        name_ = reinterpret_cast<PFN_dicGetDictName>(GetProcAddress(module_, "dicGetDictName"));
        ASSERT_TRUE(create_ && free_ && id_ && name_);
    }
    void Unload() {
        if (module_) FreeLibrary(module_);
        module_ = 0;
    }
    // True when the library serves `id` (the handle is freed again).
    bool Serves(uint32_t id) {
        CBI_HDICT dict = create_(id);
        if (!dict) return false;
        EXPECT_EQ(id_(dict), id);
        free_(dict);
        return true;
    }
    std::string library_;
    HMODULE module_ = 0;
    PFN_dicCreateHDICT create_ = nullptr;
    PFN_dicFreeHDICT free_ = nullptr;
    PFN_dicGetDictId id_ = nullptr;
    PFN_dicGetDictName name_ = nullptr;
};

TEST_F(DictionaryLibrary, ServesTheIdsAndClassesItsConfigurationLists) {
    WriteConfig("# dictionaries\n"
                "dict 0x00030201 Pocket English Dictionary\n"
                "DICT 197889\r\n"
                "; another comment\n\n"
                "   dict\t0x10000  \n"
                "class 7\nclass 256\nclass 8 extra\n"
                "dict twelve\nserve 0x0101\ndict 0x100000000\ndict 0x\n");
    Load();
    for (uint32_t id : {0x00030201u, 197889u, 0x10000u, 0x070000u, 0x07FFFFu})
        EXPECT_TRUE(Serves(id)) << std::hex << id;
    EXPECT_FALSE(Serves(0x00030202));
    EXPECT_FALSE(Serves(0x080000)) << "a line with more than the class is not understood";
    EXPECT_FALSE(Serves(0x1000000)) << "classes are 0-255";
    EXPECT_FALSE(Serves(0x0101));
    EXPECT_FALSE(Serves(0)) << "0x100000000 does not fit 32 bits and is not read as 0";
}

TEST_F(DictionaryLibrary, ConfigurationIsReadAgainWhenItChangesAndWithoutOneNothingIsServed) {
    WriteConfig("dict 1\n");
    Load();
    EXPECT_TRUE(Serves(1));
    EXPECT_FALSE(Serves(2));
    WriteConfig("dict 2\n");
    EXPECT_FALSE(Serves(1));
    EXPECT_TRUE(Serves(2));
    std::filesystem::remove(dir_ / "ZavikApi.ini");
    EXPECT_FALSE(Serves(2));
}

TEST_F(DictionaryLibrary, HandlesAreCheckedAndNamesCutToTheBuffer) {
    WriteConfig("dict 5 A rather long dictionary name\n");
    Load();
    CBI_HDICT dict = create_(5);
    ASSERT_NE(dict, nullptr);
    char name[8] = "xxxxxxx";
    EXPECT_EQ(name_(dict, name, sizeof name), 29);
    EXPECT_STREQ(name, "A rathe");
    EXPECT_EQ(name_(dict, nullptr, 8), -1);
    free_(dict);
    EXPECT_EQ(id_(dict), 0u) << "a freed handle is not open";
    EXPECT_EQ(name_(dict, name, sizeof name), -1);
    free_(dict); // a second free does nothing
    free_(nullptr);
    EXPECT_EQ(id_(nullptr), 0u);
}

TEST_F(DictionaryLibrary, ShelfShowsADictionaryExactlyWhenTheLibraryServesIt) {
    WriteConfig("dict 0x00030201\n");
    std::string served = AddBook("served.ebd", "S-1", "Served", 0x10);
    Books().SetDictAttr(served.c_str(), 0x01, 0x02);
    Books().SetDictClassNo(served.c_str(), 3);
    std::string refused = AddBook("refused.ebd", "R-1", "Refused", 0x10);
    Books().SetDictAttr(refused.c_str(), 0x02, 0x02);
    Books().SetDictClassNo(refused.c_str(), 3);
    Register("S-1", served, books_);
    Register("R-1", refused, books_);
    ASSERT_TRUE(Start());
    EXPECT_NE(Find("Served"), nullptr);
    EXPECT_EQ(Find("Refused"), nullptr);
    EXPECT_EQ(Ctrl().GetDictCount(), 1u);
    EXPECT_EQ(GetModuleHandleA("ZavikApi.dll"), 0u) << "the library is released after the walk";
}

} // namespace
