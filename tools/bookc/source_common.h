// What book sources and catalog sources share: the statements that make a book's identity (code page,
// serial, number, names) and turning source strings into the book's 8-bit text.
#pragma once

#include "codepage.h"
#include "lexer.h"

#include "bookfmt/model.h"

#include <memory>
#include <string>

namespace tavrin::bookc {

class SourceState {
  public:
    explicit SourceState(Lexer& lexer) : lexer_(lexer) {}

    Lexer& Lex() { return lexer_; }

    // The string token's text in the book's code page. Fixes the code page (none when no "codepage"
    // statement came first).
    std::string Encode(const Token& string);
    // Encodes UTF-8 text that stands at a place in the source.
    std::string EncodeText(std::string_view utf8, int line, int column);
    const CodePage& Page();

    // Expects a token of a kind; throws with "what" otherwise.
    Token Expect(TokenKind kind, const char* what);
    Token ExpectSymbol(const char* symbol);
    void ExpectLineEnd(const char* after);

    // Handles "codepage", "serial", "number" and "name"; false for another keyword.
    bool CommonStatement(const Token& keyword, book::BookIdentity& book);

  private:
    Lexer& lexer_;
    std::unique_ptr<CodePage> page_;
};

// "file:line:column: message" (column left out when 0).
std::string FormatError(const std::string& file, const SourceError& error);

} // namespace tavrin::bookc
