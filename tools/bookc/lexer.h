// Tokens of the builder's source files (book sources and catalog sources), line by line, with the
// position of each for error messages.
//
//   words     runs of letters, digits and _ . : + - / (a number is a word: 12, 0x1F)
//   strings   "..." with the escapes \" \\ and \xHH (a raw byte in the book's code page)
//   symbols   { } = ->
//   comments  # to the end of the line, outside strings
#pragma once

#include "line_reader.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin::bookc {

// A parse error at a place in the source. Thrown inside the parsers, caught at their entry points.
struct SourceError : std::runtime_error {
    SourceError(int line, int column, const std::string& message)
        : std::runtime_error(message), line(line), column(column) {}
    int line;
    int column; // 1-based; 0 when the whole line is meant
};

// A piece of a string: UTF-8 text to convert, or raw bytes from \xHH escapes.
struct Piece {
    bool raw = false;
    std::string bytes;
};

enum class TokenKind { Word, String, Symbol, End };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;          // the word or symbol; for strings the UTF-8 text with escapes applied
    std::vector<Piece> pieces; // strings only
    int line = 0;
    int column = 0;
    bool Is(std::string_view symbolOrWord) const {
        return (kind == TokenKind::Symbol || kind == TokenKind::Word) && text == symbolOrWord;
    }
};

class Lexer {
  public:
    // Over a whole source in memory.
    explicit Lexer(std::string_view source);
    // Over a source read line by line (the reader is the caller's): only the current line is kept.
    explicit Lexer(LineReader& source);

    const Token& Peek();
    Token Next();
    // True when the current line holds no further token.
    bool AtLineEnd();
    // The next whole line, untokenized (for page bodies); the current line must be used up. Null at
    // the end of the source; else valid until the lexer is next used.
    const std::string* RawLine(int* line);
    int Line() const { return static_cast<int>(line_) + 1; }

    // Errors at a token or at the current place.
    [[noreturn]] static void Fail(const Token& at, const std::string& message);
    [[noreturn]] void Fail(const std::string& message) const;

  private:
    void Scan();    // fills next_ from the current position
    void Advance(); // to the next line
    std::unique_ptr<LineReader> own_;
    LineReader& source_;
    std::string current_; // the line line_ (0-based)
    size_t line_ = 0;
    size_t column_ = 0;
    bool atEnd_ = false;   // past the last line
    size_t lineCount_ = 0; // known once atEnd_
    std::optional<Token> next_;
};

// Tokenizes one line.
std::vector<Token> TokenizeLine(std::string_view text, int line, int column);

// Tokenizes the inside of a {...} construct of a page line: from *pos (just after the "{") up to and
// including the matching "}", which is not returned; *pos ends after it. Throws when the line ends first.
std::vector<Token> TokenizeBraces(std::string_view text, size_t* pos, int line);

// A word as a number (decimal or 0x hexadecimal) within [0, max]; throws at the token otherwise.
uint64_t NumberOf(const Token& token, uint64_t max, const char* what);

} // namespace tavrin::bookc
