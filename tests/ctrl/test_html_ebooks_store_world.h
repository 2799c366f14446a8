// What the tests of the control with the real e-book driver share: a program folder whose
// "eBookDrv.dll" is the driver that ships, an e-book store of the test's own (TAVRIN_EBOOK_STORE), a
// system catalog with the catalog of unclassified books ("65535", under which the store's classes
// go), EPUB files made for the test and added the way the user adds them (the registered message
// "KSM_ADD_BOOK"), and a host that keeps copies of what WM_SHELF_NOTIFY points to.
#pragma once

#include "test_contents_world.h"

#include "epub_fixtures/epub_maker.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace ebook_store_world {

class EbookStoreWorld : public contents::ContentsWorld {
  protected:
    void SetUp() override {
        ContentsWorld::SetUp();
        store_ = (dir_ / "store").string();
        setenv("TAVRIN_EBOOK_STORE", store_.c_str(), 1);
        AddDriver("eBookDrv.dll", TAVRIN_EBOOK_DRIVER_PATH);
        AddCatalog(Sys().Root(), "Unclassified", "65535");
        std::filesystem::create_directories(dir_ / "books");
    }
    void TearDown() override {
        ContentsWorld::TearDown();
        unsetenv("TAVRIN_EBOOK_STORE");
    }

    // An EPUB file made for the test, in a folder outside the store; its path.
    std::string MakeBook(const std::string& file, const std::string& title, const std::string& subject,
                         const std::string& filler = "") {
        epubtest::BookSpec spec;
        spec.title = title;
        spec.subject = subject;
        spec.uid = "urn:test:" + file;
        spec.filler = filler;
        std::string path = (dir_ / "books" / file).string();
        EXPECT_TRUE(epubtest::WriteZip(path, epubtest::Epub3(spec)));
        return path;
    }
    // Hands a file to the store as another program does.
    void SendAddBook(const std::string& path) {
        SendMessageA(Ctrl().GetSafeHwnd(), RegisterWindowMessageA("KSM_ADD_BOOK"), 0,
                     reinterpret_cast<LPARAM>(path.c_str()));
    }

    std::vector<std::string> Under(const std::string& label) const { return ChildTexts(Find(label)); }
    // The labels of the store's classes and, for each, of its books, as the tree shows them.
    std::vector<std::vector<std::string>> Shelf() const {
        std::vector<std::vector<std::string>> shelf;
        for (const std::string& cls : Under("Unclassified")) {
            shelf.push_back({cls});
            for (const std::string& book : Under(cls))
                shelf.back().push_back(book);
        }
        return shelf;
    }
    // The store's book files, each with its size and a hash of its bytes.
    std::map<std::string, std::string> BookFiles() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(store_)) {
            std::string name = entry.path().filename().string();
            if (name.size() > 5 && name.compare(name.size() - 5, 5, ".epub") == 0) {
                std::string bytes = epubtest::ReadFile(entry.path().string());
                files[name] = std::to_string(bytes.size()) + " bytes, hash " +
                              std::to_string(std::hash<std::string>{}(bytes));
            }
        }
        return files;
    }

    std::string store_;
};

} // namespace ebook_store_world
