// The driver's store of e-books: a folder holding each book as "<id>.epub" and the index file "index".
//
// Changes are ordered so that a process killed at any point leaves a consistent store: a book file is
// written (to "<id>.epub.part", synced, renamed) before the index that names it, and a new index is
// written to "index.tmp", synced and renamed over "index". Loading the store removes what a killed
// change left behind: "*.part" and "index.tmp" files and book files the index does not name; index
// lines whose book file is missing are dropped. Adds, deletes and the clean-up hold the folder's lock.
#pragma once

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

    // Reads the index (a missing folder or index is an empty store) and cleans up after killed changes.
    bool Load(std::string* error);

    const std::vector<StoredBook>& Books() const { return index_.books; }
    const std::vector<StoreClassView>& Classes() const { return classes_; }
    const StoredBook* Find(uint16_t id) const;
    std::string BookPath(uint16_t id) const;

    // Adds the book file at `path` (copied into the store). *id receives the new book's id, or for
    // AlreadyStored the id of the book it duplicates. *error says why for NotABook and Failed.
    AddOutcome Add(const std::string& path, uint16_t* id, std::string* error);
    // Removes a book; false when it is not in the store or the index cannot be written.
    bool Delete(uint16_t id, std::string* error);

  private:
    bool LoadLocked(std::string* error);
    void CleanUp();
    bool WriteIndex(const StoreIndex& index, std::string* error);
    void BuildClasses();

    std::string folder_;
    StoreIndex index_;
    std::vector<StoreClassView> classes_;
};

// For tests of crash safety: when the environment variable TAVRIN_EBOOK_TEST_KILL names `point`, the
// process kills itself there with SIGKILL.
void KillPoint(const char* point);

} // namespace tavrin::ebook
