#include "catalog_source.h"

#include "source_common.h"

#include "bookfmt/catalog_book.h"
#include "bookfmt/format.h"
#include "bookfmt/settings.h"
#include "bookfmt/text.h"

#include <array>
#include <optional>

namespace tavrin::bookc {
namespace {

namespace settings = book::settings;
using book::BookModel;
using book::ContentsNode;

constexpr size_t kMaxDepth = 64;
constexpr size_t kMaxKey = 35;      // the shelf keeps a catalog key in 36 bytes
constexpr size_t kMaxValue = 255;   // the shelf reads a value into 256 bytes
constexpr size_t kMaxClassKey = 32; // a class key sent to the host has at most 32 characters
constexpr size_t kMaxAddress = 259; // description addresses go into 260 bytes

// The CONFIG keys the shelf control reads, in the order they are written (a key that begins another
// must come first: the shelf matches keys by prefix).
constexpr const char* kReadKeys[] = {"ID",         "TEXTCOLOR", "BACKCOLOR", "CANNEWCATA",
                                     "CANADDBOOK", "RID",       "IDB"};

struct Catalog {
    Token at;
    std::string name;
    std::optional<std::string> id, rid, desc, textColor, backColor, canNewCata, canAddBook, idb;
    std::vector<settings::Line> extra;
    std::vector<std::pair<Token, settings::Line>> books;
    bool hasSettings = true;
    std::vector<Catalog> children;
    // Made when compiled.
    int32_t page = -1;
    book::Bytes pageBytes;
};

// Inserts a line before the first line whose key it begins (without regard to case), so that the
// shelf's prefix match finds every key at its own line.
void InsertOrdered(std::vector<settings::Line>& lines, settings::Line line) {
    for (auto it = lines.begin(); it != lines.end(); ++it)
        if (it->key.size() > line.key.size() && book::StartsWithNoCase(it->key, line.key)) {
            lines.insert(it, std::move(line));
            return;
        }
    lines.push_back(std::move(line));
}

class CatalogParser {
  public:
    explicit CatalogParser(Lexer& lexer) : lexer_(lexer), state_(lexer) {}

    BookModel Parse() {
        Token header = lexer_.Next();
        if (!(header.Is("tavrin-catalog") && lexer_.Peek().Is("1")))
            Lexer::Fail(header,
                        "a catalog source begins with the line \"" + std::string(kCatalogHeader) + "\"");
        lexer_.Next();
        state_.ExpectLineEnd("the header");
        book_.kind = book::BookKind::ShelfCatalog;
        book_.bookClass = book::kClassBook;

        std::optional<Catalog> root;
        for (;;) {
            Token keyword = lexer_.Next();
            if (keyword.kind == TokenKind::End) break;
            if (keyword.kind != TokenKind::Word)
                Lexer::Fail(keyword, "expected a statement, found \"" + keyword.text + "\"");
            if (state_.CommonStatement(keyword, book_)) continue;
            if (keyword.Is("descurl")) {
                Token key = state_.Expect(TokenKind::String, "an online class key in quotes");
                state_.ExpectSymbol("=");
                Token address = state_.Expect(TokenKind::String, "the description address in quotes");
                AddDescription(key, state_.Encode(key), address, state_.Encode(address));
                state_.ExpectLineEnd("the address");
            } else if (keyword.Is("catalog")) {
                if (root)
                    Lexer::Fail(keyword,
                                "a second top-level catalog: the shelf has one root; put catalogs inside it");
                root = CatalogBlock(keyword, 0);
            } else {
                Lexer::Fail(keyword, "unknown statement \"" + keyword.text +
                                         "\" (codepage, serial, number, name, descurl, catalog)");
            }
        }
        if (!root)
            Lexer::Fail(lexer_.Peek(), "the source has no catalog: write catalog \"Shelf name\" { ... }");
        Compile(*root);
        return std::move(book_);
    }

  private:
    std::string Value(const char* what) {
        Token t = lexer_.Next();
        if (t.kind == TokenKind::String) return state_.Encode(t);
        if (t.kind == TokenKind::Word) return t.text;
        Lexer::Fail(t, std::string("expected ") + what + ", found " +
                           (t.kind == TokenKind::End ? "the end of the file" : "\"" + t.text + "\""));
    }

    // Up to `count` numbers from 0 to `max`, written back separated by blanks.
    std::string Numbers(int count, uint64_t max, const char* what) {
        std::string text;
        for (int i = 0; i < count; ++i) {
            Token t = state_.Expect(TokenKind::Word, what);
            text += (i ? " " : "") + std::to_string(NumberOf(t, max, what));
        }
        return text;
    }

    void Set(std::optional<std::string>& slot, const Token& keyword, std::string value) {
        if (slot) Lexer::Fail(keyword, "a second " + keyword.text + " for this catalog");
        slot = std::move(value);
    }

    Catalog CatalogBlock(const Token& keyword, size_t depth) {
        if (depth >= kMaxDepth)
            Lexer::Fail(keyword, "catalogs nested deeper than " + std::to_string(kMaxDepth) + " levels");
        Catalog c;
        c.at = state_.Expect(TokenKind::String, "the catalog's name in quotes");
        c.name = state_.Encode(c.at);
        if (c.name.empty() || c.name.size() > book::format::kMaxEntryText)
            Lexer::Fail(c.at, "a catalog name must have 1 to 227 bytes in the book's code page");
        if (c.name.find('\0') != std::string::npos)
            Lexer::Fail(c.at, "a catalog name may not hold a zero byte");
        state_.ExpectSymbol("{");
        for (;;) {
            Token t = lexer_.Next();
            if (t.Is("}")) break;
            if (t.kind == TokenKind::End)
                Lexer::Fail(c.at, "the catalog \"" + c.at.text + "\" is not closed by }");
            if (t.Is("catalog")) {
                c.children.push_back(CatalogBlock(t, depth + 1));
                continue;
            }
            if (t.Is("nosettings")) {
                c.hasSettings = false;
                continue;
            }
            if (t.Is("books")) {
                BooksBlock(c);
                continue;
            }
            if (t.kind != TokenKind::Word)
                Lexer::Fail(t, "expected a catalog setting, found \"" + t.text + "\"");
            if (t.Is("set")) {
                Token key = state_.Expect(TokenKind::Word, "a key");
                state_.ExpectSymbol("=");
                std::string value = Value("a value");
                for (const char* known :
                     {"ID", "TEXTCOLOR", "BACKCOLOR", "CANNEWCATA", "CANADDBOOK", "RID", "IDB"})
                    if (book::EqualsNoCase(key.text, known))
                        Lexer::Fail(key, "write " + key.text + " with its own statement, not with set");
                for (const settings::Line& l : c.extra)
                    if (book::EqualsNoCase(l.key, key.text))
                        Lexer::Fail(key, "a second " + key.text + " for this catalog");
                CheckValue(key, value);
                c.extra.push_back({key.text, value});
                continue;
            }
            state_.ExpectSymbol("=");
            if (t.Is("id")) {
                std::string id = Value("the catalog key");
                if (id.size() > kMaxKey) Lexer::Fail(t, "a catalog key has at most 35 characters");
                CheckValue(t, id);
                Set(c.id, t, id);
            } else if (t.Is("textcolor")) {
                Set(c.textColor, t, Numbers(3, 255, "a colour component (red green blue)"));
            } else if (t.Is("backcolor")) {
                Set(c.backColor, t, Numbers(3, 255, "a colour component (red green blue)"));
            } else if (t.Is("cannewcata")) {
                Set(c.canNewCata, t, Numbers(1, 0xFFFFFFFF, "a number"));
            } else if (t.Is("canaddbook")) {
                Set(c.canAddBook, t, Numbers(1, 0xFFFFFFFF, "a number"));
            } else if (t.Is("rid")) {
                std::string rid = Value("the linked resource");
                CheckValue(t, rid);
                Set(c.rid, t, rid);
            } else if (t.Is("idb")) {
                Set(c.idb, t, Numbers(4, 0xFFFF, "a bitmap resource id (four of them)"));
            } else if (t.Is("desc")) {
                Token address = state_.Expect(TokenKind::String, "the description address in quotes");
                Set(c.desc, t, state_.Encode(address));
                descTokens_.push_back(address);
            } else {
                Lexer::Fail(
                    t,
                    "unknown catalog setting \"" + t.text +
                        "\" (id, textcolor, backcolor, cannewcata, canaddbook, rid, idb, desc, set, books, "
                        "nosettings, catalog)");
            }
            state_.ExpectLineEnd(t.text.c_str());
        }
        if (c.desc) {
            if (!c.id) Lexer::Fail(c.at, "a catalog with desc needs an id: the address belongs to that key");
            AddDescription(c.at, *c.id, descTokens_.back(), *c.desc);
        }
        return c;
    }

    void BooksBlock(Catalog& c) {
        state_.ExpectSymbol("{");
        for (;;) {
            Token file = lexer_.Next();
            if (file.Is("}")) return;
            if (file.kind != TokenKind::String)
                Lexer::Fail(file, "expected a book file name in quotes, found \"" + file.text + "\"");
            std::string name = state_.Encode(file);
            if (name.empty() || name.find_first_of("/\\") != std::string::npos)
                Lexer::Fail(file, "a book file is named without its folder");
            state_.ExpectSymbol("=");
            std::string order = Value("the book's order (1 = first in its catalog)");
            CheckValue(file, name);
            CheckValue(file, order);
            if (name.find_first_of("[]=") != std::string::npos)
                Lexer::Fail(file, "a book file name listed in a catalog may not hold [, ] or =");
            for (const auto& [at, line] : c.books)
                if (book::EqualsNoCase(line.key, name))
                    Lexer::Fail(file, "the book file is listed twice in this catalog");
            c.books.push_back({file, {name, order}});
        }
    }

    void CheckValue(const Token& at, const std::string& value) {
        if (value.size() > kMaxValue) Lexer::Fail(at, "a setting has at most 255 bytes");
        for (char ch : value)
            if (static_cast<uint8_t>(ch) == 0xFF || ch == '\r' || ch == '\n' || ch == '\0')
                Lexer::Fail(at, "a setting may not hold a line end (0xFF, CR, LF) or a zero byte");
    }

    void AddDescription(const Token& at, const std::string& key, const Token& addressToken,
                        const std::string& address) {
        if (key.empty() || key.size() > kMaxClassKey)
            Lexer::Fail(at, "an online class key has 1 to 32 characters");
        if (key.find_first_of("[]=") != std::string::npos)
            Lexer::Fail(at, "an online class key may not hold [, ] or =");
        if (address.empty() || address.size() > kMaxAddress)
            Lexer::Fail(addressToken, "a description address has 1 to 259 bytes");
        CheckValue(addressToken, key);
        CheckValue(addressToken, address);
        for (const settings::Line& l : descriptions_)
            if (book::EqualsNoCase(l.key, key))
                Lexer::Fail(at, "a second description address for \"" + key + "\"");
        descriptions_.push_back({key, address});
    }

    settings::Text SettingsOf(const Catalog& c, bool isRoot) {
        std::vector<settings::Line> config;
        // Keys the shelf reads are always written when they have a "none" value, so that a lookup never
        // runs on into a later section and matches a book file name there.
        config.push_back({"ID", c.id.value_or("")});
        // NAME is for people reading the page (set NAME replaces it); a name with brackets could pass
        // for a section header and is left out.
        bool ownName = false;
        for (const settings::Line& line : c.extra)
            ownName = ownName || book::EqualsNoCase(line.key, "NAME");
        if (!ownName && c.name.find_first_of("[]") == std::string::npos) config.push_back({"NAME", c.name});
        if (c.textColor) config.push_back({"TEXTCOLOR", *c.textColor});
        if (c.backColor) config.push_back({"BACKCOLOR", *c.backColor});
        config.push_back({"CANNEWCATA", c.canNewCata.value_or("0")});
        config.push_back({"CANADDBOOK", c.canAddBook.value_or("0")});
        config.push_back({"RID", c.rid.value_or("0")});
        if (c.idb) config.push_back({"IDB", *c.idb});
        std::vector<settings::Line> ordered;
        for (settings::Line& line : config)
            InsertOrdered(ordered, line);
        for (const settings::Line& line : c.extra)
            InsertOrdered(ordered, line);
        settings::Text text{{"CONFIG", ordered}};
        if (isRoot && !descriptions_.empty()) {
            std::vector<settings::Line> lines;
            for (const settings::Line& line : descriptions_)
                InsertOrdered(lines, line);
            text.push_back({std::string(book::kDescriptionSection), lines});
        }
        if (!c.books.empty()) {
            std::vector<settings::Line> lines;
            for (const auto& [at, line] : c.books)
                InsertOrdered(lines, line);
            text.push_back({"BOOKS", lines});
        }
        return text;
    }

    // Checks that the shelf reads back every setting of the catalog as the source gave it.
    void VerifyReadBack(const Catalog& c) {
        book::ByteView page(c.pageBytes);
        auto expectValue = [&](const std::string& key, const std::optional<std::string>& want) {
            std::optional<std::string> got = settings::ShelfLookup(page, "CONFIG", key);
            if (got != want)
                Lexer::Fail(c.at, "the shelf would read " + key + " of this catalog as " +
                                      (got ? "\"" + *got + "\"" : std::string("missing")) + " instead of " +
                                      (want ? "\"" + *want + "\"" : std::string("missing")) +
                                      ": a key of a later line begins with " + key);
        };
        expectValue("ID", c.id.value_or(""));
        expectValue("TEXTCOLOR", c.textColor);
        expectValue("BACKCOLOR", c.backColor);
        expectValue("CANNEWCATA", c.canNewCata.value_or("0"));
        expectValue("CANADDBOOK", c.canAddBook.value_or("0"));
        expectValue("RID", c.rid.value_or("0"));
        expectValue("IDB", c.idb);
        for (const settings::Line& line : c.extra)
            expectValue(line.key, line.value);
        for (const auto& [at, line] : c.books)
            if (settings::ShelfLookup(page, "BOOKS", line.key) != line.value)
                Lexer::Fail(
                    at, "the shelf would not read this book's order back: another line begins with its name");
    }

    // Pre-order: the contents entries, pages and checks of a catalog and everything below it.
    void Build(Catalog& c, ContentsNode& node, bool isRoot, std::vector<Catalog*>& order) {
        node.text = c.name;
        order.push_back(&c);
        if (c.hasSettings) {
            settings::Text text = SettingsOf(c, isRoot);
            if (std::string problem = settings::Check(text); !problem.empty()) Lexer::Fail(c.at, problem);
            c.pageBytes = settings::FormatPage(text);
            c.page = static_cast<int32_t>(book_.pages.size());
            node.page = c.page;
            book_.pages.emplace_back(c.pageBytes.begin(), c.pageBytes.end());
            VerifyReadBack(c);
        } else if (isRoot && !descriptions_.empty()) {
            Lexer::Fail(c.at, "the root catalog keeps the description addresses and needs its settings");
        }
        node.children.resize(c.children.size());
        for (size_t i = 0; i < c.children.size(); ++i)
            Build(c.children[i], node.children[i], false, order);
    }

    void Compile(Catalog& root) {
        std::vector<Catalog*> order;
        Build(root, book_.root, true, order);
        book_.hasContents = true;
        book_.caps = book::kCapContents;
        if (book_.names.empty()) book_.names.push_back({3, root.name.substr(0, book::format::kMaxName)});

        // The shelf puts a registered book file into the first catalog below the root, in pre-order,
        // whose BOOKS section matches the file name by prefix: each listed file must land where it is
        // listed.
        for (Catalog* listing : order)
            for (const auto& [at, line] : listing->books)
                for (Catalog* c : order) {
                    if (c == &root || c->pageBytes.empty()) continue;
                    if (!settings::ShelfLookup(c->pageBytes, "BOOKS", line.key)) continue;
                    if (c != listing)
                        Lexer::Fail(at, "the shelf would place \"" + at.text + "\" in the catalog \"" +
                                            c->at.text + "\" (line " + std::to_string(c->at.line) +
                                            "), whose list has a file name that begins with this one");
                    break;
                }
        if (!root.books.empty())
            Lexer::Fail(root.books.front().first,
                        "the shelf never places books in its root: list them in a catalog");
    }

    Lexer& lexer_;
    SourceState state_;
    BookModel book_;
    std::vector<settings::Line> descriptions_;
    std::vector<Token> descTokens_;
};

} // namespace

BuildResult ParseCatalogSource(std::string_view source, const std::string& fileName) {
    BuildResult result;
    try {
        Lexer lexer(source);
        result.book = CatalogParser(lexer).Parse();
    } catch (const SourceError& e) {
        result.error = FormatError(fileName, e);
    }
    return result;
}

} // namespace tavrin::bookc
