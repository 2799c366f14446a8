// The built eBookDrv.dll loaded as the shelf loads it, with a store folder of the test's own (set
// through TAVRIN_EBOOK_STORE) and helpers to read the store back through the shelf entry points. The
// crash tests load the driver's test build (TAVRIN_EBOOK_TEST_DRIVER_PATH), which has the kill points.
#pragma once

#include "common/temp_folder.h"
#include "epub_fixtures/epub_maker.h"
#include "support/cbi_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace epubtest {

struct ShelfClass {
    std::string name;
    std::string key;
    std::vector<uint32_t> ids;
    bool operator==(const ShelfClass&) const = default;
};

class EbookDriverTest : public testing::Test {
  protected:
    void SetUp() override {
        store_ = tmp_.File("store");
        setenv("TAVRIN_EBOOK_STORE", store_.c_str(), 1);
        unsetenv("TAVRIN_EBOOK_TEST_KILL");
        library_ = dlopen(DriverPath(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library_, nullptr) << dlerror();
        cbi_ = std::make_unique<CbiTable>(library_);
    }
    void TearDown() override {
        if (library_) {
            cbi_->CBIShelfClose();
            dlclose(library_);
        }
        unsetenv("TAVRIN_EBOOK_STORE");
    }

    virtual const char* DriverPath() const { return TAVRIN_EBOOK_DRIVER_PATH; }

    // What CBIGetErrorText says now.
    std::string ErrorText() {
        if (!cbi_->CBIGetErrorText) {
            ADD_FAILURE() << "the driver does not export CBIGetErrorText";
            return "<none>";
        }
        char text[CBI_ERROR_TEXT_CAPACITY] = {};
        int length = cbi_->CBIGetErrorText(text, sizeof text);
        EXPECT_EQ(length, static_cast<int>(std::strlen(text)));
        return text;
    }

    std::string Book(const std::string& name, const Files& files) {
        std::string path = tmp_.File(name);
        EXPECT_TRUE(WriteZip(path, files));
        return path;
    }
    int Add(const std::string& path) { return cbi_->CBIShelfAddBook(path.c_str()); }

    // The classes and books the shelf would collect.
    std::vector<ShelfClass> Collect() {
        std::vector<ShelfClass> out;
        uint16_t count = 0;
        CBIShelfBlock block{};
        if (!cbi_->CBIShelfOpen(&count, &block)) return out;
        for (int c = 0; c < count; ++c) {
            char name[CBI_CLASS_NAME_SIZE] = {};
            char key[CBI_CLASS_KEY_SIZE] = {};
            uint16_t books = 0;
            if (!cbi_->CBIShelfGetClassAttr(c, name, key, &books)) continue;
            ShelfClass sc{name, key, {}};
            for (int b = 0; b < books; ++b) {
                char attr[CBI_BOOK_ATTR_SIZE] = {};
                uint32_t id = 0;
                if (!cbi_->CBIShelfGetBookAttr(c, b, attr, &id)) return out;
                sc.ids.push_back(id & 0xFFFF);
            }
            out.push_back(sc);
        }
        return out;
    }
    std::vector<uint32_t> AllIds() {
        std::vector<uint32_t> ids;
        for (const ShelfClass& c : Collect())
            ids.insert(ids.end(), c.ids.begin(), c.ids.end());
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    CBI_HBOOK Open(uint32_t id) {
        CBI_HBOOK book = 0;
        EXPECT_EQ(cbi_->CBIOpenBook(std::to_string(id).c_str(), 0, &book), 0) << "book " << id;
        return book;
    }
    std::string Name(CBI_HBOOK book) {
        char name[CBI_NAME_CAPACITY] = {};
        cbi_->CBIGetBkName(book, 3, name, 255);
        return name;
    }
    std::string Number(CBI_HBOOK book) {
        char number[CBI_BOOKNO_BUFFER] = {};
        int length = cbi_->CBIExBookNoLength(book);
        if (length <= 0 || length >= CBI_BOOKNO_BUFFER) return "";
        cbi_->CBIExBookNo(book, number, length);
        return number;
    }

    // The store folder's files and their contents: what "the store is unchanged" compares. The lock
    // and the class description pages (made from the index, test_ebook_descriptions.cpp) are left out.
    std::map<std::string, std::string> Snapshot() {
        std::map<std::string, std::string> files;
        if (DIR* dir = opendir(store_.c_str())) {
            while (dirent* e = readdir(dir)) {
                std::string name = e->d_name;
                if (name == "." || name == ".." || name == ".lock" || name == "descriptions") continue;
                const std::string path = store_ + "/" + name;
                files[name] = std::filesystem::is_regular_file(path) ? ReadFile(path) : "<not a file>";
            }
            closedir(dir);
        }
        return files;
    }
    std::set<std::string> FileNames() {
        std::set<std::string> names;
        for (auto& [name, bytes] : Snapshot())
            names.insert(name);
        return names;
    }

    testfs::TempFolder tmp_;
    std::string store_;
    void* library_ = nullptr;
    std::unique_ptr<CbiTable> cbi_;
};

} // namespace epubtest
