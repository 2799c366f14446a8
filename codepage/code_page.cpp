// The conversion rule, over iconv one character at a time. Each code page's answers are kept (at most
// kKeptAnswers per direction; then they are forgotten and found again), under one lock.
#include "codepage/code_page.h"

#include <cstdint>
#include <cstdio>
#include <iconv.h>
#include <map>
#include <mutex>
#include <unordered_map>

namespace tavrin::codepage {
namespace {

constexpr size_t kKeptAnswers = 1 << 16;
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// One code page: its two converters and the answers found so far (an empty answer: no such
// character).
struct Table {
    iconv_t toUtf8 = kNoConverter;
    iconv_t fromUtf8 = kNoConverter;
    std::unordered_map<uint32_t, std::string> decoded; // (length << 16 | bytes) -> UTF-8
    std::unordered_map<char32_t, std::string> encoded; // code point -> bytes of the code page

    explicit Table(unsigned codePage) {
        char name[16];
        std::snprintf(name, sizeof name, "CP%u", codePage);
        toUtf8 = iconv_open("UTF-8", name);
        fromUtf8 = iconv_open(name, "UTF-8");
    }
    ~Table() {
        if (toUtf8 != kNoConverter) iconv_close(toUtf8);
        if (fromUtf8 != kNoConverter) iconv_close(fromUtf8);
    }
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    bool Known() const { return toUtf8 != kNoConverter && fromUtf8 != kNoConverter; }
};

std::mutex& Lock() {
    static std::mutex lock;
    return lock;
}

// The table of a code page; called with the lock held.
Table& TableOf(unsigned codePage) {
    static std::map<unsigned, Table> tables;
    return tables.try_emplace(codePage, codePage).first->second;
}

// One character through a converter: all of `in` must convert. False when it does not.
bool ConvertOne(iconv_t cd, std::string_view in, std::string& out) {
    out.clear();
    if (cd == kNoConverter) return false;
    char buffer[16];
    char* from = const_cast<char*>(in.data());
    size_t fromLeft = in.size();
    char* to = buffer;
    size_t toLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, nullptr, nullptr); // a fresh state for every character
    if (iconv(cd, &from, &fromLeft, &to, &toLeft) == static_cast<size_t>(-1) || fromLeft != 0) return false;
    if (iconv(cd, nullptr, nullptr, &to, &toLeft) == static_cast<size_t>(-1)) return false;
    out.assign(buffer, sizeof buffer - toLeft);
    return !out.empty();
}

template <typename Key>
const std::string& Remember(std::unordered_map<Key, std::string>& answers, Key key, iconv_t cd,
                            std::string_view in) {
    auto it = answers.find(key);
    if (it != answers.end()) return it->second;
    if (answers.size() >= kKeptAnswers) answers.clear();
    std::string out;
    if (!ConvertOne(cd, in, out)) out.clear();
    return answers.emplace(key, std::move(out)).first->second;
}

void Note(size_t& count, size_t& first, size_t at) {
    if (count++ == 0) first = at;
}

} // namespace

size_t DecodeUtf8(std::string_view text, char32_t* codePoint) {
    if (text.empty()) return 0;
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) {
        if (codePoint) *codePoint = lead;
        return 1;
    }
    size_t length = 0;
    char32_t value = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;  // below: overlong
        if (lead == 0xED) high = 0x9F; // above: surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0) low = 0x90;  // below: overlong
        if (lead == 0xF4) high = 0x8F; // above: beyond U+10FFFF
    } else {
        return 0; // a continuation byte, 0xC0, 0xC1 or 0xF5-0xFF
    }
    if (text.size() < length) return 0;
    for (size_t k = 1; k < length; ++k) {
        const auto c = static_cast<unsigned char>(text[k]);
        if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF)) return 0;
        value = value << 6 | (c & 0x3F);
    }
    if (codePoint) *codePoint = value;
    return length;
}

void AppendUtf8(char32_t c, std::string& out) {
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
        out += kReplacement;
    } else if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsValidUtf8(std::string_view text, size_t* firstBad) {
    for (size_t i = 0; i < text.size();) {
        size_t length = DecodeUtf8(text.substr(i));
        if (length == 0) {
            if (firstBad) *firstBad = i;
            return false;
        }
        i += length;
    }
    return true;
}

bool IsDoubleByte(unsigned codePage) {
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

bool IsLeadByte(unsigned char b, unsigned codePage) {
    switch (codePage) {
    case 932:
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950:
        return b >= 0x81 && b <= 0xFE;
    default:
        return false;
    }
}

size_t CharLength(std::string_view text, size_t i, unsigned codePage) {
    if (i + 1 >= text.size() || !IsLeadByte(static_cast<unsigned char>(text[i]), codePage)) return 1;
    return text[i + 1] == '\0' ? 1 : 2;
}

bool IsKnown(unsigned codePage) {
    if (codePage == kUtf8) return true;
    std::lock_guard<std::mutex> hold(Lock());
    return TableOf(codePage).Known();
}

std::string FromUtf8(std::string_view utf8, unsigned codePage, Report* report) {
    Report local;
    Report& r = report ? *report : local;
    r = Report{};
    std::string out;
    out.reserve(utf8.size());
    std::unique_lock<std::mutex> hold(Lock(), std::defer_lock);
    Table* table = nullptr;
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        char32_t c = 0;
        const size_t length = DecodeUtf8(utf8.substr(i), &c);
        if (length == 0) {
            Note(r.rejected, r.firstRejected, i);
            out += kMissing;
            ++i;
            continue;
        }
        const std::string_view character = utf8.substr(i, length);
        if (codePage == kUtf8) {
            out += character;
        } else {
            if (!table) {
                hold.lock();
                table = &TableOf(codePage);
            }
            const std::string& bytes = Remember(table->encoded, c, table->fromUtf8, character);
            if (bytes.empty()) {
                Note(r.missing, r.firstMissing, i);
                out += kMissing;
            } else {
                out += bytes;
            }
        }
        i += length;
    }
    return out;
}

std::string ToUtf8(std::string_view text, unsigned codePage, Report* report, ShowRejected show) {
    Report local;
    Report& r = report ? *report : local;
    r = Report{};
    std::string out;
    out.reserve(text.size());
    auto reject = [&](size_t at, size_t length) {
        Note(r.rejected, r.firstRejected, at);
        if (show)
            show(text.substr(at, length), out);
        else
            out += kReplacement;
    };
    std::unique_lock<std::mutex> hold(Lock(), std::defer_lock);
    Table* table = nullptr;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            // Stays as it is in every code page: the whole run of such bytes at once.
            size_t end = i + 1;
            while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80)
                ++end;
            out.append(text, i, end - i);
            i = end;
            continue;
        }
        if (codePage == kUtf8) {
            const size_t length = DecodeUtf8(text.substr(i));
            if (length == 0) {
                reject(i, 1);
                ++i;
            } else {
                out += text.substr(i, length);
                i += length;
            }
            continue;
        }
        if (!table) {
            hold.lock();
            table = &TableOf(codePage);
        }
        const size_t length = CharLength(text, i, codePage);
        uint32_t key = lead;
        if (length == 2) key = key << 8 | static_cast<unsigned char>(text[i + 1]);
        key |= static_cast<uint32_t>(length) << 16;
        const std::string& utf8 = Remember(table->decoded, key, table->toUtf8, text.substr(i, length));
        if (utf8.empty())
            reject(i, length);
        else
            out += utf8;
        i += length;
    }
    return out;
}

} // namespace tavrin::codepage
