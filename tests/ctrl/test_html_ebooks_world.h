// What the HTML e-book tests share: a shelf with registered books (the registered-book world) and a
// copy of the test driver as "eBookDrv.dll" whose store each test fills with classes and books.
#pragma once

#include "test_regbooks_world.h"

#include <string>
#include <vector>

namespace html_world {

using regbooks::RegWorld;

class HtmlWorld : public RegWorld {
  protected:
    void SetUp() override {
        RegWorld::SetUp();
        html_ = std::make_unique<testdrv::Driver>(AddDriver("eBookDrv.dll"));
    }
    void TearDown() override {
        RegWorld::TearDown();
        html_.reset();
    }
    testdrv::Driver& Html() { return *html_; }
    std::string HtmlPath() const { return (dir_ / "eBookDrv.dll").string(); }

    // A book of the store: known to the driver under its id in decimal ("Book <id>", number "H-<id>"),
    // listed in class `cls` with `listedId` (the id, unless a test wants other high bits).
    void StoreBook(int cls, uint32_t id, unsigned caps = CBI_CAP_SHARED_HTML, uint32_t listedId = 0) {
        std::string text = std::to_string(id);
        Html().AddBook(text.c_str());
        Html().SetCaps(text.c_str(), caps, 0xFF);
        Html().SetExBookNo(text.c_str(), ("H-" + text).c_str());
        Html().SetName(text.c_str(), TD_ANY_LOCALE, ("Book " + text).c_str());
        Html().ShelfAddBookId(cls, listedId ? listedId : id);
    }
    // A class of the store with its books.
    int StoreClass(const char* name, const char* key, std::initializer_list<uint32_t> ids = {}) {
        int cls = Html().ShelfAddClass(name, key);
        for (uint32_t id : ids)
            StoreBook(cls, id);
        return cls;
    }

    // Labels of the children of the item labelled `label`.
    std::vector<std::string> Under(const std::string& label) const { return ChildTexts(Find(label)); }

    std::unique_ptr<testdrv::Driver> html_;
};

} // namespace html_world
