#include "dict/headword_order.h"

#include "codepage/code_page.h"

namespace tavrin::dict {

namespace {

bool IsBlank(char32_t c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n' || c == 0x00A0 ||
           c == 0x3000 || (c >= 0x2000 && c <= 0x200A);
}

bool IsAsciiAlnum(char32_t c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Letters and digits beyond ASCII: everything from the Latin-1 letters on, less the signs, marks and
// punctuation blocks that hold no letters.
bool IsWideAlnum(char32_t c) {
    if (c < 0x80) return IsAsciiAlnum(c);
    if (c < 0xC0) return c == 0xAA || c == 0xB5 || c == 0xBA;
    if (c == 0xD7 || c == 0xF7) return false;
    if (c >= 0x2000 && c <= 0x2BFF) return false; // punctuation, symbols, arrows, shapes
    if (c >= 0x3000 && c <= 0x303F) return false; // CJK punctuation
    if (c >= 0xFE30 && c <= 0xFE6F) return false;
    if (c >= 0xFF00 && c <= 0xFF0F) return false;
    return true;
}

// Lower case of the scripts dictionaries mostly hold: Latin, Greek and Cyrillic.
char32_t Lower(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c < 0xC0) return c;
    if (c <= 0xDE) return c == 0xD7 ? c : c + 32;
    if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x130) return 'i';
        if (c == 0x178) return 0xFF;
        const bool evenUpper = (c < 0x138) || (c >= 0x14A && c < 0x178);
        if (evenUpper) return (c % 2 == 0) ? c + 1 : c;
        return (c % 2 == 1 && c != 0x149 && c != 0x17F) ? c + 1 : c;
    }
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    return c;
}

// Reads the characters of a headword that count, folded, one at a time.
class FoldedReader {
  public:
    FoldedReader(std::string_view text, const HeadwordOrder& order) : text_(text), order_(order) {}

    // The next folded character; false at the end.
    bool Next(char32_t* out) {
        while (pos_ < text_.size()) {
            char32_t c;
            const unsigned char byte = static_cast<unsigned char>(text_[pos_]);
            if (order_.utf8 && byte >= 0x80) {
                size_t length = codepage::DecodeUtf8(text_.substr(pos_), &c);
                if (length == 0) { // a stray byte stands for itself
                    c = byte;
                    length = 1;
                }
                pos_ += length;
            } else {
                c = byte;
                ++pos_;
            }
            bool counts;
            if (order_.allChars)
                counts = true;
            else if (c < 0x80)
                counts = IsAsciiAlnum(c) || IsBlank(c);
            else
                counts = order_.utf8 && (IsWideAlnum(c) || IsBlank(c));
            if (!counts) continue;
            *out = order_.caseSensitive ? c : (order_.utf8 || c < 0x80 ? Lower(c) : c);
            return true;
        }
        return false;
    }

  private:
    std::string_view text_;
    const HeadwordOrder& order_;
    size_t pos_ = 0;
};

void Append(char32_t c, const HeadwordOrder& order, std::string& out) {
    if (order.utf8)
        codepage::AppendUtf8(c, out);
    else
        out.push_back(static_cast<char>(c));
}

} // namespace

std::string FoldedKey(std::string_view word, const HeadwordOrder& order) {
    return FoldedPrefix(word, word.size(), order);
}

std::string FoldedPrefix(std::string_view word, size_t count, const HeadwordOrder& order) {
    std::string out;
    FoldedReader reader(word, order);
    char32_t c;
    for (size_t n = 0; n < count && reader.Next(&c); ++n)
        Append(c, order, out);
    return out;
}

namespace {

// The folded value of an ASCII byte: 0 for a byte that does not count, else the byte in lower case.
struct AsciiFold {
    unsigned char value[2][2][128]; // [allChars][caseSensitive][byte]
    AsciiFold() {
        for (int all = 0; all < 2; ++all)
            for (int sensitive = 0; sensitive < 2; ++sensitive)
                for (unsigned c = 0; c < 128; ++c) {
                    const bool counts = all || IsAsciiAlnum(c) || IsBlank(c);
                    value[all][sensitive][c] =
                        counts ? static_cast<unsigned char>(sensitive ? c : Lower(c)) : 0;
                }
    }
};

// Compares the texts while both are plain ASCII: true with the result, false (the texts are then
// compared character by character) at a zero byte or a byte above 0x7F.
bool CompareAscii(std::string_view a, std::string_view b, const HeadwordOrder& order, int* result) {
    static const AsciiFold fold;
    const unsigned char* table = fold.value[order.allChars][order.caseSensitive];
    size_t i = 0, j = 0;
    for (;;) {
        int ca = -1, cb = -1;
        while (i < a.size()) {
            const unsigned char c = static_cast<unsigned char>(a[i++]);
            if (c == 0 || c >= 0x80) return false;
            if (table[c]) {
                ca = table[c];
                break;
            }
        }
        while (j < b.size()) {
            const unsigned char c = static_cast<unsigned char>(b[j++]);
            if (c == 0 || c >= 0x80) return false;
            if (table[c]) {
                cb = table[c];
                break;
            }
        }
        if (ca < 0 || cb < 0) {
            *result = ca < 0 && cb < 0 ? 0 : (ca < 0 ? -1 : 1);
            return true;
        }
        if (ca != cb) {
            *result = ca < cb ? -1 : 1;
            return true;
        }
    }
}

} // namespace

int CompareFolded(std::string_view a, std::string_view b, const HeadwordOrder& order) {
    int result;
    if (CompareAscii(a, b, order, &result)) return result;
    FoldedReader ra(a, order), rb(b, order);
    for (;;) {
        char32_t ca = 0, cb = 0;
        const bool ha = ra.Next(&ca), hb = rb.Next(&cb);
        if (!ha || !hb) return ha ? 1 : (hb ? -1 : 0);
        if (ca != cb) return ca < cb ? -1 : 1;
    }
}

} // namespace tavrin::dict
