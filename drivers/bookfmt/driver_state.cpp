#include "bookfmt/driver_state.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace tavrin::book::driver {

namespace {

// Descriptors left for the rest of the program beside the open books.
constexpr rlim_t kDescriptorReserve = 256;

// Every open book keeps its file open, so a shelf of thousands of books needs more descriptors than
// the usual soft limit of 1,024: past it every further book would fail to open. Before the open books
// come near the soft limit it is raised (to twice as much, at most to the hard limit).
void MakeRoomForAnotherBook(size_t openBooks) {
    // The soft limit as last seen: asked again when the books come near it, and every 64 books in case
    // the program lowered it meanwhile.
    static rlim_t known = 0;
    const rlim_t wanted = static_cast<rlim_t>(openBooks) + 1 + kDescriptorReserve;
    if (openBooks % 64 != 0 && (known == RLIM_INFINITY || wanted <= known)) return;
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
    known = limit.rlim_cur;
    if (known == RLIM_INFINITY || wanted <= known) return;
    rlim_t raised = std::max(wanted, known * 2);
    if (limit.rlim_max != RLIM_INFINITY) raised = std::min(raised, limit.rlim_max);
    if (raised <= known) return; // at the hard limit: the open may still find a free descriptor
    limit.rlim_cur = raised;
    if (setrlimit(RLIMIT_NOFILE, &limit) == 0) known = raised;
}

} // namespace

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
    MakeRoomForAnotherBook(books_.size());
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
