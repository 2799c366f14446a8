#include "bookfmt/driver_state.h"

#include <cstdio>
#include <cstdlib>

namespace tavrin::book::driver {

int Probe(const std::string& path, std::unique_ptr<Reader>* reader, std::string* error) {
    OpenResult opened = Reader::Open(path);
    if (!opened) {
        if (error) *error = opened.error;
        return kOpenUnreadable;
    }
    if (opened.reader->Kind() != ThisDriver().serves) {
        if (error)
            *error = path + ": " +
                     (opened.reader->Kind() == BookKind::ShelfCatalog ? "a shelf catalog, not a book"
                                                                      : "a book, not a shelf catalog");
        return kOpenWrongKind;
    }
    if (reader) *reader = std::move(opened.reader);
    return 0;
}

int BookTable::Open(const std::string& path, uint32_t* handle, std::string* error) {
    std::unique_ptr<Reader> reader;
    if (int result = Probe(path, &reader, error); result != 0) return result;
    if (books_.size() >= 0xFFFFFFF0u) return kOpenNoRoom;
    while (next_ == 0 || books_.count(next_))
        ++next_;
    uint32_t h = next_++;
    books_.emplace(h, OpenBook{path, std::move(reader)});
    newest_ = h;
    *handle = h;
    return 0;
}

OpenBook* BookTable::Find(uint32_t handle) {
    auto it = books_.find(handle);
    return it == books_.end() ? nullptr : &it->second;
}

bool BookTable::Close(uint32_t handle) {
    if (handle == newest_) newest_ = 0;
    return books_.erase(handle) != 0;
}

OpenBook* BookTable::Newest() {
    if (OpenBook* book = Find(newest_)) return book;
    return books_.empty() ? nullptr : &books_.rbegin()->second;
}

BookTable& Books() {
    static BookTable table;
    return table;
}

void Debug(const std::string& text) {
    if (std::getenv("TAVRIN_BOOK_DEBUG")) std::fprintf(stderr, "%s: %s\n", ThisDriver().name, text.c_str());
}

namespace {
std::string& Failure() {
    static std::string reason;
    return reason;
}
} // namespace

void Fail(const std::string& reason) {
    Failure() = reason;
    Debug(reason);
}

void ClearFailure() {
    Failure().clear();
}

const std::string& LastFailure() {
    return Failure();
}

} // namespace tavrin::book::driver
