// An open dictionary: its index, its definitions, and its headwords as pages.
//
// Files: "NAME.index" with "NAME.dict.dz" or "NAME.dict" beside it; any of the three names opens the
// dictionary. Each headword is a page, holding every definition the index gives for that exact
// headword; pages follow the index's order (headword_order.h). An index that is not in that order is
// put in it when opened, so that look-ups and contents still find every headword.
//
// The entries whose headwords begin with "00-database-" (or the older "00database") describe the
// dictionary: its name ("short"), its address ("url"), its order ("allchars", "utf8"). They are no
// pages.
#pragma once

#include "dict/definitions.h"
#include "dict/headword_order.h"
#include "dict/index_file.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin::dict {

struct DictionaryFiles {
    std::string index;
    std::string definitions;
    std::string stem; // the name both share ("gcide")
};

// The index and definitions files that `path` (either of them) belongs to; nothing, with the reason,
// when `path` has none of the three names or a file is missing.
std::optional<DictionaryFiles> FindDictionaryFiles(const std::string& path, std::string* error);

class Dictionary {
  public:
    // Opens the dictionary `path` belongs to; nothing, with the reason in *error (naming the file).
    static std::unique_ptr<Dictionary> Open(const std::string& path, std::string* error);

    const DictionaryFiles& Files() const { return files_; }
    const HeadwordOrder& Order() const { return order_; }
    // The dictionary's name (its "short" entry, else the file's stem), in UTF-8.
    const std::string& Name() const { return name_; }
    const std::string& Url() const { return url_; }
    // True when the definitions are UTF-8 (the "utf8" entry); else they are read as Latin-1 unless
    // they happen to be well-formed UTF-8.
    bool Utf8() const { return order_.utf8; }
    size_t LeftOut() const { return index_.leftOut; }
    const std::vector<std::string>& Notes() const { return index_.notes; }

    size_t PageCount() const { return pageStarts_.empty() ? 0 : pageStarts_.size() - 1; }
    // The headword of a page, as the index has it.
    std::string_view PageWord(size_t page) const;
    // The definitions of a page joined by a blank line, as the file holds them; false with the reason
    // when the definitions cannot be read.
    bool PageDefinitions(size_t page, std::string& out, std::string* error) const;

    // The pages of `word` (UTF-8, or the dictionary's bytes): those whose headword is `word` exactly,
    // then those whose headword folds to the same text, in page order.
    std::vector<uint32_t> Lookup(std::string_view word) const;

    // Whether the whole dictionary is being read page after page (a search), so that what was inflated
    // for one page is kept for the next; else only a little is kept.
    void ReadingAll(bool all) const { definitions_->ReadingAll(all); }

  private:
    Dictionary() = default;
    bool Build(std::string* error);
    std::string Describe(std::string_view what) const; // the text of a "00-database-..." entry

    DictionaryFiles files_;
    IndexFile index_;
    std::unique_ptr<Definitions> definitions_;
    HeadwordOrder order_;
    std::string name_, url_;
    std::vector<uint32_t> infoEntries_; // the entries that describe the dictionary
    std::vector<uint32_t> pageEntries_; // entry indices, page by page
    std::vector<uint32_t> pageStarts_;  // page p holds pageEntries_[pageStarts_[p], pageStarts_[p + 1])
};

} // namespace tavrin::dict
