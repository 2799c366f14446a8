#include "book_source.h"

#include "label_table.h"
#include "page_compiler.h"
#include "source_common.h"

#include "bookfmt/format.h"
#include "bookfmt/writer_file.h"

#include <deque>

namespace tavrin::bookc {
namespace {

using book::BookModel;
using book::ContentsNode;
using book::ContentsTable;

// Where the parser puts each page it compiles.
class PageSink {
  public:
    virtual ~PageSink() = default;
    virtual void Page(std::string_view bytes) = 0;
};

// A contents entry's link to a page label, resolved once every page is known.
struct PendingLink {
    uint32_t label = 0; // in the parser's LabelTable
    int line = 0;
    int column = 0;
    uint32_t entry = 0;
};

// Deeper contents are surely a mistake, and the parser recurses per level.
constexpr size_t kMaxDepth = 256;

// True for the line that ends a page body: "endpage", blanks around it allowed.
bool IsEndPage(std::string_view line) {
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) return false;
    size_t last = line.find_last_not_of(" \t");
    return line.substr(first, last + 1 - first) == "endpage";
}

class BookParser {
  public:
    BookParser(Lexer& lexer, PageSink& pages)
        : lexer_(lexer), state_(lexer), pages_(pages), compiler_(state_) {}

    // Reads the whole source; throws SourceError at the first problem.
    void Parse() {
        Token header = lexer_.Next();
        if (!(header.Is("tavrin-book") && lexer_.Peek().Is("1")))
            Lexer::Fail(header, "a book source begins with the line \"" + std::string(kBookHeader) + "\"");
        lexer_.Next();
        state_.ExpectLineEnd("the header");

        for (;;) {
            Token keyword = lexer_.Next();
            if (keyword.kind == TokenKind::End) break;
            if (keyword.kind != TokenKind::Word)
                Lexer::Fail(keyword, "expected a statement, found \"" + keyword.text + "\"");
            if (state_.CommonStatement(keyword, identity_)) continue;
            if (keyword.Is("class"))
                Class();
            else if (keyword.Is("caps"))
                Caps(keyword);
            else if (keyword.Is("dict"))
                Dict(keyword);
            else if (keyword.Is("contents"))
                Contents(keyword);
            else if (keyword.Is("page"))
                Page(keyword);
            else
                Lexer::Fail(keyword,
                            "unknown statement \"" + keyword.text +
                                "\" (codepage, serial, number, name, class, caps, dict, contents, page)");
        }
        Finish();
    }

    const book::BookIdentity& Identity() const { return identity_; }
    const ContentsTable& Contents() const { return contents_; }

  private:
    void Class() {
        Token value =
            state_.Expect(TokenKind::Word, "a book class (ebook, book or a dictionary class number)");
        if (value.text == "ebook")
            identity_.bookClass = book::kClassEbook;
        else if (value.text == "book")
            identity_.bookClass = book::kClassBook;
        else
            identity_.bookClass = static_cast<uint16_t>(NumberOf(value, 0xFFFF, "the book class"));
        classLine_ = value;
        state_.ExpectLineEnd("the class");
    }

    void Caps(const Token& keyword) {
        uint16_t caps = 0;
        if (lexer_.AtLineEnd())
            Lexer::Fail(keyword, "caps needs at least one capability (contents, hide-contents-page)");
        while (!lexer_.AtLineEnd()) {
            Token t = state_.Expect(TokenKind::Word, "a capability");
            if (t.text == "contents")
                caps |= book::kCapContents;
            else if (t.text == "hide-contents-page")
                caps |= book::kCapHideContentsPage;
            else if (t.text == "none")
                caps |= 0;
            else if (t.text == "shared-html")
                Lexer::Fail(t,
                            "shared-html is for the shared HTML e-book driver, not for books of this format");
            else
                Lexer::Fail(t, "unknown capability \"" + t.text + "\" (contents, hide-contents-page, none)");
        }
        capsGiven_ = true;
        identity_.caps = caps;
    }

    void Dict(const Token& keyword) {
        book::DictAttributes dict;
        bool low = false, high = false;
        while (!lexer_.AtLineEnd()) {
            Token name = state_.Expect(TokenKind::Word, "low=, high= or class=");
            state_.ExpectSymbol("=");
            Token value = state_.Expect(TokenKind::Word, "a number");
            if (name.text == "low") {
                dict.idLow = static_cast<uint8_t>(NumberOf(value, 0xFF, "low"));
                low = true;
            } else if (name.text == "high") {
                dict.idHigh = static_cast<uint8_t>(NumberOf(value, 0xFF, "high"));
                high = true;
            } else if (name.text == "class") {
                dict.classNo = static_cast<uint16_t>(NumberOf(value, 0xFF, "class"));
            } else {
                Lexer::Fail(name, "unknown dictionary attribute \"" + name.text + "\" (low, high, class)");
            }
        }
        if (!low || !high) Lexer::Fail(keyword, "dict needs low= and high= (the bytes of the dictionary id)");
        identity_.dict = dict;
        dictLine_ = keyword;
    }

    void Contents(const Token& keyword) {
        if (contentsSeen_) Lexer::Fail(keyword, "a second contents block");
        contentsSeen_ = true;
        state_.ExpectSymbol("{");
        contents_.Open("", -1); // the root
        Entries(0);
        contents_.Close();
    }

    // Entries up to the closing "}" of their level, `depth` levels below the root's.
    void Entries(size_t depth) {
        for (;;) {
            Token t = lexer_.Next();
            if (t.Is("}")) return;
            if (t.kind == TokenKind::End) Lexer::Fail(t, "the contents block is not closed by }");
            if (t.kind != TokenKind::String)
                Lexer::Fail(t, "expected a contents entry in quotes, found \"" + t.text + "\"");
            std::string text = state_.Encode(t);
            if (text.size() > book::format::kMaxEntryText)
                Lexer::Fail(t, "the entry text has " + std::to_string(text.size()) +
                                   " bytes in the book's code page (at most 227)");
            if (text.find('\0') != std::string::npos)
                Lexer::Fail(t, "an entry text may not hold a zero byte");
            uint32_t entry = contents_.Open(text, -1);
            if (lexer_.Peek().Is("->")) {
                lexer_.Next();
                Token label = state_.Expect(TokenKind::Word, "a page label after ->");
                links_.push_back({labels_.Intern(label.text), label.line, label.column, entry});
            }
            if (lexer_.Peek().Is("{")) {
                Token open = lexer_.Next();
                if (depth >= kMaxDepth)
                    Lexer::Fail(open, "contents nested deeper than " + std::to_string(kMaxDepth) + " levels");
                Entries(depth + 1);
            }
            contents_.Close();
        }
    }

    void Page(const Token& keyword) {
        Token label = state_.Expect(TokenKind::Word, "a page label");
        const uint32_t labelId = labels_.Intern(label.text);
        if (labels_.Page(labelId) >= 0) Lexer::Fail(label, "a second page labelled \"" + label.text + "\"");
        state_.ExpectLineEnd("the page label");
        // The body is compiled as it is read. A problem in it is reported once the page is known to
        // end: a page that is not closed is reported as such, whatever its lines hold.
        compiler_.Begin(keyword.line);
        std::optional<SourceError> problem;
        for (;;) {
            int line = 0;
            const std::string* text = lexer_.RawLine(&line);
            if (!text)
                Lexer::Fail(keyword, "the page \"" + label.text + "\" is not closed by a line \"endpage\"");
            if (IsEndPage(*text)) break;
            if (problem) continue;
            try {
                compiler_.AddLine(line, *text);
            } catch (const SourceError& e) {
                problem = e;
            }
        }
        if (problem) throw *problem;
        const std::string& bytes = compiler_.Finish();
        labels_.SetPage(labelId, pageCount_++);
        pages_.Page(bytes);
    }

    void Finish() {
        for (const PendingLink& link : links_) {
            int32_t page = labels_.Page(link.label);
            if (page < 0)
                throw SourceError(link.line, link.column,
                                  "no page is labelled \"" + std::string(labels_.Text(link.label)) + "\"");
            contents_.SetPage(link.entry, page);
        }
        if (identity_.names.empty())
            Lexer::Fail(lexer_.Peek(), "the book has no name: add a line name <locale> \"...\"");
        if (!capsGiven_ && contentsSeen_ && contents_.Size() > 1) identity_.caps |= book::kCapContents;
        bool dictionary = identity_.bookClass != book::kClassEbook && identity_.bookClass != book::kClassBook;
        if (dictionary && !identity_.dict)
            Lexer::Fail(classLine_, "a dictionary (class " + std::to_string(identity_.bookClass) +
                                        ") needs a dict line: dict low=N high=N class=N");
        if (!dictionary && identity_.dict)
            Lexer::Fail(
                dictLine_,
                "dict attributes are read only for dictionaries; set the class to the dictionary's class");
    }

    Lexer& lexer_;
    SourceState state_;
    PageSink& pages_;
    PageCompiler compiler_;
    book::BookIdentity identity_;
    ContentsTable contents_;
    bool contentsSeen_ = false;
    bool capsGiven_ = false;
    Token classLine_, dictLine_;
    LabelTable labels_;
    int32_t pageCount_ = 0;
    std::deque<PendingLink> links_; // a deque: a long list grows without moving what it holds
};

// The contents tree of a table (entries in pre-order, each after its parent).
ContentsNode TreeOf(const ContentsTable& table) {
    ContentsNode root;
    std::vector<std::pair<uint32_t, ContentsNode*>> path; // the entry and its ancestors
    table.ForEachEntry([&](size_t i, const ContentsTable::Entry& entry, std::string_view text) {
        ContentsNode* node = &root;
        if (i > 0) {
            while (path.back().first != entry.parent)
                path.pop_back();
            node = &path.back().second->children.emplace_back();
        }
        node->text = std::string(text);
        node->page = entry.page;
        path.emplace_back(static_cast<uint32_t>(i), node);
    });
    return root;
}

class ModelPages : public PageSink {
  public:
    void Page(std::string_view bytes) override { pages.emplace_back(bytes); }
    std::vector<std::string> pages;
};

// A page the writer refuses or cannot write is reported once the source has been read whole, as
// problems in the source come first; the writer refuses every later page.
class FilePages : public PageSink {
  public:
    explicit FilePages(book::BookFileWriter& writer) : writer_(writer) {}
    void Page(std::string_view bytes) override { writer_.AddPage(bytes); }

  private:
    book::BookFileWriter& writer_;
};

} // namespace

BuildResult ParseBookSource(std::string_view source, const std::string& fileName) {
    BuildResult result;
    try {
        Lexer lexer(source);
        ModelPages pages;
        BookParser parser(lexer, pages);
        parser.Parse();
        BookModel book;
        static_cast<book::BookIdentity&>(book) = parser.Identity();
        book.hasContents = parser.Contents().Size() > 0;
        book.root = TreeOf(parser.Contents());
        book.pages = std::move(pages.pages);
        result.book = std::move(book);
    } catch (const SourceError& e) {
        result.error = FormatError(fileName, e);
    }
    return result;
}

std::string BuildBookFile(LineReader& source, const std::string& fileName, const std::string& outputPath,
                          size_t writeBuffer) {
    book::BookFileWriter writer(outputPath, writeBuffer);
    FilePages pages(writer);
    try {
        Lexer lexer(source);
        BookParser parser(lexer, pages);
        parser.Parse();
        if (source.Failed()) return "cannot read " + fileName;
        if (!writer.Error().empty()) return outputPath + ": " + writer.Error();
        if (!writer.Finish(parser.Identity(), parser.Contents())) return outputPath + ": " + writer.Error();
        return {};
    } catch (const SourceError& e) {
        // A source that could not be read whole is not the source: say so, not what its end lacks.
        if (source.Failed()) return "cannot read " + fileName;
        return FormatError(fileName, e);
    }
}

} // namespace tavrin::bookc
