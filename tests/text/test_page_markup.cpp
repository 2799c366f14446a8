// The page markup's one table (tavrin/page_markup.h) against the format as docs/book-format.md writes
// it down, code by code from 0x00 to 0xFF, and against every reader of pages: the book format's page
// check, the full-text search, the host's page text, and the header compiled as C. For each code, and
// each setting of the operand bits that change its extent, a sequence is made from the documented rule
// and read whole, with text after it, and cut short at every length.
#include "bookfmt/markup.h"
#include "navigation/search_text.h"
#include "navigation/page_text.h"
#include "tavrin/page_markup.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

extern "C" size_t TavrinCSequenceExtent(const unsigned char* page, size_t size, size_t at);
extern "C" size_t TavrinCObjectTextStart(const unsigned char* page, size_t size, size_t at);

namespace {

namespace markup = tavrin::book::markup;

// A code's extent as the format document writes it.
struct Documented {
    int rule = TVR_EXTENT_FIXED;
    unsigned length = 2, flag = 0, bit = 0, longer = 0;
};

// The table of docs/book-format.md ("| code | extent |"): each code the rows name, and the row of
// "any other".
struct DocumentedTable {
    std::optional<Documented> byCode[256];
    std::optional<Documented> other;
    std::vector<std::string> problems;
};

unsigned Number(const std::string& text) {
    return static_cast<unsigned>(std::stoul(text, nullptr, 0));
}

Documented Parse(const std::string& extent, std::vector<std::string>& problems) {
    std::smatch m;
    Documented d;
    if (extent.rfind("an embedded object", 0) == 0) {
        d.rule = TVR_EXTENT_OBJECT;
        d.length = 3;
    } else if (std::regex_search(
                   extent, m,
                   std::regex("^(\\d+) bytes when bit (0x[0-9A-F]+) of the byte at position (\\d+) "
                              "is set, else (\\d+)"))) {
        d = {TVR_EXTENT_LONGER_IF_SET, Number(m[4]), Number(m[3]), Number(m[2]), Number(m[1])};
    } else if (std::regex_search(extent, m,
                                 std::regex("^with f the byte at position (\\d+): (\\d+) bytes"))) {
        d = {TVR_EXTENT_PARTS, Number(m[2]), Number(m[1]), 0, 0};
        // The parts the header's rule takes, in the document's words.
        for (const char* part :
             {"when f bit 0x10 is clear, every byte up to and including the first `]`",
              "8 more when f bit 0x40 is set", "when f bit 0x20 is set, a 16-bit count n and n bytes"})
            if (extent.find(part) == std::string::npos)
                problems.push_back(std::string("0x23 lacks: ") + part);
    } else if (std::regex_search(
                   extent, m,
                   std::regex("^(\\d+) bytes; when bit (0x[0-9A-F]+) of the byte at position (\\d+) "
                              "is (set|clear), also every byte from position (\\d+) up to and "
                              "including the first `\\]`"))) {
        d = {m[4] == "set" ? TVR_EXTENT_BRACKET_IF_SET : TVR_EXTENT_BRACKET_IF_CLEAR, Number(m[1]),
             Number(m[3]), Number(m[2]), 0};
        if (Number(m[5]) != d.length)
            problems.push_back("the bracket does not follow the fixed part: " + extent);
    } else if (std::regex_search(extent, m, std::regex("^(\\d+) bytes"))) {
        d.length = Number(m[1]);
    } else {
        problems.push_back("extent not understood: " + extent);
    }
    return d;
}

const DocumentedTable& Table() {
    static const DocumentedTable table = [] {
        DocumentedTable t;
        std::ifstream in(TAVRIN_SOURCE_DIR "/docs/book-format.md");
        std::string line;
        bool inTable = false;
        while (std::getline(in, line)) {
            if (line == "| code | extent |") {
                inTable = true;
                continue;
            }
            if (!inTable || line.rfind("|---", 0) == 0) continue;
            if (line.empty() || line[0] != '|') break;
            size_t bar = line.find('|', 1);
            const std::string codes = line.substr(1, bar - 1);
            std::string extent = line.substr(bar + 1);
            extent = extent.substr(extent.find_first_not_of(' '));
            Documented d = Parse(extent, t.problems);
            if (codes.find("any other") != std::string::npos) {
                t.other = d;
                continue;
            }
            std::regex hex("0x[0-9A-F]{2}");
            for (auto it = std::sregex_iterator(codes.begin(), codes.end(), hex);
                 it != std::sregex_iterator(); ++it)
                t.byCode[Number(it->str())] = d;
        }
        return t;
    }();
    return table;
}

Documented DocumentedForm(unsigned code) {
    return Table().byCode[code] ? *Table().byCode[code] : Table().other.value_or(Documented{});
}

// The sequences of one code, made by the documented rule: every setting of the bits that change the
// extent. Operand bytes are 'q' (never a ']' or a 0xFF) unless the rule says otherwise, so each
// sequence's extent is its size.
std::vector<std::string> Sequences(unsigned code) {
    const Documented d = DocumentedForm(code);
    auto base = [&](unsigned flagValue) {
        std::string s = {'\xFF', static_cast<char>(code)};
        s.resize(d.length, 'q');
        if (d.flag) s[d.flag] = static_cast<char>(flagValue);
        return s;
    };
    std::vector<std::string> out;
    switch (d.rule) {
    case TVR_EXTENT_FIXED:
        out.push_back(base(0));
        break;
    case TVR_EXTENT_BRACKET_IF_SET:
    case TVR_EXTENT_BRACKET_IF_CLEAR: {
        const bool set = d.rule == TVR_EXTENT_BRACKET_IF_SET;
        out.push_back(base(set ? d.bit : 0) + "qq]");
        out.push_back(base(set ? 0 : d.bit));
        break;
    }
    case TVR_EXTENT_LONGER_IF_SET: {
        out.push_back(base(0));
        std::string longer = base(d.bit);
        longer.resize(d.longer, 'q');
        out.push_back(longer);
        break;
    }
    case TVR_EXTENT_PARTS:
        for (unsigned f : {0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70}) {
            std::string s = base(f);
            if (!(f & 0x10)) s += "qq]";
            if (f & 0x40) s += std::string(8, 'q');
            if (f & 0x20) s += std::string("\x03\x00qqq", 5);
            out.push_back(s);
        }
        break;
    default:
        break; // objects: below
    }
    return out;
}

// The page in a block of exactly its size, so that the sanitizers catch a read beyond it.
struct Block {
    explicit Block(const std::string& page) : size(page.size()), data(new unsigned char[page.size() + 1]) {
        std::memcpy(data.get(), page.data(), page.size());
    }
    size_t size;
    std::unique_ptr<unsigned char[]> data;
};

int Search(const std::string& text, const std::string& page) {
    Block block(page);
    return SearchPageText(text.c_str(), block.data.get(), static_cast<unsigned>(block.size), 1);
}

std::string HostText(const std::string& page) {
    Block block(page);
    return tavrin::MarkupPageText(block.data.get(), block.size);
}

std::optional<size_t> BookExtent(const std::string& page, size_t at) {
    Block block(page);
    return markup::SequenceLength(tavrin::book::ByteView(block.data.get(), block.size), at);
}

size_t HeaderExtent(const std::string& page, size_t at, bool asC = false) {
    Block block(page);
    return asC ? TavrinCSequenceExtent(block.data.get(), block.size, at)
               : TvrSequenceExtent(block.data.get(), block.size, at);
}

TEST(PageMarkupTable, IsTheDocumentedTable) {
    const DocumentedTable& doc = Table();
    EXPECT_TRUE(doc.problems.empty()) << doc.problems.front();
    ASSERT_TRUE(doc.other) << "the document's table has no row for the other codes";
    EXPECT_EQ(doc.other->length, 2u);
    int named = 0;
    for (unsigned code = 0; code < 256; ++code) {
        SCOPED_TRACE(code);
        named += doc.byCode[code].has_value();
        const Documented d = DocumentedForm(code);
        const TvrSequenceForm form = TvrSequenceFormOf(static_cast<unsigned char>(code));
        EXPECT_EQ(form.rule, d.rule);
        EXPECT_EQ(form.length, d.length);
        EXPECT_EQ(form.flag, d.flag);
        EXPECT_EQ(form.bit, d.bit); // 0x23 names its bits in its rule
        EXPECT_EQ(form.longer, d.longer);
    }
    EXPECT_EQ(named, 13) << "the codes the document names";
}

TEST(PageMarkupTable, EveryCodeIsReadAlikeByEveryReader) {
    for (unsigned code = 0; code < 256; ++code) {
        for (const std::string& seq : Sequences(code)) {
            SCOPED_TRACE("code " + std::to_string(code) + ", " + std::to_string(seq.size()) + " bytes");
            const std::string page = "A" + seq + "z";
            const bool lineBreak = code == TVR_LINE_BREAK;
            EXPECT_EQ(HeaderExtent(page, 1), seq.size());
            EXPECT_EQ(HeaderExtent(page, 1, true), seq.size()) << "compiled as C";
            EXPECT_EQ(BookExtent(page, 1), seq.size());
            EXPECT_EQ(HostText(page), lineBreak ? "A\nz" : "Az");
            EXPECT_EQ(Search("Az", page), lineBreak ? 0 : 1);
            EXPECT_EQ(Search("z", page), 1);
            EXPECT_EQ(Search("q", page), 0) << "operands are not text";
            EXPECT_EQ(Search("]", page), 0);
        }
    }
}

TEST(PageMarkupTable, ASequenceCutByThePagesEndEndsItsText) {
    for (unsigned code = 0; code < 256; ++code) {
        if (code == TVR_OBJECT) continue; // readers read an object's caption: below
        for (const std::string& seq : Sequences(code)) {
            for (size_t cut = 1; cut < seq.size(); ++cut) {
                SCOPED_TRACE("code " + std::to_string(code) + " cut to " + std::to_string(cut));
                const std::string page = "A" + seq.substr(0, cut);
                EXPECT_EQ(HeaderExtent(page, 1), 0u);
                EXPECT_EQ(HeaderExtent(page, 1, true), 0u);
                EXPECT_FALSE(BookExtent(page, 1));
                EXPECT_EQ(HostText(page), "A");
                EXPECT_EQ(Search("A", page), 1);
                EXPECT_EQ(Search("q", page), 0);
            }
        }
    }
}

TEST(PageMarkupObjects, CaptionIsTheTextOfAnObject) {
    const std::string picture = "\xFF\x19\x01image=qq.png text=Cap\xFF\x1A";
    const std::string caption = std::string("\xFF\x19\x02text=Cap\xFF\x1A");
    for (const std::string& object : {picture, caption}) {
        const std::string page = "A" + object + "z";
        EXPECT_EQ(HeaderExtent(page, 1), object.size());
        EXPECT_EQ(BookExtent(page, 1), object.size());
        EXPECT_FALSE(markup::CheckPage(
            tavrin::book::ByteView(reinterpret_cast<const uint8_t*>(page.data()), page.size())));
        EXPECT_EQ(HostText(page), "ACapz");
        EXPECT_EQ(Search("ACapz", page), 1);
        EXPECT_EQ(Search("qq", page), 0) << "the picture's name is not text";
    }
}

TEST(PageMarkupObjects, ObjectsTheFormatRefusesAreStillReadAlike) {
    struct Case {
        std::string page, text;
        size_t resume; // where TvrObjectTextStart goes on
    } cases[] = {
        // Not closed: the caption still reads as text, up to the page's end.
        {"A\xFF\x19\x01image=qq.png text=Cap", "ACap", 22},
        // No caption: on after the first blank, or after the 0xFF that ends the name.
        {"A\xFF\x19\x02qq rest", "Arest", 7},
        {"A\xFF\x19\x01image=qq\xFF\x0Arest", "Arest", 14},
        // A "text=" behind a zero byte is not seen.
        {std::string("A\xFF\x19\x01image=qq q\0text=", 20), "Aq", 13},
        {"A\xFF\x19", "A", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_FALSE(BookExtent(c.page, 1));
        Block block(c.page);
        EXPECT_EQ(TvrObjectTextStart(block.data.get(), block.size, 1, nullptr), c.resume);
        EXPECT_EQ(TavrinCObjectTextStart(block.data.get(), block.size, 1), c.resume);
        EXPECT_EQ(HostText(c.page), c.text);
        EXPECT_EQ(Search(c.text, c.page), 1);
    }
}

TEST(PageMarkupObjects, ScanRemembersWhatItFoundAcrossObjects) {
    // Many objects without a caption, then one "text=" at the end: every object finds the same one.
    std::string page;
    for (int i = 0; i < 50; ++i)
        page += "\xFF\x19\x02x y";
    page += "text=end";
    Block block(page);
    TvrObjectScan scan = TVR_OBJECT_SCAN_INIT;
    for (size_t at = 0; at < 50 * 6; at += 6)
        EXPECT_EQ(TvrObjectTextStart(block.data.get(), block.size, at, &scan), page.size() - 3);
    EXPECT_EQ(TvrObjectTextStart(block.data.get(), block.size, 0, &scan),
              TvrObjectTextStart(block.data.get(), block.size, 0, nullptr));
}

} // namespace
