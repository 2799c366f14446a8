// What eBookDrv.dll keeps between calls: the store it serves and its open books by handle.
//
// Opening a book is cheap: it needs only the store's index (title, id). The book file is read when the
// shelf first asks for pages or contents; at most kOpenArchives containers stay open at a time, so a
// search through every book does not hold a file per book.
#pragma once

#include "ebook/epub_book.h"
#include "ebook/store.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace tavrin::ebook {

inline constexpr size_t kOpenArchives = 8;

struct OpenEBook {
    uint16_t id = 0;
    std::string title;
    std::string path;
    std::optional<BookStructure> structure; // read on first use
    bool unreadable = false;                // the stored file could not be read; not tried again
    int32_t cachedPage = -1;                // the page last read, kept for CBIGetPageSize + CBIGetPage
    unsigned cachedCodePage = 0;            // ... in this code page (ShelfCodePage)
    std::string cachedBytes;
};

class DriverState {
  public:
    // The store of the current folder (Store::DefaultFolder), loaded when first asked for or when the
    // folder changed; `reload` reads it again anyway.
    Store* CurrentStore(bool reload);
    void ForgetStore() { store_.reset(); }

    // Opens the book with the decimal id `text`; 0 and *handle on success, else a nonzero failure.
    int Open(const char* text, uint32_t* handle);
    bool Close(uint32_t handle);
    OpenEBook* Find(uint32_t handle);
    // The book's package and contents, read on first use; null when the book file is unreadable.
    const BookStructure* Structure(uint32_t handle);
    // The bytes of a page followed by a terminating zero; null when the page cannot be read.
    const std::string* Page(uint32_t handle, int32_t page);
    void Debug(const std::string& text) const;

    // Why the last open, add or store opening failed, for CBIGetErrorText; Fail records it (and writes
    // it on standard error when debugging), Succeed forgets it.
    void Fail(std::string reason);
    void Succeed() { lastFailure_.clear(); }
    const std::string& LastFailure() const { return lastFailure_; }

    static constexpr uint32_t kFirstHandle = 0x00E00001;

  private:
    ZipArchive* Archive(uint32_t handle, OpenEBook& book);

    std::unique_ptr<Store> store_;
    std::map<uint32_t, OpenEBook> books_;
    // The shelf and its host find a book by its handle alone, so the handles of this driver's books
    // must not be those another driver on the shelf gives: ours count up from their own range.
    uint32_t next_ = kFirstHandle;
    std::deque<uint32_t> withArchive_; // handles whose container is open, oldest first
    std::string lastFailure_;
};

DriverState& Driver();

// The book id written in decimal ("7"), 1..65535; nullopt for anything else.
std::optional<uint16_t> ParseBookId(const char* text);

} // namespace tavrin::ebook
