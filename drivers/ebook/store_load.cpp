// Loading the store: reading its index and repairing the store after a killed change or a damaged
// index (store.h).
#include "ebook/store.h"

#include "ebook/durable_file.h"
#include "ebook/limits.h"
#include "ebook/quarantine.h"
#include "ebook/store_problem.h"
#include "ebook/stored_book.h"
#include "ebook/text_util.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <set>
#include <span>
#include <unistd.h>

namespace tavrin::ebook {
namespace {

constexpr const char* kIndexName = "index";
constexpr const char* kIndexTemp = "index.tmp";
constexpr uint64_t kMaxIndexSize = 64ull << 20;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// The id of a book file name "<id>.epub" (digits without a leading zero), or 0.
uint16_t IdOfBookFile(std::string_view name) {
    if (!EndsWith(name, ".epub")) return 0;
    std::string_view digits = name.substr(0, name.size() - 5);
    if (digits.empty() || digits.size() > 5 || digits[0] == '0') return 0;
    unsigned id = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        id = id * 10 + static_cast<unsigned>(c - '0');
    }
    return id <= 0xFFFF ? static_cast<uint16_t>(id) : 0;
}

struct FolderScan {
    bool listed = false;      // the folder could be listed
    std::set<uint16_t> books; // ids of the "<id>.epub" files
    std::vector<std::string> leftovers;
};

FolderScan ScanFolder(const std::string& folder) {
    FolderScan scan;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return scan;
    scan.listed = true;
    while (dirent* entry = readdir(dir)) {
        std::string_view name = entry->d_name;
        if (uint16_t id = IdOfBookFile(name)) {
            scan.books.insert(id);
        } else if (EndsWith(name, ".part") || name == kIndexTemp) {
            scan.leftovers.emplace_back(name);
        }
    }
    closedir(dir);
    return scan;
}

uint16_t After(uint16_t id) {
    return static_cast<uint16_t>(id % 0xFFFF + 1);
}

} // namespace

std::string Store::DefaultFolder() {
    if (std::string store = Env("TAVRIN_EBOOK_STORE"); !store.empty()) return store;
    if (std::string data = Env("XDG_DATA_HOME"); !data.empty() && data[0] == '/')
        return data + "/tavrin/ebooks";
    if (std::string home = Env("HOME"); !home.empty()) return home + "/.local/share/tavrin/ebooks";
    return {};
}

bool Store::Load(std::string* error) {
    index_ = StoreIndex{};
    classes_.clear();
    if (folder_.empty()) {
        *error = "no folder for the e-book store: set TAVRIN_EBOOK_STORE or HOME";
        return false;
    }
    if (!FolderExists(folder_)) return true; // nothing stored yet
    FolderLock lock(folder_);
    LoadLocked(lock.Held());
    return true;
}

void Store::LoadLocked(bool locked) {
    index_ = StoreIndex{};
    const FolderScan scan = ScanFolder(folder_);
    if (locked)
        for (const std::string& name : scan.leftovers)
            unlink((folder_ + "/" + name).c_str());

    const std::string indexPath = folder_ + "/" + kIndexName;
    std::string readError;
    int code = 0;
    std::optional<std::string> text = ReadWholeFile(indexPath, kMaxIndexSize, &readError, &code);
    ParsedIndex parsed;
    if (text) parsed = ParseIndex(*text);

    const bool whole = text && parsed.Whole();
    StoreIndex index;
    std::vector<StoredBook> salvaged; // lines of a damaged index, for the titles of untitled books
    bool changed = false;
    if (whole) {
        index = std::move(parsed.index);
        // Lines whose book file is gone (a delete killed before its index was written) go.
        if (scan.listed)
            changed =
                std::erase_if(index.books, [&](const StoredBook& b) { return !scan.books.count(b.id); }) > 0;
    } else if (!scan.listed) {
        // Neither the index nor the folder can be read: serve what parsed, change nothing.
        ReportStore("the store folder " + folder_ + " cannot be listed; its index is used as it is");
        index = std::move(parsed.index);
    } else if (text || code != ENOENT || !scan.books.empty()) {
        // Not readable whole: the book files say what the store holds.
        std::string why = text ? parsed.damage : code == ENOENT ? "it is missing" : readError;
        ReportStore("the index " + indexPath + " cannot be read whole (" + why + "); " +
                    (locked ? "rebuilding it from the " : "reading, without changing the store, the ") +
                    std::to_string(scan.books.size()) + " book files of the store");
        salvaged = std::move(parsed.index.books);
        if (parsed.version != 0) {
            index.nextId = parsed.index.nextId;
        } else if (!scan.books.empty()) {
            index.nextId = After(*scan.books.rbegin());
        }
        changed = true;
    }

    // Book files the index does not name: taken in when readable, else moved aside.
    for (uint16_t id : scan.books) {
        auto at = std::lower_bound(index.books.begin(), index.books.end(), id,
                                   [](const StoredBook& b, uint16_t value) { return b.id < value; });
        if (at != index.books.end() && at->id == id) continue;
        const std::string name = std::to_string(id) + ".epub";
        std::string why;
        auto bytes = ReadWholeFile(BookPath(id), kMaxBookFileSize, &why);
        std::optional<BookFacts> facts;
        if (bytes) {
            std::span<const unsigned char> view(reinterpret_cast<const unsigned char*>(bytes->data()),
                                                bytes->size());
            facts = InspectBook(view, &why);
        }
        if (!facts) {
            if (locked) {
                Quarantine(folder_, name, why);
            } else {
                ReportStore(BookPath(id) + " is not a readable EPUB book (" + why +
                            "); it is left where it is until the store can be changed");
            }
            continue;
        }
        // A title the package lacks may still be known from the damaged index.
        std::string fallback = "Untitled";
        for (const StoredBook& old : salvaged)
            if (old.id == id && old.hash == Fnv1a64(*bytes) && old.size == bytes->size())
                fallback = old.title;
        StoredBook book = MakeStoredBook(id, *bytes, *facts, fallback);
        if (whole) ReportStore(BookPath(id) + " was not in the index: taken in as \"" + book.title + "\"");
        index.books.insert(at, std::move(book));
        if (id >= index.nextId) index.nextId = After(id);
        changed = true;
    }

    if (changed && locked) {
        std::string error;
        if (!WriteIndex(index, &error)) ReportStore("the repaired index cannot be written: " + error);
    }
    index_ = std::move(index);
    BuildClasses();
    if (locked) UpdateDescriptions();
}

} // namespace tavrin::ebook
