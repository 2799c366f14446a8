#include "source_common.h"

#include "bookfmt/format.h"

namespace tavrin::bookc {

const CodePage& SourceState::Page() {
    if (!page_) page_ = CodePage::Open(0, nullptr);
    return *page_;
}

std::string SourceState::EncodeText(std::string_view utf8, int line, int column) {
    std::string error;
    std::optional<std::string> bytes = Page().Encode(utf8, &error);
    if (!bytes) throw SourceError(line, column, error);
    return *bytes;
}

std::string SourceState::Encode(const Token& string) {
    std::string out;
    for (const Piece& piece : string.pieces)
        out += piece.raw ? piece.bytes : EncodeText(piece.bytes, string.line, string.column);
    return out;
}

Token SourceState::Expect(TokenKind kind, const char* what) {
    Token token = lexer_.Next();
    if (token.kind != kind)
        Lexer::Fail(token, std::string("expected ") + what +
                               (token.kind == TokenKind::End ? ", found the end of the file"
                                                             : ", found \"" + token.text + "\""));
    return token;
}

Token SourceState::ExpectSymbol(const char* symbol) {
    Token token = lexer_.Next();
    if (!(token.kind == TokenKind::Symbol && token.text == symbol))
        Lexer::Fail(token, std::string("expected \"") + symbol + "\"" +
                               (token.kind == TokenKind::End ? ", found the end of the file"
                                                             : ", found \"" + token.text + "\""));
    return token;
}

void SourceState::ExpectLineEnd(const char* after) {
    if (!lexer_.AtLineEnd())
        Lexer::Fail(lexer_.Peek(), std::string("unexpected \"") + lexer_.Peek().text + "\" after " + after);
}

bool SourceState::CommonStatement(const Token& keyword, book::BookIdentity& book) {
    if (keyword.Is("codepage")) {
        if (page_) Lexer::Fail(keyword, "the code page must be declared before the first text of the file");
        Token value = Expect(TokenKind::Word, "a code page (1252, 950, 936 or none)");
        uint16_t number =
            value.text == "none" ? 0 : static_cast<uint16_t>(NumberOf(value, 0xFFFF, "the code page"));
        std::string error;
        page_ = CodePage::Open(number, &error);
        if (!page_) Lexer::Fail(value, error);
        book.codePage = number;
    } else if (keyword.Is("serial")) {
        book.serial = static_cast<uint32_t>(
            NumberOf(Expect(TokenKind::Word, "a serial number"), 0xFFFFFFFFu, "the serial"));
    } else if (keyword.Is("number")) {
        Token value = Expect(TokenKind::String, "the book number in quotes");
        std::string number = Encode(value);
        if (number.empty() || number.size() > book::format::kMaxNumber)
            Lexer::Fail(value,
                        "the book number must have 1 to 255 bytes, not " + std::to_string(number.size()));
        if (number.find('\0') != std::string::npos)
            Lexer::Fail(value, "the book number may not hold a zero byte");
        book.number = number;
    } else if (keyword.Is("name")) {
        Token localeToken = Expect(TokenKind::Word, "a locale code");
        auto locale = static_cast<int32_t>(NumberOf(localeToken, 0x7FFFFFFF, "the locale code"));
        Token value = Expect(TokenKind::String, "the name in quotes");
        std::string name = Encode(value);
        if (name.size() > book::format::kMaxName)
            Lexer::Fail(value, "the name has " + std::to_string(name.size()) +
                                   " bytes in the book's code page (at most 254)");
        if (name.find('\0') != std::string::npos) Lexer::Fail(value, "the name may not hold a zero byte");
        for (const book::LocaleName& existing : book.names)
            if (existing.locale == locale)
                Lexer::Fail(localeToken, "a second name for locale " + localeToken.text);
        book.names.push_back({locale, name});
    } else {
        return false;
    }
    ExpectLineEnd(keyword.text.c_str());
    return true;
}

std::string FormatError(const std::string& file, const SourceError& error) {
    std::string place = file + ":" + std::to_string(error.line);
    if (error.column > 0) place += ":" + std::to_string(error.column);
    return place + ": " + error.what();
}

} // namespace tavrin::bookc
