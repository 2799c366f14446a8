// The driver's store of e-books: a folder holding each book as "<id>.epub" and the index file "index".
//
// The book files are the truth; the index is what lets the store open without reading every book.
// Changes are ordered so that a process killed at any point leaves a store that opens with every book
// it holds: a book file is written (to "<id>.epub.part", synced, renamed) before the index that names
// it, a new index is written to "index.tmp", synced and renamed over "index", and a deleted book's file
// goes before its index line. Loading the store repairs what a killed change or a damaged disk left:
//   - an index that cannot be read whole (missing while book files exist, empty, a bad header or line,
//     unreadable, too large) is rebuilt from the book files, each read again;
//   - a book file the index does not name is read and taken in; one that is not a readable EPUB is moved
//     aside into "quarantine/" with a note saying why and when (store_repair.h);
//   - index lines whose book file is missing are left out;
//   - the driver's own leftovers, "*.part" and "index.tmp", are removed.
// No book file is ever deleted because the index does not name it. What the repair did is reported on
// standard error. Adds, deletes and repairs hold the folder's lock; a store whose lock cannot be had
// (read-only, locked by another program) is read and served without being changed.
#pragma once

#include "ebook/descriptions.h"
#include "ebook/store_index.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavrin::ebook {

struct StoreClassView {
    std::string name;
    std::string key;
    std::vector<uint16_t> bookIds; // ascending
};

enum class AddOutcome { Added, AlreadyStored, NotABook, Failed };

class Store {
  public:
    // The store folder: $TAVRIN_EBOOK_STORE, else $XDG_DATA_HOME/tavrin/ebooks, else
    // $HOME/.local/share/tavrin/ebooks. Empty when none of them is set.
    static std::string DefaultFolder();

    explicit Store(std::string folder) : folder_(std::move(folder)) {}
    const std::string& Folder() const { return folder_; }

    // Reads the index (a missing folder is an empty store) and repairs the store as described above.
    // false and *error only when there is no store folder.
    bool Load(std::string* error);

    const std::vector<StoredBook>& Books() const { return index_.books; }
    const std::vector<StoreClassView>& Classes() const { return classes_; }
    const StoredBook* Find(uint16_t id) const;
    std::string BookPath(uint16_t id) const;

    // Adds the book file at `path` (copied into the store). *id receives the new book's id, or for
    // AlreadyStored the id of the book it duplicates. *error says why for NotABook (a file that is not
    // a book the driver takes) and Failed (a book the store could not take), naming the file.
    AddOutcome Add(const std::string& path, uint16_t* id, std::string* error);
    // Removes a book; false and *error when it is not in the store or its file cannot be removed.
    bool Delete(uint16_t id, std::string* error);

    // *address: the file address of the description page of the class whose key is `key` (without
    // regard to letter case), written or brought up to date first; false and *error when there is none.
    bool DescriptionAddress(std::string_view key, std::string* address, std::string* error);

  private:
    void LoadLocked(bool locked);
    bool WriteIndex(const StoreIndex& index, std::string* error);
    void BuildClasses();
    std::vector<ClassPage> Pages() const;
    void UpdateDescriptions();

    std::string folder_;
    StoreIndex index_;
    std::vector<StoreClassView> classes_;
};

} // namespace tavrin::ebook
