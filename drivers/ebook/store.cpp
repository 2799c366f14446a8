#include "ebook/store.h"

#include "ebook/book_class.h"
#include "ebook/durable_file.h"
#include "ebook/epub_book.h"
#include "ebook/limits.h"
#include "ebook/text_util.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <set>
#include <span>
#include <unistd.h>

namespace tavrin::ebook {
namespace {

constexpr const char* kIndexName = "index";
constexpr const char* kIndexTemp = "index.tmp";

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

// The file name of `path` without its folder and extension.
std::string FileStem(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

} // namespace

void KillPoint(const char* point) {
    const char* wanted = std::getenv("TAVRIN_EBOOK_TEST_KILL");
    if (wanted && std::strcmp(wanted, point) == 0) raise(SIGKILL);
}

std::string Store::DefaultFolder() {
    if (std::string store = Env("TAVRIN_EBOOK_STORE"); !store.empty()) return store;
    if (std::string data = Env("XDG_DATA_HOME"); !data.empty() && data[0] == '/')
        return data + "/tavrin/ebooks";
    if (std::string home = Env("HOME"); !home.empty()) return home + "/.local/share/tavrin/ebooks";
    return {};
}

const StoredBook* Store::Find(uint16_t id) const {
    auto it = std::lower_bound(index_.books.begin(), index_.books.end(), id,
                               [](const StoredBook& b, uint16_t value) { return b.id < value; });
    return it != index_.books.end() && it->id == id ? &*it : nullptr;
}

std::string Store::BookPath(uint16_t id) const {
    return folder_ + "/" + std::to_string(id) + ".epub";
}

bool Store::Load(std::string* error) {
    index_ = StoreIndex{};
    classes_.clear();
    if (folder_.empty()) {
        *error = "no store folder (set TAVRIN_EBOOK_STORE or HOME)";
        return false;
    }
    if (!FolderExists(folder_)) return true; // nothing stored yet
    FolderLock lock(folder_);
    return LoadLocked(error);
}

bool Store::LoadLocked(std::string* error) {
    index_ = StoreIndex{};
    std::string readError;
    if (auto text = ReadWholeFile(folder_ + "/" + kIndexName, 64ull << 20, &readError))
        index_ = ParseIndex(*text);
    CleanUp();
    BuildClasses();
    return true;
}

void Store::CleanUp() {
    // Index lines whose book file is missing are dropped; files of killed changes are removed.
    std::set<uint16_t> present;
    std::vector<std::string> stale;
    if (DIR* dir = opendir(folder_.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string_view name = entry->d_name;
            if (uint16_t id = IdOfBookFile(name)) {
                present.insert(id);
            } else if (EndsWith(name, ".part") || name == kIndexTemp) {
                stale.emplace_back(name);
            }
        }
        closedir(dir);
    }
    std::erase_if(index_.books, [&](const StoredBook& b) { return !present.count(b.id); });
    for (uint16_t id : present)
        if (!Find(id)) stale.push_back(std::to_string(id) + ".epub");
    for (const std::string& name : stale)
        unlink((folder_ + "/" + name).c_str());
    if (!stale.empty()) SyncFolder(folder_);
}

void Store::BuildClasses() {
    classes_.clear();
    for (const StoredBook& book : index_.books) {
        auto it = std::find_if(classes_.begin(), classes_.end(), [&](const StoreClassView& c) {
            return FoldAscii(c.key) == FoldAscii(book.classKey);
        });
        if (it == classes_.end()) {
            classes_.push_back(StoreClassView{book.className, book.classKey, {}});
            it = classes_.end() - 1;
        }
        it->bookIds.push_back(book.id);
    }
}

bool Store::WriteIndex(const StoreIndex& index, std::string* error) {
    const std::string temp = folder_ + "/" + kIndexTemp;
    if (!WriteFileSynced(temp, FormatIndex(index), error)) {
        unlink(temp.c_str());
        return false;
    }
    KillPoint("before-index-rename");
    if (rename(temp.c_str(), (folder_ + "/" + kIndexName).c_str()) != 0) {
        *error = "the index cannot be replaced: " + std::string(std::strerror(errno));
        unlink(temp.c_str());
        return false;
    }
    SyncFolder(folder_);
    return true;
}

AddOutcome Store::Add(const std::string& path, uint16_t* id, std::string* error) {
    auto bytes = ReadWholeFile(path, kMaxBookFileSize, error);
    if (!bytes) return AddOutcome::NotABook;
    std::span<const unsigned char> view(reinterpret_cast<const unsigned char*>(bytes->data()), bytes->size());
    auto facts = InspectBook(view, error);
    if (!facts) return AddOutcome::NotABook;

    if (!MakeFolders(folder_, error)) return AddOutcome::Failed;
    FolderLock lock(folder_);
    if (!lock.Held()) {
        *error = folder_ + ": the store cannot be locked";
        return AddOutcome::Failed;
    }
    LoadLocked(error);

    const uint64_t hash = Fnv1a64(*bytes);
    // A book without a title is named after the file it came from.
    const std::string packageTitle = std::string(CutUtf8(CollapseSpace(facts->title), 1024));
    std::string title = packageTitle;
    if (title.empty()) title = std::string(CutUtf8(CollapseSpace(FileStem(path)), 1024));
    if (title.empty()) title = "Untitled";
    const std::string uniqueId = std::string(CutUtf8(CollapseSpace(facts->uniqueId), 1024));
    for (const StoredBook& book : index_.books) {
        bool sameBytes = book.hash == hash && book.size == bytes->size();
        // The same package identifier and title (identifiers alone are not always unique); an untitled
        // package is known by its identifier.
        bool sameBook = !uniqueId.empty() && book.uniqueId == uniqueId &&
                        (packageTitle.empty() || book.title == packageTitle);
        if (sameBytes || sameBook) {
            *id = book.id;
            return AddOutcome::AlreadyStored;
        }
    }

    // The first free id from the index's "next", so an id is not given out again soon after its
    // book was deleted.
    uint16_t newId = 0;
    for (uint32_t n = 0, candidate = index_.nextId; n < 0xFFFF; ++n, candidate = candidate % 0xFFFF + 1) {
        if (!Find(static_cast<uint16_t>(candidate))) {
            newId = static_cast<uint16_t>(candidate);
            break;
        }
    }
    if (newId == 0) {
        *error = "the store is full";
        return AddOutcome::Failed;
    }

    const std::string bookPath = BookPath(newId);
    const std::string partPath = bookPath + ".part";
    if (!WriteFileSynced(partPath, *bytes, error) || rename(partPath.c_str(), bookPath.c_str()) != 0) {
        if (error->empty()) *error = "the book file cannot be stored";
        unlink(partPath.c_str());
        return AddOutcome::Failed;
    }
    SyncFolder(folder_);
    KillPoint("after-book-file");

    BookClass bookClass = ClassForSubject(facts->subject);
    StoreIndex next = index_;
    next.books.push_back(StoredBook{newId, hash, bytes->size(), bookClass.key, bookClass.name, uniqueId, title});
    std::sort(next.books.begin(), next.books.end(),
              [](const StoredBook& a, const StoredBook& b) { return a.id < b.id; });
    next.nextId = static_cast<uint16_t>(newId % 0xFFFF + 1);
    if (!WriteIndex(next, error)) {
        unlink(bookPath.c_str());
        return AddOutcome::Failed;
    }
    KillPoint("after-index-rename");
    index_ = std::move(next);
    BuildClasses();
    *id = newId;
    return AddOutcome::Added;
}

bool Store::Delete(uint16_t id, std::string* error) {
    if (!FolderExists(folder_)) {
        *error = "no such book";
        return false;
    }
    FolderLock lock(folder_);
    LoadLocked(error);
    if (!Find(id)) {
        *error = "no such book";
        return false;
    }
    StoreIndex next = index_;
    std::erase_if(next.books, [&](const StoredBook& b) { return b.id == id; });
    if (!WriteIndex(next, error)) return false;
    KillPoint("delete-after-index-rename");
    unlink(BookPath(id).c_str());
    SyncFolder(folder_);
    index_ = std::move(next);
    BuildClasses();
    return true;
}

} // namespace tavrin::ebook
