#include "page_compiler.h"

#include "bookfmt/markup.h"

#include <algorithm>
#include <cstdio>

namespace tavrin::bookc {
namespace {

namespace markup = book::markup;

std::string Hex2(unsigned v) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", v & 0xFF);
    return text;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// {ctl C operands...}
std::string ControlSequence(SourceState& state, const std::vector<Token>& tokens, const Token& at) {
    if (tokens.size() < 2) Lexer::Fail(at, "{ctl} needs a code: {ctl 0x03 ...}");
    auto code = static_cast<uint8_t>(NumberOf(tokens[1], 0xFF, "the control code"));
    if (code == markup::kObject || code == markup::kObjectEnd)
        Lexer::Fail(tokens[1], "write embedded objects with {object ...}, not {ctl}");
    std::string bytes{static_cast<char>(markup::kEscape), static_cast<char>(code)};
    for (size_t i = 2; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.kind == TokenKind::String) {
            bytes += state.Encode(t);
        } else if (t.kind == TokenKind::Word && t.text.rfind("u16:", 0) == 0) {
            Token number = t;
            number.text = t.text.substr(4);
            auto v = static_cast<uint16_t>(NumberOf(number, 0xFFFF, "a u16 operand"));
            bytes += static_cast<char>(v & 0xFF);
            bytes += static_cast<char>(v >> 8);
        } else {
            bytes += static_cast<char>(NumberOf(t, 0xFF, "an operand byte"));
        }
    }
    book::ByteView view(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    std::optional<size_t> extent = markup::SequenceLength(view, 0);
    if (!extent) {
        // Say how many operands the code takes: pad with zero bytes until the sequence is complete.
        std::string padded = bytes;
        std::optional<size_t> needed;
        while (!needed && padded.size() < bytes.size() + 256) {
            padded += '\0';
            needed = markup::SequenceLength(
                book::ByteView(reinterpret_cast<const uint8_t*>(padded.data()), padded.size()), 0);
        }
        if (needed)
            Lexer::Fail(at, "the control sequence 0xFF " + Hex2(code) + " takes " +
                                std::to_string(*needed - 2) + " operand bytes here, not " +
                                std::to_string(bytes.size() - 2));
        Lexer::Fail(at, "the control sequence 0xFF " + Hex2(code) + " needs more operands than the " +
                            std::to_string(bytes.size() - 2) + " given (up to and including a \"]\")");
    }
    if (*extent != bytes.size())
        Lexer::Fail(at, "the control sequence 0xFF " + Hex2(code) + " takes " + std::to_string(*extent - 2) +
                            " operand bytes here, not " + std::to_string(bytes.size() - 2));
    if (code == 0x23 && !(view[2] & 0x20))
        Lexer::Fail(
            at, "the control sequence 0xFF 0x23 must carry its length: set bit 0x20 of its first operand");
    return bytes;
}

// {object image="..." text="..."}
std::string EmbeddedObject(SourceState& state, const std::vector<Token>& tokens, const Token& at) {
    std::optional<std::string> image, text;
    for (size_t i = 1; i < tokens.size(); i += 3) {
        if (i + 2 >= tokens.size() || tokens[i].kind != TokenKind::Word || !tokens[i + 1].Is("=") ||
            tokens[i + 2].kind != TokenKind::String)
            Lexer::Fail(tokens[i], "an object takes image=\"file\" and text=\"caption\"");
        std::string value = state.Encode(tokens[i + 2]);
        if (tokens[i].text == "image")
            image = value;
        else if (tokens[i].text == "text")
            text = value;
        else
            Lexer::Fail(tokens[i], "an object has no attribute \"" + tokens[i].text + "\" (image, text)");
    }
    if (!text) text = std::string();
    if (image && (image->empty() || image->find_first_of(std::string(" =\0\xFF", 4)) != std::string::npos))
        Lexer::Fail(at, "a picture name may not be empty or hold blanks, \"=\" or 0xFF");
    if (text->find_first_of(std::string("\0\xFF", 2)) != std::string::npos)
        Lexer::Fail(at, "an object's caption may not hold a zero byte or 0xFF");
    std::string bytes{static_cast<char>(markup::kEscape), static_cast<char>(markup::kObject),
                      static_cast<char>(image ? markup::kObjectPicture : markup::kObjectCaption)};
    if (image) bytes += "image=" + *image + " ";
    bytes += "text=" + *text;
    bytes += static_cast<char>(markup::kEscape);
    bytes += static_cast<char>(markup::kObjectEnd);
    return bytes;
}

} // namespace

void PageCompiler::Begin(int pageLine) {
    pageLine_ = pageLine;
    page_.clear();
    lineStarts_.clear();
    joinNext_ = false;
}

void PageCompiler::AddLine(int line, std::string_view s) {
    // Lines are joined by line breaks, unless the line before ended in a lone "\".
    if (!lineStarts_.empty() && !joinNext_) {
        page_ += static_cast<char>(markup::kEscape);
        page_ += static_cast<char>(markup::kLineBreak);
    }
    joinNext_ = false;
    lineStarts_.emplace_back(page_.size(), line);
    run_.clear();
    int runColumn = 1;
    auto flush = [&]() {
        if (!run_.empty()) page_ += state_.EncodeText(run_, line, runColumn);
        run_.clear();
    };
    size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (c == '\\') {
            if (i + 1 == s.size()) {
                joinNext_ = true;
                ++i;
                continue;
            }
            char e = s[i + 1];
            if (e == '\\' || e == '{' || e == '}') {
                if (run_.empty()) runColumn = static_cast<int>(i) + 1;
                run_ += e;
                i += 2;
            } else if (e == 'x' && i + 3 < s.size() && HexDigit(s[i + 2]) >= 0 && HexDigit(s[i + 3]) >= 0) {
                flush();
                page_ += static_cast<char>(HexDigit(s[i + 2]) * 16 + HexDigit(s[i + 3]));
                i += 4;
            } else {
                throw SourceError(line, static_cast<int>(i) + 1,
                                  "unknown escape \\" + std::string(1, e) + " (use \\\\, \\{, \\} or \\xHH)");
            }
            continue;
        }
        if (c == '}')
            throw SourceError(line, static_cast<int>(i) + 1, "a } without its { (write \\} for a brace)");
        if (c != '{') {
            // A run of plain text is taken whole.
            size_t stop = s.find_first_of("\\{}", i);
            if (stop == std::string_view::npos) stop = s.size();
            if (run_.empty()) runColumn = static_cast<int>(i) + 1;
            run_.append(s.substr(i, stop - i));
            i = stop;
            continue;
        }
        flush();
        Token at;
        at.line = line;
        at.column = static_cast<int>(i) + 1;
        size_t pos = i + 1;
        std::vector<Token> tokens = TokenizeBraces(s, &pos, line);
        i = pos;
        if (tokens.empty()) continue; // {}
        if (tokens[0].Is("br") && tokens.size() == 1) {
            page_ += static_cast<char>(markup::kEscape);
            page_ += static_cast<char>(markup::kLineBreak);
        } else if (tokens[0].Is("ctl")) {
            page_ += ControlSequence(state_, tokens, at);
        } else if (tokens[0].Is("object")) {
            page_ += EmbeddedObject(state_, tokens, at);
        } else {
            Lexer::Fail(tokens[0], "unknown construct {" + tokens[0].text + "} (br, ctl, object)");
        }
    }
    flush();
}

const std::string& PageCompiler::Finish() {
    book::ByteView view(reinterpret_cast<const uint8_t*>(page_.data()), page_.size());
    if (auto problem = markup::CheckPage(view)) {
        int line = pageLine_;
        for (const auto& [offset, sourceLine] : lineStarts_)
            if (offset <= problem->offset) line = sourceLine;
        throw SourceError(line, 0,
                          problem->message + " (byte " + std::to_string(problem->offset) + " of the page)");
    }
    page_ += '\0';
    return page_;
}

} // namespace tavrin::bookc
