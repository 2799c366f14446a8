// Helpers of the book format tests: a small book model, resealing damaged files, and the entry
// points of a driver library loaded with dlopen.
#pragma once

#include "bookfmt/bytes.h"
#include "bookfmt/model.h"
#include "common/temp_folder.h"

#include "tavrin/cbi.h"

#include <dlfcn.h>
#include <filesystem>
#include <string>

namespace booktest {

using tavrin::book::BookModel;
using tavrin::book::Bytes;
using testfs::TempFolder;

Bytes ReadFile(const std::string& path);
std::string ToString(const Bytes& bytes);
Bytes ToBytes(const std::string& text);

// A book with names in three locales, an extended number, three levels of contents (one entry
// without a page, two entries sharing one) and four pages in the page markup:
//   root
//     "Preface" -> 0
//     "Volume 1"
//       "Chapter 1" -> 1
//         "Section 1.1" -> 1
//         "Section 1.2" -> 2
//     "Appendix" -> 3
BookModel SmallBook();

// Recomputes the CRCs of the sections and of the header after a test changed the bytes, so that
// the reader's structural checks, not its checksums, meet the damage.
void Reseal(Bytes& file);

// Byte offset of a section's directory entry and of its data (by tag such as "TOCE"), the data's
// size, and the offset of a field of a contents entry, in a well-formed file.
size_t DirEntry(const Bytes& file, const char* tag);
size_t SectionOffset(const Bytes& file, const char* tag);
size_t SectionSize(const Bytes& file, const char* tag);
size_t EntryField(const Bytes& file, uint32_t entry, size_t field);

// The bytes the writer makes of `book` (none, and a failure, when it refuses it).
Bytes Serialized(const BookModel& book);

// How many files and folders `folder` holds.
size_t FilesIn(const TempFolder& folder);

// One driver library loaded with dlopen, its entry points bound by name (missing ones null).
class DriverLibrary {
  public:
    explicit DriverLibrary(const std::string& path);
    ~DriverLibrary();
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;
    bool Loaded() const { return handle_ != nullptr; }
    void* Symbol(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }

#define BOOKTEST_SLOT(name) PFN_##name name = nullptr;
    CBI_FOR_EACH_ENTRY_POINT(BOOKTEST_SLOT)
#undef BOOKTEST_SLOT

  private:
    void* handle_ = nullptr;
};

// Copies a driver library into `folder` under `name` (a separate copy loads as a separate library
// with its own state).
std::string CopyLibrary(const std::string& from, const std::string& folder, const std::string& name);

} // namespace booktest
