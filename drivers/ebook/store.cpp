// Changing the store: adding and deleting books, writing the index, and what follows from the index
// (the classes and their description pages). The kill points of the crash tests are all here.
#include "ebook/store.h"

#include "ebook/book_class.h"
#include "ebook/durable_file.h"
#include "ebook/epub_book.h"
#include "ebook/limits.h"
#include "ebook/store_problem.h"
#include "ebook/stored_book.h"
#include "ebook/test_hooks.h"
#include "ebook/text_util.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <span>
#include <sys/stat.h>
#include <unistd.h>

#ifdef TAVRIN_EBOOK_TEST_HOOKS
#include <csignal>
#endif

namespace tavrin::ebook {
namespace {

constexpr const char* kIndexName = "index";
constexpr const char* kIndexTemp = "index.tmp";

// The file name of `path` without its folder and extension.
std::string FileStem(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

} // namespace

#ifdef TAVRIN_EBOOK_TEST_HOOKS
void KillPoint(const char* point) {
    const char* wanted = std::getenv("TAVRIN_EBOOK_TEST_KILL");
    if (wanted && std::strcmp(wanted, point) == 0) raise(SIGKILL);
}
#endif

const StoredBook* Store::Find(uint16_t id) const {
    auto it = std::lower_bound(index_.books.begin(), index_.books.end(), id,
                               [](const StoredBook& b, uint16_t value) { return b.id < value; });
    return it != index_.books.end() && it->id == id ? &*it : nullptr;
}

std::string Store::BookPath(uint16_t id) const {
    return folder_ + "/" + std::to_string(id) + ".epub";
}

void Store::BuildClasses() {
    classes_.clear();
    for (const StoredBook& book : index_.books) {
        // An index written by hand may leave a book without a class: it goes to the default one.
        const std::string key = book.classKey.empty() ? std::string(kDefaultClassKey) : book.classKey;
        auto it = std::find_if(classes_.begin(), classes_.end(),
                               [&](const StoreClassView& c) { return FoldAscii(c.key) == FoldAscii(key); });
        if (it == classes_.end()) {
            std::string name = book.className.empty() ? std::string(kDefaultClassName) : book.className;
            classes_.push_back(StoreClassView{std::move(name), key, {}});
            it = classes_.end() - 1;
        }
        it->bookIds.push_back(book.id);
    }
}

std::vector<ClassPage> Store::Pages() const {
    std::vector<ClassPage> pages;
    for (const StoreClassView& c : classes_) {
        ClassPage page{c.key, c.name, {}};
        for (uint16_t id : c.bookIds)
            page.titles.push_back(Find(id)->title);
        pages.push_back(std::move(page));
    }
    return pages;
}

void Store::UpdateDescriptions() {
    const std::vector<ClassPage> pages = Pages();
    for (const ClassPage& page : pages) {
        std::string error;
        if (!WriteDescriptionPage(folder_, page, &error)) ReportStore(error);
    }
    RemoveStaleDescriptionPages(folder_, pages);
}

bool Store::DescriptionAddress(std::string_view key, std::string* address, std::string* error) {
    const std::vector<ClassPage> pages = Pages();
    auto it = std::find_if(pages.begin(), pages.end(),
                           [&](const ClassPage& p) { return FoldAscii(p.key) == FoldAscii(key); });
    if (it == pages.end()) {
        *error = "the e-book store has no class " + std::string(key);
        return false;
    }
    {
        FolderLock lock(folder_);
        if (!lock.Held()) {
            *error = lock.Why();
        } else if (!WriteDescriptionPage(folder_, *it, error)) {
            return false;
        }
    }
    // Without the lock a page written before still serves, if it is the driver's own.
    const std::string file = DescriptionFileName(it->key);
    if (!IsOwnDescriptionPage(folder_, file)) return false;
    char real[PATH_MAX];
    const std::string path = folder_ + "/" + std::string(kDescriptionFolder) + "/" + file;
    if (!realpath(path.c_str(), real)) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    *address = FileAddress(real);
    return true;
}

bool Store::WriteIndex(const StoreIndex& index, std::string* error) {
    const std::string temp = folder_ + "/" + kIndexTemp;
    int code = 0;
    if (!WriteFileSynced(temp, FormatIndex(index), &code)) {
        *error = DescribeStoreWrite(code, folder_, temp);
        unlink(temp.c_str());
        return false;
    }
    TAVRIN_KILL_POINT("before-index-rename");
    const std::string path = folder_ + "/" + kIndexName;
    if (rename(temp.c_str(), path.c_str()) != 0) {
        *error = DescribeStoreWrite(errno, folder_, path);
        unlink(temp.c_str());
        return false;
    }
    SyncFolder(folder_);
    return true;
}

AddOutcome Store::Add(const std::string& path, uint16_t* id, std::string* error) {
    std::string why;
    int code = 0;
    auto bytes = ReadWholeFile(path, kMaxBookFileSize, &why, &code);
    if (!bytes) {
        *error = code == EFBIG ? path + " is larger than " + std::to_string(kMaxBookFileSize >> 20) +
                                     " MB, the largest book the e-book store takes"
                               : why;
        return AddOutcome::NotABook;
    }
    std::span<const unsigned char> view(reinterpret_cast<const unsigned char*>(bytes->data()), bytes->size());
    auto facts = InspectBook(view, &why);
    if (!facts) {
        *error = path + ": " + why;
        return AddOutcome::NotABook;
    }

    const std::string cannot = path + " cannot be added to the e-book store: ";
    std::string failedPath;
    if (!MakeFolders(folder_, &code, &failedPath)) {
        *error = cannot + DescribeStoreWrite(code, folder_, failedPath);
        return AddOutcome::Failed;
    }
    FolderLock lock(folder_);
    if (!lock.Held()) {
        *error = cannot + lock.Why();
        return AddOutcome::Failed;
    }
    LoadLocked(true);

    StoredBook entry = MakeStoredBook(0, *bytes, *facts, FileStem(path));
    const std::string packageTitle = StoredText(facts->title);
    for (const StoredBook& book : index_.books) {
        bool sameBytes = book.hash == entry.hash && book.size == entry.size;
        // The same package identifier and title (identifiers alone are not always unique); an untitled
        // package is known by its identifier.
        bool sameBook = !entry.uniqueId.empty() && book.uniqueId == entry.uniqueId &&
                        (packageTitle.empty() || book.title == packageTitle);
        if (sameBytes || sameBook) {
            *id = book.id;
            return AddOutcome::AlreadyStored;
        }
    }

    // The first free id from the index's "next", so an id is not given out again soon after its book
    // was deleted; an id whose file is there (one that could not be taken in) is not free.
    for (uint32_t n = 0, candidate = index_.nextId; n < 0xFFFF && entry.id == 0;
         ++n, candidate = candidate % 0xFFFF + 1)
        if (!Find(static_cast<uint16_t>(candidate)) && !Exists(BookPath(static_cast<uint16_t>(candidate))))
            entry.id = static_cast<uint16_t>(candidate);
    if (entry.id == 0) {
        *error = cannot + "the store holds 65535 books, as many as it can";
        return AddOutcome::Failed;
    }
    StoreIndex next = index_;
    next.books.insert(std::upper_bound(next.books.begin(), next.books.end(), entry,
                                       [](const StoredBook& a, const StoredBook& b) { return a.id < b.id; }),
                      entry);
    next.nextId = static_cast<uint16_t>(entry.id % 0xFFFF + 1);
    // A book is never reported added when the index would not give it back.
    if (ParsedIndex back = ParseIndex(FormatIndex(next)); !back.Whole() || back.index != next) {
        *error = cannot + "its entry does not survive the store's index";
        return AddOutcome::Failed;
    }

    const std::string bookPath = BookPath(entry.id);
    const std::string partPath = bookPath + ".part";
    if (!WriteFileSynced(partPath, *bytes, &code) || !RenameNoReplace(partPath, bookPath, &code)) {
        *error = cannot + DescribeStoreWrite(code, folder_, bookPath);
        unlink(partPath.c_str());
        return AddOutcome::Failed;
    }
    SyncFolder(folder_);
    TAVRIN_KILL_POINT("after-book-file");

    if (!WriteIndex(next, &why)) {
        // Undo this add: the book file is the one it just wrote.
        unlink(bookPath.c_str());
        SyncFolder(folder_);
        *error = cannot + why;
        return AddOutcome::Failed;
    }
    TAVRIN_KILL_POINT("after-index-rename");
    index_ = std::move(next);
    BuildClasses();
    UpdateDescriptions();
    *id = entry.id;
    return AddOutcome::Added;
}

bool Store::Delete(uint16_t id, std::string* error) {
    if (!FolderExists(folder_)) {
        *error = "book " + std::to_string(id) + " is not in the e-book store " + folder_;
        return false;
    }
    FolderLock lock(folder_);
    if (!lock.Held()) {
        *error = "book " + std::to_string(id) + " cannot be deleted: " + lock.Why();
        return false;
    }
    LoadLocked(true);
    if (!Find(id)) {
        *error = "book " + std::to_string(id) + " is not in the e-book store " + folder_;
        return false;
    }
    // The file goes first: once it is gone the book is gone, and an index line whose file is missing
    // is left out when the store is next loaded.
    const std::string bookPath = BookPath(id);
    if (unlink(bookPath.c_str()) != 0 && errno != ENOENT) {
        *error = "book " + std::to_string(id) +
                 " cannot be deleted: " + DescribeStoreWrite(errno, folder_, bookPath);
        return false;
    }
    SyncFolder(folder_);
    TAVRIN_KILL_POINT("delete-after-book-file");
    StoreIndex next = index_;
    std::erase_if(next.books, [&](const StoredBook& b) { return b.id == id; });
    index_ = next;
    BuildClasses();
    UpdateDescriptions();
    if (!WriteIndex(next, error)) return false;
    TAVRIN_KILL_POINT("delete-after-index-rename");
    return true;
}

} // namespace tavrin::ebook
