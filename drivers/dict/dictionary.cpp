#include "dict/dictionary.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tavrin::dict {

namespace {

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// "00-database-utf8" or "00databaseutf8": the descriptive entry's name ("utf8"), else nothing.
std::optional<std::string> InfoName(std::string_view word) {
    if (word.empty() || word[0] != '0') return std::nullopt; // most headwords, at once
    if (word.substr(0, 12) == "00-database-") return std::string(word.substr(12));
    if (word.substr(0, 10) == "00database") return std::string(word.substr(10));
    return std::nullopt;
}

std::string WithoutDashes(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != '-') out.push_back(c);
    return out;
}

bool ReadWhole(const std::string& path, std::string& out, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        if (error) *error = path + ": cannot be opened: " + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return false;
    }
    out.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < out.size()) {
        const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    out.resize(got); // a file that shrank while read is read as far as it goes
    return true;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

} // namespace

std::optional<DictionaryFiles> FindDictionaryFiles(const std::string& path, std::string* error) {
    std::string stem;
    for (std::string_view suffix : {".index", ".dict.dz", ".dict"}) {
        if (EndsWith(path, suffix)) {
            stem = path.substr(0, path.size() - suffix.size());
            break;
        }
    }
    if (stem.empty()) {
        if (error) *error = path + ": not a dictionary file (NAME.index, NAME.dict.dz or NAME.dict)";
        return std::nullopt;
    }
    DictionaryFiles files;
    files.index = stem + ".index";
    if (!IsFile(files.index)) {
        if (error) *error = path + ": the dictionary's index " + files.index + " is missing";
        return std::nullopt;
    }
    if (IsFile(stem + ".dict.dz"))
        files.definitions = stem + ".dict.dz";
    else if (IsFile(stem + ".dict"))
        files.definitions = stem + ".dict";
    else {
        if (error)
            *error = path + ": the dictionary's definitions " + stem + ".dict.dz (or .dict) are missing";
        return std::nullopt;
    }
    const size_t slash = stem.find_last_of('/');
    files.stem = slash == std::string::npos ? stem : stem.substr(slash + 1);
    return files;
}

std::unique_ptr<Dictionary> Dictionary::Open(const std::string& path, std::string* error) {
    std::optional<DictionaryFiles> files = FindDictionaryFiles(path, error);
    if (!files) return nullptr;
    std::unique_ptr<Dictionary> d(new Dictionary);
    d->files_ = std::move(*files);
    std::string why;
    d->definitions_ = OpenDefinitions(d->files_.definitions, &why);
    if (!d->definitions_) {
        if (error) *error = d->files_.definitions + ": " + why;
        return nullptr;
    }
    std::string text;
    if (!ReadWhole(d->files_.index, text, error)) return nullptr;
    d->index_ = ParseIndex(std::move(text), d->definitions_->Size());
    if (!d->Build(error)) return nullptr;
    return d;
}

bool Dictionary::Build(std::string* error) {
    const std::vector<IndexEntry>& entries = index_.entries;
    std::vector<uint32_t> words;
    words.reserve(entries.size());
    for (uint32_t i = 0; i < entries.size(); ++i) {
        std::optional<std::string> info = InfoName(index_.Word(entries[i]));
        if (!info) {
            words.push_back(i);
            continue;
        }
        infoEntries_.push_back(i);
        const std::string flag = WithoutDashes(*info);
        if (flag == "allchars") order_.allChars = true;
        if (flag == "utf8") order_.utf8 = true;
        if (flag == "casesensitive") order_.caseSensitive = true;
    }
    if (words.empty()) {
        if (error) {
            *error = files_.index + ": no headword could be read";
            if (!index_.notes.empty()) *error += " (" + index_.notes.front() + ")";
        }
        return false;
    }
    auto word = [&](uint32_t entry) { return index_.Word(entries[entry]); };
    // The file's order is kept when it is the order of its headwords; else the headwords are put in it.
    // One comparison of each pair of neighbours tells both the order and where headwords fold alike.
    std::vector<int8_t> sameAsNext(words.size(), 0);
    bool sorted = true;
    for (size_t i = 0; i + 1 < words.size(); ++i) {
        const int c = CompareFolded(word(words[i]), word(words[i + 1]), order_);
        sameAsNext[i] = c == 0;
        if (c > 0) {
            sorted = false;
            break;
        }
    }
    if (!sorted) {
        std::stable_sort(words.begin(), words.end(),
                         [&](uint32_t a, uint32_t b) { return CompareFolded(word(a), word(b), order_) < 0; });
        for (size_t i = 0; i + 1 < words.size(); ++i)
            sameAsNext[i] = CompareFolded(word(words[i]), word(words[i + 1]), order_) == 0;
    }

    // One page per headword: the run of entries that fold alike is split by exact headword.
    pageEntries_.reserve(words.size());
    pageStarts_.reserve(words.size() + 1);
    for (size_t i = 0; i < words.size();) {
        size_t j = i + 1;
        while (j < words.size() && sameAsNext[j - 1])
            ++j;
        if (j - i == 1) {
            pageStarts_.push_back(static_cast<uint32_t>(pageEntries_.size()));
            pageEntries_.push_back(words[i]);
        } else {
            std::vector<bool> taken(j - i, false);
            for (size_t k = i; k < j; ++k) {
                if (taken[k - i]) continue;
                pageStarts_.push_back(static_cast<uint32_t>(pageEntries_.size()));
                for (size_t m = k; m < j; ++m) {
                    if (!taken[m - i] && word(words[m]) == word(words[k])) {
                        taken[m - i] = true;
                        pageEntries_.push_back(words[m]);
                    }
                }
            }
        }
        i = j;
    }
    pageStarts_.push_back(static_cast<uint32_t>(pageEntries_.size()));

    name_ = Describe("short");
    if (name_.empty()) name_ = files_.stem;
    url_ = Describe("url");
    return true;
}

std::string Dictionary::Describe(std::string_view what) const {
    for (uint32_t i : infoEntries_) {
        const IndexEntry& e = index_.entries[i];
        std::optional<std::string> info = InfoName(index_.Word(e));
        if (!info || WithoutDashes(*info) != what) continue;
        std::string text;
        if (!definitions_->Read(e.offset, e.length, text, nullptr)) return std::string();
        // The definition repeats the entry's name on its first line; the value is the first line after.
        std::string_view rest(text);
        while (!rest.empty()) {
            const size_t nl = rest.find('\n');
            std::string_view line = Trim(rest.substr(0, nl));
            rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
            if (line.empty() || InfoName(line)) continue;
            return std::string(line);
        }
        return std::string();
    }
    return std::string();
}

std::string_view Dictionary::PageWord(size_t page) const {
    if (page >= PageCount()) return {};
    return index_.Word(index_.entries[pageEntries_[pageStarts_[page]]]);
}

bool Dictionary::PageDefinitions(size_t page, std::string& out, std::string* error) const {
    if (page >= PageCount()) {
        if (error) *error = "no such page";
        return false;
    }
    for (uint32_t k = pageStarts_[page]; k < pageStarts_[page + 1]; ++k) {
        if (k > pageStarts_[page]) {
            if (!out.empty() && out.back() != '\n') out.push_back('\n');
            out.push_back('\n');
        }
        const IndexEntry& e = index_.entries[pageEntries_[k]];
        if (!definitions_->Read(e.offset, e.length, out, error)) return false;
    }
    return true;
}

std::vector<uint32_t> Dictionary::Lookup(std::string_view word) const {
    // The first page whose headword folds to `word` or after it.
    size_t low = 0, high = PageCount();
    while (low < high) {
        const size_t mid = low + (high - low) / 2;
        if (CompareFolded(PageWord(mid), word, order_) < 0)
            low = mid + 1;
        else
            high = mid;
    }
    std::vector<uint32_t> exact, folded;
    for (size_t p = low; p < PageCount() && CompareFolded(PageWord(p), word, order_) == 0; ++p)
        (PageWord(p) == word ? exact : folded).push_back(static_cast<uint32_t>(p));
    exact.insert(exact.end(), folded.begin(), folded.end());
    return exact;
}

} // namespace tavrin::dict
