#include "ebook/open_books.h"

#include "ebook/html_references.h"
#include "ebook/shelf_text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tavrin::ebook {

std::optional<uint16_t> ParseBookId(const char* text) {
    if (!text) return std::nullopt;
    while (*text == ' ')
        ++text;
    unsigned value = 0;
    int digits = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + static_cast<unsigned>(*text - '0');
        if (++digits > 5) return std::nullopt;
    }
    if (digits == 0 || *text != '\0' || value == 0 || value > 0xFFFF) return std::nullopt;
    return static_cast<uint16_t>(value);
}

Store* DriverState::CurrentStore(bool reload) {
    std::string folder = Store::DefaultFolder();
    if (!store_ || store_->Folder() != folder) {
        store_ = std::make_unique<Store>(folder);
        reload = true;
    }
    if (reload) {
        std::string error;
        if (!store_->Load(&error)) {
            Fail(error);
            return nullptr;
        }
    }
    return store_.get();
}

int DriverState::Open(const char* text, uint32_t* handle) {
    std::optional<uint16_t> id = ParseBookId(text);
    if (!id) {
        Fail(std::string("\"") + (text ? text : "") + "\" is not the id of a book of the e-book store");
        return 1;
    }
    Store* store = CurrentStore(false);
    const StoredBook* stored = store ? store->Find(*id) : nullptr;
    if (!stored && store) {
        // Another process may have added the book since the store was read.
        store = CurrentStore(true);
        stored = store ? store->Find(*id) : nullptr;
    }
    if (!stored) {
        if (store) Fail("book " + std::to_string(*id) + " is not in the e-book store " + store->Folder());
        return 2;
    }
    if (books_.size() >= 0xFFFFFFF0u) {
        Fail("too many books are open");
        return 4;
    }
    while (next_ == 0 || books_.count(next_))
        ++next_;
    uint32_t h = next_++;
    OpenEBook book;
    book.id = *id;
    book.title = stored->title;
    book.path = store->BookPath(*id);
    books_.emplace(h, std::move(book));
    *handle = h;
    return 0;
}

bool DriverState::Close(uint32_t handle) {
    std::erase(withArchive_, handle);
    return books_.erase(handle) != 0;
}

OpenEBook* DriverState::Find(uint32_t handle) {
    auto it = books_.find(handle);
    return it == books_.end() ? nullptr : &it->second;
}

ZipArchive* DriverState::Archive(uint32_t handle, OpenEBook& book) {
    std::erase(withArchive_, handle);
    if (!book.structure->archive) {
        std::string error;
        book.structure->archive = ZipArchive::OpenFile(book.path, &error);
        if (!book.structure->archive) {
            Debug(error);
            return nullptr;
        }
    }
    withArchive_.push_back(handle);
    while (withArchive_.size() > kOpenArchives) {
        if (OpenEBook* oldest = Find(withArchive_.front()); oldest && oldest->structure)
            oldest->structure->archive.reset();
        withArchive_.pop_front();
    }
    return book.structure->archive.get();
}

const BookStructure* DriverState::Structure(uint32_t handle) {
    OpenEBook* book = Find(handle);
    if (!book || book->unreadable) return nullptr;
    if (!book->structure) {
        std::string error;
        std::unique_ptr<ZipArchive> archive = ZipArchive::OpenFile(book->path, &error);
        std::optional<BookStructure> structure;
        if (archive) structure = ReadStructure(std::move(archive), &error);
        if (!structure) {
            Debug(error);
            book->unreadable = true;
            return nullptr;
        }
        book->structure = std::move(structure);
        withArchive_.push_back(handle);
        Archive(handle, *book); // keeps the number of open containers within bounds
    }
    return &*book->structure;
}

const std::string* DriverState::Page(uint32_t handle, int32_t page) {
    OpenEBook* book = Find(handle);
    if (!book || page < 0 || !Structure(handle)) return nullptr;
    if (static_cast<size_t>(page) >= book->structure->package.spine.size()) return nullptr;
    // Pages go out in the shelf's code page, like every other text.
    const unsigned codePage = ShelfCodePage();
    if (book->cachedPage == page && book->cachedCodePage == codePage) return &book->cachedBytes;
    if (!Archive(handle, *book)) return nullptr;
    std::string error;
    auto bytes = ReadPageBytes(*book->structure, static_cast<size_t>(page), &error);
    if (!bytes) {
        Debug(error);
        return nullptr;
    }
    // Character references are decoded before the conversion, so a character the code page lacks
    // becomes what any other such character becomes.
    book->cachedBytes = FromUtf8(DecodeCharacterReferences(*bytes), codePage);
    book->cachedBytes.push_back('\0');
    book->cachedPage = page;
    book->cachedCodePage = codePage;
    return &book->cachedBytes;
}

void DriverState::Debug(const std::string& text) const {
    if (std::getenv("TAVRIN_EBOOK_DEBUG")) std::fprintf(stderr, "eBookDrv.dll: %s\n", text.c_str());
}

void DriverState::Fail(std::string reason) {
    Debug(reason);
    lastFailure_ = std::move(reason);
}

DriverState& Driver() {
    static DriverState state;
    return state;
}

} // namespace tavrin::ebook
