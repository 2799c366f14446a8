#include "lexer.h"

#include <algorithm>
#include <cctype>

namespace tavrin::bookc {
namespace {

bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == ':' || c == '+' ||
           c == '-' || c == '/';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Scans one token of `text` at `pos` (whitespace and comments already skipped). `line` and `base` place
// it in the source for errors.
Token ScanToken(std::string_view text, size_t& pos, int line, int base) {
    Token token;
    token.line = line;
    token.column = base + static_cast<int>(pos) + 1;
    char c = text[pos];
    if (c == '{' || c == '}' || c == '=') {
        token.kind = TokenKind::Symbol;
        token.text = std::string(1, c);
        ++pos;
        return token;
    }
    if (c == '-' && pos + 1 < text.size() && text[pos + 1] == '>') {
        token.kind = TokenKind::Symbol;
        token.text = "->";
        pos += 2;
        return token;
    }
    if (c == '"') {
        token.kind = TokenKind::String;
        ++pos;
        auto addText = [&token](std::string_view s, bool raw) {
            if (token.pieces.empty() || token.pieces.back().raw != raw) token.pieces.push_back({raw, {}});
            token.pieces.back().bytes += s;
            if (!raw) token.text += s;
        };
        for (;;) {
            if (pos >= text.size()) throw SourceError(line, token.column, "the string is not closed by \"");
            char d = text[pos];
            if (d == '"') {
                ++pos;
                return token;
            }
            if (d != '\\') {
                addText(text.substr(pos, 1), false);
                ++pos;
                continue;
            }
            if (pos + 1 >= text.size())
                throw SourceError(line, base + static_cast<int>(pos) + 1, "a lone \\ ends the line");
            char e = text[pos + 1];
            if (e == '"' || e == '\\') {
                addText(text.substr(pos + 1, 1), false);
                pos += 2;
            } else if (e == 'x' && pos + 3 < text.size() && HexValue(text[pos + 2]) >= 0 &&
                       HexValue(text[pos + 3]) >= 0) {
                char byte = static_cast<char>(HexValue(text[pos + 2]) * 16 + HexValue(text[pos + 3]));
                addText(std::string_view(&byte, 1), true);
                pos += 4;
            } else {
                throw SourceError(line, base + static_cast<int>(pos) + 1,
                                  "unknown escape \\" + std::string(1, e) + " (use \\\", \\\\ or \\xHH)");
            }
        }
    }
    if (IsWordChar(c)) {
        token.kind = TokenKind::Word;
        size_t start = pos;
        while (pos < text.size() && IsWordChar(text[pos]) &&
               !(text[pos] == '-' && pos + 1 < text.size() && text[pos + 1] == '>'))
            ++pos;
        token.text = std::string(text.substr(start, pos - start));
        return token;
    }
    throw SourceError(line, token.column, "unexpected character '" + std::string(1, c) + "'");
}

// Skips blanks; a # starts a comment to the end. Returns false at the end of the text.
bool SkipBlanks(std::string_view text, size_t& pos) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    if (pos < text.size() && text[pos] == '#') pos = text.size();
    return pos < text.size();
}

} // namespace

Lexer::Lexer(std::string_view source) : own_(std::make_unique<LineReader>(source)), source_(*own_) {
    source_.Next(current_);
    // A UTF-8 byte order mark is not part of the first line.
    if (current_.compare(0, 3, "\xEF\xBB\xBF") == 0) current_.erase(0, 3);
}

Lexer::Lexer(LineReader& source) : source_(source) {
    source_.Next(current_);
    if (current_.compare(0, 3, "\xEF\xBB\xBF") == 0) current_.erase(0, 3);
}

void Lexer::Advance() {
    ++line_;
    column_ = 0;
    if (atEnd_) return;
    if (!source_.Next(current_)) {
        atEnd_ = true;
        lineCount_ = line_;
        current_.clear();
    }
}

void Lexer::Scan() {
    while (!atEnd_) {
        if (SkipBlanks(current_, column_)) {
            next_ = ScanToken(current_, column_, static_cast<int>(line_) + 1, 0);
            return;
        }
        Advance();
    }
    Token end;
    end.line = static_cast<int>(lineCount_);
    next_ = end;
}

const Token& Lexer::Peek() {
    if (!next_) Scan();
    return *next_;
}

Token Lexer::Next() {
    Token token = Peek();
    next_.reset();
    return token;
}

bool Lexer::AtLineEnd() {
    if (next_) return false;
    if (atEnd_) return true;
    size_t pos = column_;
    return !SkipBlanks(current_, pos);
}

const std::string* Lexer::RawLine(int* line) {
    next_.reset();
    Advance();
    if (atEnd_) return nullptr;
    if (line) *line = static_cast<int>(line_) + 1;
    column_ = current_.size();
    return &current_;
}

void Lexer::Fail(const Token& at, const std::string& message) {
    throw SourceError(at.line, at.column, message);
}

void Lexer::Fail(const std::string& message) const {
    throw SourceError(static_cast<int>(atEnd_ ? lineCount_ : line_ + 1), 0, message);
}

std::vector<Token> TokenizeLine(std::string_view text, int line, int column) {
    std::vector<Token> tokens;
    size_t pos = 0;
    while (SkipBlanks(text, pos))
        tokens.push_back(ScanToken(text, pos, line, column));
    return tokens;
}

std::vector<Token> TokenizeBraces(std::string_view text, size_t* pos, int line) {
    std::vector<Token> tokens;
    const int openColumn = static_cast<int>(*pos); // the column of the "{", 1-based
    for (;;) {
        if (!SkipBlanks(text, *pos))
            throw SourceError(line, openColumn, "the { is not closed by } on its line");
        Token token = ScanToken(text, *pos, line, 0);
        if (token.Is("}")) return tokens;
        tokens.push_back(std::move(token));
    }
}

uint64_t NumberOf(const Token& token, uint64_t max, const char* what) {
    auto fail = [&]() -> uint64_t {
        Lexer::Fail(token, std::string(what) + " must be a number from 0 to " + std::to_string(max) +
                               (token.kind == TokenKind::End ? ", not the end of the file"
                                                             : ", not \"" + token.text + "\""));
    };
    if (token.kind != TokenKind::Word || token.text.empty()) return fail();
    const std::string& t = token.text;
    uint64_t value = 0;
    size_t i = 0;
    int base = 10;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        base = 16;
        i = 2;
    }
    for (; i < t.size(); ++i) {
        int d = HexValue(t[i]);
        if (d < 0 || d >= base) return fail();
        if (value > (UINT64_MAX - static_cast<uint64_t>(d)) / base) return fail();
        value = value * base + static_cast<uint64_t>(d);
    }
    return value <= max ? value : fail();
}

} // namespace tavrin::bookc
