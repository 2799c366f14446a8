// The example driver of the driver guide: it works as a driver, and the guide quotes it exactly.
#include "common/temp_folder.h"
#include "support/cbi_table.h"
#include "testdrv.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class ExampleDriverTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string path = testdrv::CopyDriver(TAVRIN_EXAMPLE_DRIVER_PATH, tmp_.Path(), "Example.dll");
        library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library_, nullptr) << dlerror();
        cbi_ = std::make_unique<CbiTable>(library_);
    }
    void TearDown() override {
        if (library_) dlclose(library_);
    }

    testfs::TempFolder tmp_;
    void* library_ = nullptr;
    std::unique_ptr<CbiTable> cbi_;
};

TEST_F(ExampleDriverTest, ServesANotesFileAsABookWithContentsAndPages) {
    std::string file = tmp_.Write("trip.txt", "NOTES\nMy trip\nDay one\nwe left\n----\nDay two\n");
    ASSERT_NE(cbi_->CBICheckVersion(file.c_str()), 0);
    CBI_HBOOK book = 0;
    ASSERT_EQ(cbi_->CBIOpenBook(file.c_str(), 0, &book), 0);

    CBICaps caps{};
    ASSERT_NE(cbi_->CBIGetCaps(book, &caps), 0);
    EXPECT_EQ(caps.wCaps & CBI_CAP_CONTENTS, CBI_CAP_CONTENTS);
    EXPECT_EQ(caps.wBookClass, CBI_CLASS_EBOOK);
    char name[CBI_NAME_CAPACITY];
    cbi_->CBIGetBkName(book, 3, name, 255);
    EXPECT_STREQ(name, "My trip");
    EXPECT_EQ(cbi_->CBIExBookNo, nullptr); // numbered by serial
    uint32_t serial = 0;
    cbi_->CBIBookSerial(book, &serial);
    EXPECT_NE(serial, 0u);

    CBI_HITEM root = cbi_->CBIVPGetRootItem(book);
    ASSERT_NE(root, 0u);
    std::string walk;
    for (CBI_HITEM it = cbi_->CBIVPGetChildItem(book, root); it;
         it = cbi_->CBIVPGetNextSiblingItem(book, it)) {
        char text[CBI_ITEM_TEXT_CAPACITY];
        cbi_->CBIVPGetItemText(book, it, text, sizeof text);
        walk += std::string(text) + "@" + std::to_string(cbi_->CBIVPItemToPage(book, it)) + ";";
        EXPECT_EQ(cbi_->CBIVPGetParentItem(book, it), root);
        EXPECT_EQ(cbi_->CBIVPPageToItem(book, cbi_->CBIVPItemToPage(book, it)), it);
    }
    EXPECT_EQ(walk, "Day one@0;Day two@1;");

    ASSERT_EQ(cbi_->CBIGetPageCount(book), 2);
    std::string page(static_cast<size_t>(cbi_->CBIGetPageSize(book, 0)), '\0');
    ASSERT_EQ(cbi_->CBIGetPage(book, 0, reinterpret_cast<unsigned char*>(page.data()),
                               static_cast<int32_t>(page.size())),
              static_cast<int32_t>(page.size()));
    EXPECT_EQ(page, "Day one\xFF\x0Awe left");
    cbi_->CBICloseBook(book);
    EXPECT_EQ(cbi_->CBIGetPageCount(book), 0); // the handle is gone
}

TEST_F(ExampleDriverTest, RefusesFilesThatAreNotNotes) {
    std::string file = tmp_.Write("other.txt", "NOTE\nnot quite\n");
    EXPECT_EQ(cbi_->CBICheckVersion(file.c_str()), 0);
    CBI_HBOOK book = 0xABCD;
    EXPECT_NE(cbi_->CBIOpenBook(file.c_str(), 0, &book), 0);
    EXPECT_EQ(book, 0xABCDu);
    EXPECT_NE(cbi_->CBIOpenBook(tmp_.File("missing.txt").c_str(), 0, &book), 0);
}

TEST(DriversGuide, QuotesTheExampleDriverExactly) {
    const std::string guide = ReadAll(TAVRIN_DRIVERS_GUIDE);
    const std::string source = ReadAll(TAVRIN_EXAMPLE_DRIVER_SOURCE);
    ASSERT_FALSE(source.empty());
    const std::string fence = "```c\n";
    size_t start = guide.find(fence + "/* Example driver");
    ASSERT_NE(start, std::string::npos) << "the guide has no example driver block";
    start += fence.size();
    size_t end = guide.find("```", start);
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(guide.substr(start, end - start), source);
}

} // namespace
