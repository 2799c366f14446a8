// What a driver library built on the book format keeps between calls: its open books by handle.
// Both EbdBook.dll and Books.Dll are built from the same entry points (entry_points.cpp); each says
// which kind of file it serves through Config().
#pragma once

#include "bookfmt/model.h"
#include "bookfmt/reader.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace tavrin::book::driver {

struct Config {
    BookKind serves = BookKind::Book; // the one kind of file this driver opens
    const char* name = "";            // for diagnostics
};

// Defined once by each driver library.
const Config& ThisDriver();

// CBIOpenBook results (0 is success).
inline constexpr int kOpenBadArguments = 1;
inline constexpr int kOpenUnreadable = 2; // missing, not a book, damaged or truncated
inline constexpr int kOpenWrongKind = 3;  // a book file of the kind the other driver serves
inline constexpr int kOpenNoRoom = 4;     // out of memory or handles

struct OpenBook {
    std::string path;
    std::unique_ptr<Reader> reader;
};

// Book handles count up from 1 and are not given out again while their book is open (after 2^32 - 1
// opens the count wraps, skipping 0 and every handle still in use).
class BookTable {
  public:
    // Opens `path`; 0 and *handle on success, else one of kOpen*. *error says why (may be null).
    int Open(const std::string& path, uint32_t* handle, std::string* error);
    OpenBook* Find(uint32_t handle);
    // False for a handle that is not open.
    bool Close(uint32_t handle);
    size_t Count() const { return books_.size(); }
    // The most recently opened book, or null.
    OpenBook* Newest();

  private:
    std::map<uint32_t, OpenBook> books_;
    uint32_t next_ = 1;
    uint32_t newest_ = 0;
};

BookTable& Books();

// Opens a file the way CBIOpenBook does (kind checked), without registering it: for CBICheckVersion.
// Returns 0 or one of kOpen*.
int Probe(const std::string& path, std::unique_ptr<Reader>* reader, std::string* error);

// Writes a diagnostic line to standard error when the environment variable TAVRIN_BOOK_DEBUG is set.
void Debug(const std::string& text);

// Why the last open or check failed, for CBIGetErrorText: Fail records the reason (and writes it as
// Debug does), ClearFailure forgets it when a call starts.
void Fail(const std::string& reason);
void ClearFailure();
const std::string& LastFailure();

} // namespace tavrin::book::driver
