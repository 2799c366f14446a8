#include "book_source.h"

#include "page_compiler.h"
#include "source_common.h"

#include "bookfmt/format.h"

#include <map>

namespace tavrin::bookc {
namespace {

using book::BookModel;
using book::ContentsNode;

// A contents entry's link to a page label, resolved once every page is known. The entry is found by
// its path of child indexes from the root: vectors move as they grow, so pointers would not last.
struct PendingLink {
    Token label;
    std::vector<size_t> path;
};

// Deeper contents are surely a mistake, and the parser recurses per level.
constexpr size_t kMaxDepth = 256;

class BookParser {
  public:
    BookParser(Lexer& lexer) : lexer_(lexer), state_(lexer) {}

    BookModel Parse() {
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
            if (state_.CommonStatement(keyword, book_)) continue;
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
        return std::move(book_);
    }

  private:
    void Class() {
        Token value =
            state_.Expect(TokenKind::Word, "a book class (ebook, book or a dictionary class number)");
        if (value.text == "ebook")
            book_.bookClass = book::kClassEbook;
        else if (value.text == "book")
            book_.bookClass = book::kClassBook;
        else
            book_.bookClass = static_cast<uint16_t>(NumberOf(value, 0xFFFF, "the book class"));
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
        book_.caps = caps;
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
        book_.dict = dict;
        dictLine_ = keyword;
    }

    void Contents(const Token& keyword) {
        if (contentsSeen_) Lexer::Fail(keyword, "a second contents block");
        contentsSeen_ = true;
        state_.ExpectSymbol("{");
        Entries(book_.root);
    }

    // Entries up to the closing "}" of their level.
    void Entries(ContentsNode& parent) {
        for (;;) {
            Token t = lexer_.Next();
            if (t.Is("}")) return;
            if (t.kind == TokenKind::End) Lexer::Fail(t, "the contents block is not closed by }");
            if (t.kind != TokenKind::String)
                Lexer::Fail(t, "expected a contents entry in quotes, found \"" + t.text + "\"");
            ContentsNode node;
            node.text = state_.Encode(t);
            if (node.text.size() > book::format::kMaxEntryText)
                Lexer::Fail(t, "the entry text has " + std::to_string(node.text.size()) +
                                   " bytes in the book's code page (at most 227)");
            if (node.text.find('\0') != std::string::npos)
                Lexer::Fail(t, "an entry text may not hold a zero byte");
            parent.children.push_back(std::move(node));
            ContentsNode& added = parent.children.back();
            if (lexer_.Peek().Is("->")) {
                lexer_.Next();
                std::vector<size_t> path = path_;
                path.push_back(parent.children.size() - 1);
                links_.push_back({state_.Expect(TokenKind::Word, "a page label after ->"), std::move(path)});
            }
            if (lexer_.Peek().Is("{")) {
                Token open = lexer_.Next();
                if (path_.size() >= kMaxDepth)
                    Lexer::Fail(open, "contents nested deeper than " + std::to_string(kMaxDepth) + " levels");
                path_.push_back(parent.children.size() - 1);
                Entries(added);
                path_.pop_back();
            }
        }
    }

    void Page(const Token& keyword) {
        Token label = state_.Expect(TokenKind::Word, "a page label");
        if (pageIndex_.count(label.text)) Lexer::Fail(label, "a second page labelled \"" + label.text + "\"");
        state_.ExpectLineEnd("the page label");
        std::vector<BodyLine> body;
        for (;;) {
            int line = 0;
            std::optional<std::string> text = lexer_.RawLine(&line);
            if (!text)
                Lexer::Fail(keyword, "the page \"" + label.text + "\" is not closed by a line \"endpage\"");
            std::string trimmed = *text;
            while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t'))
                trimmed.pop_back();
            size_t lead = trimmed.find_first_not_of(" \t");
            if (lead != std::string::npos && trimmed.substr(lead) == "endpage") break;
            body.push_back({line, *text});
        }
        pageIndex_[label.text] = static_cast<int32_t>(book_.pages.size());
        book_.pages.push_back(CompilePage(state_, body, keyword.line));
    }

    void Finish() {
        for (const PendingLink& link : links_) {
            auto it = pageIndex_.find(link.label.text);
            if (it == pageIndex_.end())
                Lexer::Fail(link.label, "no page is labelled \"" + link.label.text + "\"");
            ContentsNode* node = &book_.root;
            for (size_t index : link.path)
                node = &node->children[index];
            node->page = it->second;
        }
        if (book_.names.empty())
            Lexer::Fail(lexer_.Peek(), "the book has no name: add a line name <locale> \"...\"");
        book_.hasContents = contentsSeen_;
        if (!capsGiven_ && contentsSeen_ && !book_.root.children.empty()) book_.caps |= book::kCapContents;
        bool dictionary = book_.bookClass != book::kClassEbook && book_.bookClass != book::kClassBook;
        if (dictionary && !book_.dict)
            Lexer::Fail(classLine_, "a dictionary (class " + std::to_string(book_.bookClass) +
                                        ") needs a dict line: dict low=N high=N class=N");
        if (!dictionary && book_.dict)
            Lexer::Fail(
                dictLine_,
                "dict attributes are read only for dictionaries; set the class to the dictionary's class");
    }

    Lexer& lexer_;
    SourceState state_;
    BookModel book_;
    bool contentsSeen_ = false;
    bool capsGiven_ = false;
    Token classLine_, dictLine_;
    std::map<std::string, int32_t> pageIndex_;
    std::vector<PendingLink> links_;
    std::vector<size_t> path_;
};

} // namespace

BuildResult ParseBookSource(std::string_view source, const std::string& fileName) {
    BuildResult result;
    try {
        Lexer lexer(source);
        result.book = BookParser(lexer).Parse();
    } catch (const SourceError& e) {
        result.error = FormatError(fileName, e);
    }
    return result;
}

} // namespace tavrin::bookc
